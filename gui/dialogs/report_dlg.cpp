#include "gui/dialogs/report_dlg.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/filedlg.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include <cerrno>
#include <cstring>

#include "foundation/output_file.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"

ReportDlg::ReportDlg(wxWindow* parent, const std::string& title, const std::string& report)
    : wxDialog(parent, wxID_ANY, FromUtf8(title), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      report_(report) {
    auto* mainSizer = new wxBoxSizer(wxVERTICAL);
    text_ = new wxTextCtrl(this, wxID_ANY, FromUtf8(report_), wxDefaultPosition, wxSize(700, 500),
                           wxTE_MULTILINE | wxTE_READONLY);
    mainSizer->Add(text_, 1, wxEXPAND | wxALL, 5);

    auto* row = new wxBoxSizer(wxHORIZONTAL);
    auto* close = new wxButton(this, wxID_CANCEL, "Close");
    close->SetDefault();
    row->Add(close, 0, wxALL, 5);
    row->Add(new wxButton(this, WxId(Id::Copy), "Copy to Clipboard"), 0, wxTOP | wxBOTTOM | wxRIGHT,
             5);
    row->Add(new wxButton(this, WxId(Id::Save), "Save to File"), 0, wxTOP | wxBOTTOM | wxRIGHT, 5);
    mainSizer->Add(row, 0, 0, 0);

    SetSizer(mainSizer);
    mainSizer->SetSizeHints(this);
    CentreOnParent(wxBOTH);

    Bind(wxEVT_BUTTON, &ReportDlg::OnCopyToClipboard, this, WxId(Id::Copy));
    Bind(wxEVT_BUTTON, &ReportDlg::OnSaveToFile, this, WxId(Id::Save));
}

void ReportDlg::OnCopyToClipboard(wxCommandEvent&) {
    if (!wxTheClipboard->Open()) {
        ReportMessage(SeverityError, "Copy to the clipboard failed");
        return;
    }
    wxTheClipboard->SetData(new wxTextDataObject(FromUtf8(report_)));
    // Otherwise the text would vanish from the clipboard when the program exits.
    wxTheClipboard->Flush();
    wxTheClipboard->Close();
}

void ReportDlg::OnSaveToFile(wxCommandEvent&) {
    FileRequest request{"Choose a filename to save as", "All files (*.*)|*",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT};
    FileChoice choice;
    if (PromptService::Current().ChooseFile(this, request, &choice)) {
        SaveTo(ToUtf8(choice.path));
    }
}

bool ReportDlg::SaveTo(const std::string& path) const {
    if (!WriteOutputFile(path, report_)) {
        // The cause goes below the message, which keeps its usual wording.
        UCError::Current().AddDetail(std::strerror(errno));
        ReportMessage(SeverityError, "Cannot write to file '" + path + "'");
        return false;
    }
    ReportMessage(SeverityInformation, "File saved successfully");
    return true;
}
