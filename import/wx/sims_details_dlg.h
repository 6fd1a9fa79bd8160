#pragma once

#include <array>

#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/window_id.h"

class SIMSCommandReporter;
class wxTextCtrl;

// The checks of the SIMS details in order: the six details that must be given, then the program
// (a file that exists). The first fault is reported: false.
bool CheckSIMSDetails(const SIMSCommandReporter& details);

// Edits how the SIMS report program is run: the program, the login, the database and the
// report. The record changes only on OK; "Show info..." shows the command line the fields make,
// with the password masked.
class SIMSCommandReporterDlg : public OKCancelDlg {
public:
    enum class Id : int { Browse = 1, ShowInfo = 2 };
    enum Field {
        Executable,
        UserName,
        Password,
        ServerName,
        DatabaseName,
        ReportName,
        ReportParams,
        FieldCount
    };

    // The record is not owned.
    SIMSCommandReporterDlg(wxWindow* parent, SIMSCommandReporter* record);

    bool TransferDataFromWindow() override;
    void OnBrowse(wxCommandEvent& event);
    void OnShowInfo(wxCommandEvent& event);
    // The command line the fields make now, as "Show info..." shows it.
    std::string GetInfoText() const;

    wxTextCtrl* GetField(Field field) const { return fields_[field]; }

private:
    // The fields' values in a record of their own.
    void ReadFields(SIMSCommandReporter& into) const;

    std::array<wxTextCtrl*, FieldCount> fields_{};
    SIMSCommandReporter* record_;
};
