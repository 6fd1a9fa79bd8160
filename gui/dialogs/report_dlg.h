#pragma once

#include <wx/dialog.h>

#include <string>

#include "gui/dialogs/window_id.h"

class wxTextCtrl;

// Shows a long text the program produced, read-only, with buttons to copy it to the clipboard
// or save it to a file. Copy and save use the text as given, not what the box shows; text that
// is not UTF-8 is shown and copied as Windows-1252 and saved as given.
class ReportDlg : public wxDialog {
public:
    enum class Id : int { Copy = 1, Save = 2 };

    ReportDlg(wxWindow* parent, const std::string& title, const std::string& report);

    void OnCopyToClipboard(wxCommandEvent& event);
    void OnSaveToFile(wxCommandEvent& event);

    // Writes the report to the file, whole or not at all; reports the outcome.
    bool SaveTo(const std::string& path) const;
    wxTextCtrl* GetTextBox() const { return text_; }

private:
    std::string report_;
    wxTextCtrl* text_;
};
