#include "gui/support/screenshot.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <cstdlib>

std::string ScreenshotFolder() {
    const char* folder = std::getenv(kScreenshotFolderVariable);
    return folder ? folder : "";
}

bool SaveScreenshot(wxWindow* window, const std::string& name) {
    const std::string folder = ScreenshotFolder();
    if (folder.empty()) {
        return false;
    }
    window->Show();
    window->Raise();
    // The X server paints asynchronously: give it a few rounds to settle.
    for (int round = 0; round < 15; ++round) {
        window->Update();
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
            loop->YieldFor(wxEVT_CATEGORY_ALL);
        }
        wxMilliSleep(20);
    }
    // The screen's pixels: GTK's scale factor (GDK_SCALE) multiplies the window's own.
    const double scale = window->GetContentScaleFactor();
    const wxRect logical = window->GetScreenRect();
    const wxRect area(
        wxPoint(static_cast<int>(logical.x * scale), static_cast<int>(logical.y * scale)),
        wxSize(static_cast<int>(logical.width * scale), static_cast<int>(logical.height * scale)));
    const std::string command = "import -window root -crop " + std::to_string(area.width) + "x" +
                                std::to_string(area.height) + "+" + std::to_string(area.x) + "+" +
                                std::to_string(area.y) + " +repage '" + folder + "/" + name +
                                ".png'";
    return std::system(command.c_str()) == 0;
}
