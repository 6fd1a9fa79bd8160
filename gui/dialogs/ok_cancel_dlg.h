#pragma once

#include <wx/dialog.h>

#include <string>

class wxBoxSizer;

// The base of the program's modal dialogs: one vertical sizer that derived dialogs fill top to
// bottom, a standard row height for single-line controls, widths scaled for the screen, and the
// OK/Cancel (or single close) row added last. A dialog's whole OK is its
// TransferDataFromWindow(): it checks the fields in order, stops at the first fault with its
// message, or else writes the model and returns true; wx's own OK closes the dialog only then.
class OKCancelDlg : public wxDialog {
public:
    OKCancelDlg(wxWindow* parent, const std::string& title, long style = wxDEFAULT_DIALOG_STYLE);

    // The design width times the DPI factor (truncated), the standard row height high.
    wxSize ScaledSize(int designWidth) const;
    int GetRowHeight() const { return rowHeight_; }
    wxBoxSizer* GetMainSizer() const { return mainSizer_; }

    void AddOKCancelButtons();
    void AddCloseButton(const std::string& label);

    // Yes and No under "Please confirm", No the default.
    bool AskYesNo(const std::string& question);

    // Before the dialog appears: every control as wide as its text needs (the dialog grows to
    // hold them), and the keyboard on the field the dialog chose, or else on the first text box
    // or choice.
    bool Show(bool show = true) override;
    // After a list or label changed: the dialog grows when a control must. True when it grew.
    bool FitToContents();

protected:
    // Adds the button row at the left edge and fits the dialog to what it holds.
    void AddButtonRow(wxSizer* row);
    // Where the keyboard starts when that is not the first field.
    void SetFirstField(wxWindow* field) { firstField_ = field; }
    void DoCentre(int direction) override;

private:
    wxBoxSizer* mainSizer_;
    int rowHeight_;
    wxWindow* firstField_ = nullptr;
    bool centred_ = false;
};
