#pragma once

#include <wx/modalhook.h>

// Fails the running test for every modal dialog that nothing else answered, and dismisses it at
// once with its negative answer (No, Cancel), so a test never waits for a click.
class UnexpectedDialogHook : public wxModalDialogHook {
protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}
};
