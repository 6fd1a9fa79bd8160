#pragma once

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/utils.h>

#include <deque>
#include <functional>

#include "import/wx/import_progress_dlg.h"
#include "import/wx/sims_progress_dlg.h"

// Answers the modal dialogs a test expects, in order. Each answer gets the dialog, may work it
// as a user would, and gives the code its ShowModal returns. A dialog of another type than the
// one expected fails the test and is cancelled; one nobody expected goes on to the harness.
class DialogAnswers : public wxModalDialogHook {
public:
    DialogAnswers() { Register(); }
    ~DialogAnswers() override {
        EXPECT_TRUE(answers_.empty()) << answers_.size() << " expected dialog(s) never shown";
        Unregister();
    }

    template <typename Dialog>
    DialogAnswers& Then(std::function<int(Dialog&)> answer) {
        answers_.push_back([answer](wxDialog* dialog) {
            auto* typed = dynamic_cast<Dialog*>(dialog);
            if (typed == nullptr) {
                ADD_FAILURE() << "Expected another dialog than '" << dialog->GetTitle().utf8_str()
                              << "'";
                return static_cast<int>(wxID_CANCEL);
            }
            return answer(*typed);
        });
        return *this;
    }

protected:
    int Enter(wxDialog* dialog) override {
        if (answers_.empty()) {
            return wxID_NONE;
        }
        auto answer = std::move(answers_.front());
        answers_.pop_front();
        return answer(dialog);
    }
    void Exit(wxDialog*) override {}

private:
    std::deque<std::function<int(wxDialog*)>> answers_;
};

// Shows a progress dialog and lets idle events drive it to its end, as its modal loop would
// (at most ten seconds); answers its return code.
template <typename Dialog, typename Ended>
int DriveByIdleEvents(Dialog& dialog, Ended ended) {
    dialog.Show();
    for (int round = 0; round < 2000 && !ended(dialog); ++round) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        wxMilliSleep(5);
    }
    EXPECT_TRUE(ended(dialog)) << "the progress dialog never ended";
    dialog.Hide();
    return dialog.GetReturnCode();
}

inline int RunToEnd(ImportProgressDlg& dialog) {
    return DriveByIdleEvents(dialog, [](ImportProgressDlg& d) { return d.IsDone(); });
}
inline int RunToEnd(SIMSCRProgressDlg& dialog) {
    return DriveByIdleEvents(dialog, [](SIMSCRProgressDlg& d) { return d.HasEnded(); });
}
