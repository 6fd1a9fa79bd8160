#pragma once

#include <gtest/gtest.h>
#include <wx/window.h>

#include <functional>
#include <string>
#include <vector>

// Pictures of windows for `make screenshots`: each window library's test binary has tests
// named Screenshots.* that show their windows and save them here. They are skipped unless
// QM_SCREENSHOT_DIR names the folder to write to.
inline constexpr const char* kScreenshotFolderVariable = "QM_SCREENSHOT_DIR";

// The folder, or "" when no pictures are wanted.
std::string ScreenshotFolder();

// Shows the window, lets it paint, and saves what is on screen inside it as <name>.png.
// False when the picture could not be taken.
bool SaveScreenshot(wxWindow* window, const std::string& name);

// A picture's name and what makes its window.
struct NamedWindow {
    const char* name;
    std::function<wxWindow*()> make;
};

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

    // Makes, saves and destroys each window in turn, each gone before the next is made.
    void SaveScreenshots(const std::vector<NamedWindow>& windows) {
        for (const auto& [name, make] : windows) {
            SCOPED_TRACE(name);
            wxWindow* window = make();
            EXPECT_TRUE(SaveScreenshot(window, name));
            window->Destroy();
            Fixture::ProcessPending();
        }
    }
};
