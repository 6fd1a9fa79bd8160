#pragma once

// Fixed pixel sizes of the windows are designed for 96 dpi and scaled by the screen's vertical
// resolution. The environment variable QM_DPI, when it holds a positive number, stands in for
// the screen's value, so tests and screenshots can run at any resolution.
class DPIScope {
public:
    // Screen dpi / 96; 1.0 when no screen can be asked. Read afresh at every call.
    static double GetDPIScaleFactor();
    // The system font's pixel height times the factor, truncated.
    static int GetScaledFontHeight();
};

inline constexpr const char* kDpiOverrideVariable = "QM_DPI";

// The factor for a screen of this many dots per inch on which the window system already draws
// every pixel `contentScale` times (GTK's scaling on a high-resolution screen): sizes are in the
// window system's pixels, so its own scaling is not applied twice, and it never shrinks them.
double DpiScaleFactor(double dotsPerInch, double contentScale);

// A design width in pixels scaled by the factor, truncated toward zero.
int ScaleWidth(int designWidth, double factor);
