#include "import/wx/sims_details_dlg.h"

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "import/sims_command_reporter.h"

namespace {

std::string SIMSCommandReporter::*const kMembers[] = {
    &SIMSCommandReporter::executable,   &SIMSCommandReporter::userName,
    &SIMSCommandReporter::password,     &SIMSCommandReporter::serverName,
    &SIMSCommandReporter::databaseName, &SIMSCommandReporter::reportName,
    &SIMSCommandReporter::reportParams,
};

}  // namespace

bool CheckSIMSDetails(const SIMSCommandReporter& details) {
    const std::pair<const std::string*, const char*> required[] = {
        {&details.executable, "Please enter an executable name"},
        {&details.userName, "Please enter a username"},
        {&details.password, "Please enter your password"},
        {&details.serverName, "Please enter a server name"},
        {&details.databaseName, "Please enter a database name"},
        {&details.reportName, "Please enter a report name"},
    };
    for (const auto& [value, message] : required) {
        if (value->empty()) {
            ReportMessage(SeverityError, message);
            return false;
        }
    }
    FileName program(details.executable);
    if (!program.Exists()) {
        ReportMessage(SeverityError, "File '" + details.executable + "' does not exist");
        return false;
    }
    if (program.IsDirectory()) {
        ReportMessage(SeverityError,
                      "Executable '" + details.executable + "' is not a valid program");
        return false;
    }
    // Each detail reaches the program as an argument of its own, so any character may stand.
    return true;
}

SIMSCommandReporterDlg::SIMSCommandReporterDlg(wxWindow* parent, SIMSCommandReporter* record)
    : OKCancelDlg(parent, "SIMS Import Details", wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      record_(record) {
    auto* grid = new wxFlexGridSizer(2, 5, 5);
    const char* const labels[] = {"CommandReporter executable:", "SIMS username:", "SIMS password:",
                                  "Server and instance name:",   "Database name:", "Report name:",
                                  "Report parameters:"};
    for (int field = 0; field < FieldCount; ++field) {
        grid->Add(new wxStaticText(this, wxID_ANY, labels[field]), 0, wxALIGN_CENTER_VERTICAL);
        const long style = field == Password ? wxTE_PASSWORD : 0;
        const wxSize size = ScaledSize(field == Executable ? 280 : 400);
        fields_[field] = new wxTextCtrl(this, wxID_ANY, FromUtf8(record_->*kMembers[field]),
                                        wxDefaultPosition, size, style);
        if (field == Executable) {
            auto* row = new wxBoxSizer(wxHORIZONTAL);
            row->Add(fields_[field], 0, wxALIGN_CENTER_VERTICAL);
            row->Add(new wxButton(this, WxId(Id::Browse), "Browse...", wxDefaultPosition,
                                  ScaledSize(115)),
                     0, wxLEFT | wxRIGHT | wxALIGN_CENTER_VERTICAL, 5);
            grid->Add(row, 0, 0);
        } else {
            grid->Add(fields_[field], 0, 0);
        }
    }
    grid->Add(new wxStaticText(this, wxID_ANY, "Information:"), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(
        new wxButton(this, WxId(Id::ShowInfo), "Show info...", wxDefaultPosition, ScaledSize(115)),
        0, 0);
    GetMainSizer()->Add(grid, 0, wxTOP | wxLEFT, 5);
    AddOKCancelButtons();
    Centre(wxBOTH);
    Bind(wxEVT_BUTTON, &SIMSCommandReporterDlg::OnBrowse, this, WxId(Id::Browse));
    Bind(wxEVT_BUTTON, &SIMSCommandReporterDlg::OnShowInfo, this, WxId(Id::ShowInfo));
}

void SIMSCommandReporterDlg::ReadFields(SIMSCommandReporter& into) const {
    for (int field = 0; field < FieldCount; ++field) {
        into.*kMembers[field] = ToUtf8(fields_[field]->GetValue());
    }
}

bool SIMSCommandReporterDlg::TransferDataFromWindow() {
    SIMSCommandReporter edited;
    ReadFields(edited);
    if (!CheckSIMSDetails(edited)) {
        return false;
    }
    for (auto member : kMembers) {
        record_->*member = edited.*member;
    }
    return true;
}

void SIMSCommandReporterDlg::OnBrowse(wxCommandEvent&) {
    FileChoice choice;
    if (PromptService::Current().ChooseFile(
            this,
            {"Choose the CommandReporter executable",
             "EXE Files (*.exe)|*.exe;*.EXE|All Files (*.*)|*", wxFD_OPEN},
            &choice)) {
        fields_[Executable]->SetValue(choice.path);
    }
}

std::string SIMSCommandReporterDlg::GetInfoText() const {
    SIMSCommandReporter shown;
    ReadFields(shown);
    return "SIMS CommandReporter will be called using the following command:\n" +
           shown.BuildCommandLine();
}

void SIMSCommandReporterDlg::OnShowInfo(wxCommandEvent&) {
    ReportDlg info(this, "CommandReporter Information", GetInfoText());
    info.ShowModal();
}
