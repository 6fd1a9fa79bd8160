#include "gui/dialogs/dpi_scope.h"

#include <wx/dcscreen.h>
#include <wx/display.h>
#include <wx/settings.h>

#include <algorithm>
#include <cstdlib>

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
    const double dotsPerInch = overridden > 0 ? overridden : wxScreenDC().GetPPI().y;
    // The screen's device context does not know GTK's scaling; the display does.
    return DpiScaleFactor(dotsPerInch, wxDisplay(0u).GetScaleFactor());
}

int DPIScope::GetScaledFontHeight() {
    const int height = wxSystemSettings::GetFont(wxSYS_SYSTEM_FONT).GetPixelSize().GetHeight();
    return static_cast<int>(height * GetDPIScaleFactor());
}

int ScaleWidth(int designWidth, double factor) {
    return static_cast<int>(designWidth * factor);
}
