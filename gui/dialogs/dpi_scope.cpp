#include "gui/dialogs/dpi_scope.h"

#include <wx/dcscreen.h>
#include <wx/settings.h>

#include <cstdlib>

double DPIScope::GetDPIScaleFactor() {
    if (const char* overrideDpi = std::getenv(kDpiOverrideVariable)) {
        const double dpi = std::atof(overrideDpi);
        if (dpi > 0) {
            return dpi / 96.0;
        }
    }
    if (!wxTheApp) {
        return 1.0;
    }
    const wxSize ppi = wxScreenDC().GetPPI();
    return ppi.y > 0 ? ppi.y / 96.0 : 1.0;
}

int DPIScope::GetScaledFontHeight() {
    const int height = wxSystemSettings::GetFont(wxSYS_SYSTEM_FONT).GetPixelSize().GetHeight();
    return static_cast<int>(height * GetDPIScaleFactor());
}

int ScaleWidth(int designWidth, double factor) {
    return static_cast<int>(designWidth * factor);
}
