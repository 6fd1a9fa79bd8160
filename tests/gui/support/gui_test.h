#pragma once

#include <gtest/gtest.h>
#include <wx/frame.h>

#include <string>

#include "gui/support/recording_sink.h"
#include "gui/support/scripted_prompts.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

// For window tests: a hidden top-level frame to parent dialogs, scripted prompts, a recording
// message sink, a fresh user data folder and the screen's own resolution (no QM_DPI). Windows
// a test made are destroyed and pending events processed when it ends.
class GuiTest : public ::testing::Test {
protected:
    GuiTest();
    ~GuiTest() override;

    wxFrame* TopWindow();
    // Lets pending events (CallAfter, deletions) run.
    static void ProcessPending();
    // Copies the example event into the test's folder and returns the copy's path.
    std::string CopyExampleEvent(const std::string& name = "school.qmv") const;

    TempFolder folder_{"qm-gui"};
    ScopedEnv configHome_{"XDG_CONFIG_HOME", (folder_.Path() + "/config").c_str()};
    ScopedEnv dpi_{"QM_DPI", nullptr};
    RecordingSink sink_;
    ScriptedPrompts prompts_;

private:
    wxFrame* parent_ = nullptr;
};
