#pragma once

#include <string>

#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/window_id.h"
#include "import/csv_column_chooser.h"

class CSVColumnMapping;
class StdioFile;
class wxButton;
class wxCheckBox;
class wxListBox;
class wxTextCtrl;

// Describes a CSV file before it is imported: shows its first lines, builds the ordered list of
// its columns from the types the mapping offers, whether to skip a header line, and a name to
// save the description under. A header naming known types fills the columns in by itself.
// The file is read from where it stands and not rewound; the mapping holds the columns after OK.
class DefineCSVDlg : public OKCancelDlg {
public:
    enum class Id : int {
        Remove = 1,
        Select = 2,
        MoveUp = 3,
        MoveDown = 4,
        Available = 5,
        Selected = 6
    };

    // Neither is owned; the file may be null.
    DefineCSVDlg(wxWindow* parent, StdioFile* file, CSVColumnMapping* mapping);

    bool GetIgnoreFirstLine() const;
    // As typed, untrimmed.
    std::string GetImportName() const;
    // The selected columns joined by ",".
    std::string GetColumnDefinition() const { return chooser_.GetDefinition(); }

    bool TransferDataFromWindow() override;
    void OnSelect(wxCommandEvent& event);
    void OnRemove(wxCommandEvent& event);
    void OnMoveUp(wxCommandEvent& event);
    void OnMoveDown(wxCommandEvent& event);
    void UpdateButtons();

    wxListBox* GetAvailableList() const { return available_; }
    wxListBox* GetSelectedList() const { return selected_; }
    wxTextCtrl* GetPreview() const { return preview_; }
    wxCheckBox* GetIgnoreBox() const { return ignoreFirstLine_; }
    wxTextCtrl* GetNameText() const { return name_; }
    wxButton* GetButton(Id id) const;

private:
    // The lists show the chooser's, nothing selected.
    void ShowLists();
    // The selected list shows the chooser's move of an entry from one index to another (-1: it
    // did not move).
    void ShowMove(int from, int to);

    wxListBox* available_;
    wxListBox* selected_;
    wxButton* remove_;
    wxButton* select_;
    wxButton* moveUp_;
    wxButton* moveDown_;
    wxTextCtrl* name_;
    wxCheckBox* ignoreFirstLine_;
    wxTextCtrl* preview_;
    CSVColumnMapping* mapping_;
    CSVColumnChooser chooser_;
};
