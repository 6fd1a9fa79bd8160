#pragma once

#include <wx/dialog.h>
#include <wx/modalhook.h>

#include <functional>
#include <utility>

// Answers the modal dialogs shown during its life with a function, ahead of the catch-all hook;
// wxID_NONE lets a dialog through to the others.
class AnswerDialogs : public wxModalDialogHook {
public:
    explicit AnswerDialogs(std::function<int(wxDialog*)> answer) : answer_(std::move(answer)) {
        Register();
    }
    ~AnswerDialogs() override { Unregister(); }
    // Dialogs that reached the hook.
    int opened = 0;

protected:
    int Enter(wxDialog* dialog) override {
        ++opened;
        return answer_(dialog);
    }
    void Exit(wxDialog*) override {}

private:
    std::function<int(wxDialog*)> answer_;
};
