#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/qm_controller.h"
#include "foundation/uc_error.h"
#include "model/score.h"
#include "support/score_switches.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

// For tests of the controller on real files: a temporary folder holding the user data folder
// ($XDG_CONFIG_HOME) and a folder for the user's event files, and a controller started in it.
// Each further "run" of the program is a controller of its own; a crash is one destroyed
// without the window's closing steps. The standalone score switches and the environment are
// put back afterwards.
class ControllerFixture : public ::testing::Test {
protected:
    ControllerFixture() {
        std::filesystem::create_directories(root_ + "/events");
        controller_.Initialise();
    }

    std::string EventPath(const std::string& name) const { return root_ + "/events/" + name; }
    std::string DataFolder() const { return root_ + "/config/Quillmoot"; }
    // Writes an event file into the events folder and returns its path.
    std::string Write(const std::string& name, const std::string& text) const {
        return folder_.Write("events/" + name, text);
    }
    static std::string Read(const std::string& path) { return ReadWholeFile(path); }

    TempFolder folder_{"qm-controller"};
    const std::string root_ = folder_.Path();
    ScopedEnv configHome_{"XDG_CONFIG_HOME", (root_ + "/config").c_str()};
    StandaloneScoreSwitches switches_;
    UCStringError sink_;
    // Declared last so that it is gone, with its locks, before the folder is removed.
    QMController controller_;
};
