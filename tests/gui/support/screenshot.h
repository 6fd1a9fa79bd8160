#pragma once

#include <string>

class wxWindow;

// Pictures of windows for `make screenshots`: each window library's test binary has tests
// named Screenshots.* that show their windows and save them here. They are skipped unless
// QM_SCREENSHOT_DIR names the folder to write to.
inline constexpr const char* kScreenshotFolderVariable = "QM_SCREENSHOT_DIR";

// The folder, or "" when no pictures are wanted.
std::string ScreenshotFolder();

// Shows the window, lets it paint, and saves what is on screen inside it as <name>.png.
// False when the picture could not be taken.
bool SaveScreenshot(wxWindow* window, const std::string& name);
