#pragma once

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/modalhook.h>

#include <deque>
#include <functional>

// Plays the user in the editors the commands open: each scripted step gets the dialog, may
// change and accept it, and gives the result ShowModal returns. Registered last, so it answers
// before the hook that fails unexpected dialogs. A step may open a nested editor, which the
// next step plays.
class EditorScript : public wxModalDialogHook {
public:
    EditorScript() { Register(); }
    ~EditorScript() override { EXPECT_TRUE(steps.empty()) << "an editor was never opened"; }
    std::deque<std::function<int(wxDialog*)>> steps;

protected:
    int Enter(wxDialog* dialog) override {
        if (steps.empty()) {
            return wxID_NONE;
        }
        auto step = steps.front();
        steps.pop_front();
        return step(dialog);
    }
    void Exit(wxDialog*) override {}
};
