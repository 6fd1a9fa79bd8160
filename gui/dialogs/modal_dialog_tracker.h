#pragma once

#include <wx/modalhook.h>

// Knows whether a modal dialog is open anywhere in the program, so that work arriving from
// outside (a file dropped from the desktop) can wait for no dialog to be in the way.
class ModalDialogTracker : public wxModalDialogHook {
public:
    // Registered on first use and kept for the whole run.
    static ModalDialogTracker& Instance();

    bool IsModalDialogOpen() const { return openCount_ > 0; }
    void Opened() { ++openCount_; }
    void Closed() {
        if (openCount_ > 0) {
            --openCount_;
        }
    }

protected:
    int Enter(wxDialog*) override {
        Opened();
        return wxID_NONE;
    }
    void Exit(wxDialog*) override { Closed(); }

private:
    int openCount_ = 0;
};
