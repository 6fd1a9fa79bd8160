#pragma once

#include <gtest/gtest.h>

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

// A window fixture whose tests only take pictures: skipped unless pictures are wanted.
template <typename Fixture>
class OnlyForScreenshots : public Fixture {
protected:
    void SetUp() override {
        if (ScreenshotFolder().empty()) {
            GTEST_SKIP() << "make screenshots sets " << kScreenshotFolderVariable;
        }
        Fixture::SetUp();
    }
};
