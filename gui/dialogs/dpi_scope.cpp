#include "gui/dialogs/dpi_scope.h"

#include <dlfcn.h>
#include <wx/dcscreen.h>
#include <wx/display.h>
#include <wx/settings.h>

#include <algorithm>
#include <cstdlib>

namespace {

// The desktop's resolution as GTK keeps it (its text scaling, in GTK's own scaled pixels);
// wx answers only 96 times GTK's whole-pixel scale. GTK comes with the window library, so it
// is asked without its headers; 0 where there is none to ask.
double DesktopDotsPerInch() {
    using ScreenGetter = void* (*)();
    using ResolutionGetter = double (*)(void*);
    static const auto screen =
        reinterpret_cast<ScreenGetter>(dlsym(RTLD_DEFAULT, "gdk_screen_get_default"));
    static const auto resolution =
        reinterpret_cast<ResolutionGetter>(dlsym(RTLD_DEFAULT, "gdk_screen_get_resolution"));
    void* current = screen && resolution ? screen() : nullptr;
    return current ? resolution(current) : 0.0;
}

}  // namespace

double DpiScaleFactor(double dotsPerInch, double contentScale) {
    if (dotsPerInch <= 0) {
        return 1.0;
    }
    if (contentScale <= 1.0) {
        return dotsPerInch / 96.0;
    }
    return std::max(1.0, dotsPerInch / contentScale / 96.0);
}

double DPIScope::GetDPIScaleFactor() {
    const char* overrideDpi = std::getenv(kDpiOverrideVariable);
    const double overridden = overrideDpi ? std::atof(overrideDpi) : 0.0;
    if (!wxTheApp) {
        return DpiScaleFactor(overridden, 1.0);
    }
    // The screen's device context does not know GTK's scaling; the display does.
    const double contentScale = wxDisplay(0u).GetScaleFactor();
    double dotsPerInch = overridden;
    if (dotsPerInch <= 0) {
        const double desktop = DesktopDotsPerInch();
        dotsPerInch = desktop > 0 ? desktop * std::max(1.0, contentScale) : wxScreenDC().GetPPI().y;
    }
    return DpiScaleFactor(dotsPerInch, contentScale);
}

int DPIScope::GetScaledFontHeight() {
    const int height = wxSystemSettings::GetFont(wxSYS_SYSTEM_FONT).GetPixelSize().GetHeight();
    return static_cast<int>(height * GetDPIScaleFactor());
}

int ScaleWidth(int designWidth, double factor) {
    return static_cast<int>(designWidth * factor);
}
