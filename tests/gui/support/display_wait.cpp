// Xlib's macros (None, Status, Bool) clash with other headers: it stays in this file alone.
#include "gui/support/display_wait.h"

#include <X11/Xlib.h>
#include <unistd.h>

bool WaitForDisplay() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) {
            XCloseDisplay(display);
            return true;
        }
        usleep(250 * 1000);
    }
    return false;
}
