#pragma once

#include "support/scoped_env.h"

// For its life the windows are laid out as on a screen of that resolution: the program's DPI
// factor (QM_DPI) and GTK's font resolution both follow it, so text grows as design widths do.
class ScreenDpi {
public:
    explicit ScreenDpi(int dpi);
    ~ScreenDpi();
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;

private:
    ScopedEnv factor_;
    int oldFontDpi_ = -1;
};
