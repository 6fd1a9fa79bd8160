#include "import/wx/define_csv_dlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "gui/dialogs/prompt_service.h"
#include "model/importer_csv.h"

namespace {

void Fill(wxListBox* list, const std::vector<std::string>& names) {
    wxArrayString items;
    for (const std::string& name : names) {
        items.Add(FromUtf8(name));
    }
    list->Set(items);
}

}  // namespace

DefineCSVDlg::DefineCSVDlg(wxWindow* parent, StdioFile* file, CSVColumnMapping* mapping)
    : OKCancelDlg(parent, "Import CSV file"), mapping_(mapping), chooser_(*mapping) {
    wxBoxSizer* main = GetMainSizer();
    main->Add(new wxStaticText(this, wxID_ANY, "First three lines from the file:"), 0, wxALL, 5);
    preview_ = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxSize(610, 75),
                              wxTE_MULTILINE | wxTE_READONLY | wxHSCROLL);
    main->Add(preview_, 0, wxLEFT | wxRIGHT, 5);
    ignoreFirstLine_ = new wxCheckBox(this, wxID_ANY, "Ignore the first line");
    main->Add(ignoreFirstLine_, 0, wxALL, 5);
    main->Add(new wxStaticText(this, wxID_ANY,
                               "Please describe the file by moving columns into the 'Selected "
                               "columns' box below."),
              0, wxLEFT | wxRIGHT, 5);
    main->Add(new wxStaticText(this, wxID_ANY,
                               "The order of your selected columns is important and must match "
                               "the file."),
              0, wxALL, 5);

    const wxSize listSize(250, 250);
    const wxSize buttonSize(100, 30);
    auto* columns = new wxBoxSizer(wxHORIZONTAL);
    auto* left = new wxBoxSizer(wxVERTICAL);
    left->Add(new wxStaticText(this, wxID_ANY, "Available columns:"), 0, wxBOTTOM, 5);
    available_ = new wxListBox(this, WxId(Id::Available), wxDefaultPosition, listSize, 0, nullptr,
                               wxLB_SINGLE);
    left->Add(available_, 0, 0);
    columns->Add(left, 0, wxALL, 5);

    auto* middle = new wxBoxSizer(wxVERTICAL);
    select_ = new wxButton(this, WxId(Id::Select), "Select >>", wxDefaultPosition, buttonSize);
    remove_ = new wxButton(this, WxId(Id::Remove), "<< Remove", wxDefaultPosition, buttonSize);
    middle->Add(select_, 0, wxBOTTOM, 5);
    middle->Add(remove_, 0, 0);
    columns->Add(middle, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);

    auto* right = new wxBoxSizer(wxVERTICAL);
    right->Add(new wxStaticText(this, wxID_ANY, "Selected columns:"), 0, wxBOTTOM, 5);
    selected_ = new wxListBox(this, WxId(Id::Selected), wxDefaultPosition, listSize, 0, nullptr,
                              wxLB_SINGLE);
    right->Add(selected_, 0, 0);
    auto* moves = new wxBoxSizer(wxHORIZONTAL);
    moveUp_ = new wxButton(this, WxId(Id::MoveUp), "Move up", wxDefaultPosition, buttonSize);
    moveDown_ = new wxButton(this, WxId(Id::MoveDown), "Move down", wxDefaultPosition, buttonSize);
    moves->Add(moveUp_, 0, wxRIGHT, 5);
    moves->Add(moveDown_, 0, 0);
    right->Add(moves, 0, wxTOP | wxALIGN_CENTER_HORIZONTAL, 5);
    columns->Add(right, 0, wxALL, 5);
    main->Add(columns, 0, wxALIGN_CENTER_HORIZONTAL);

    main->Add(new wxStaticText(this, wxID_ANY,
                               "If you wish to save this import, enter a name for it below:"),
              0, wxALL, 5);
    name_ = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxSize(610, 25));
    main->Add(name_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
    AddOKCancelButtons();

    const CSVFilePreview lines = ReadCSVPreview(file);
    preview_->SetValue(FromUtf8(lines.text));
    if (chooser_.ApplyHeader(*mapping_, lines.firstLine)) {
        ignoreFirstLine_->SetValue(true);
    }
    ShowLists();
    Centre(wxBOTH);

    Bind(wxEVT_BUTTON, &DefineCSVDlg::OnRemove, this, WxId(Id::Remove));
    Bind(wxEVT_BUTTON, &DefineCSVDlg::OnSelect, this, WxId(Id::Select));
    Bind(wxEVT_BUTTON, &DefineCSVDlg::OnMoveUp, this, WxId(Id::MoveUp));
    Bind(wxEVT_BUTTON, &DefineCSVDlg::OnMoveDown, this, WxId(Id::MoveDown));
    Bind(wxEVT_LISTBOX, [this](wxCommandEvent&) { UpdateButtons(); });
    Bind(wxEVT_LISTBOX_DCLICK, &DefineCSVDlg::OnSelect, this, WxId(Id::Available));
    Bind(wxEVT_LISTBOX_DCLICK, &DefineCSVDlg::OnRemove, this, WxId(Id::Selected));
}

wxButton* DefineCSVDlg::GetButton(Id id) const {
    switch (id) {
        case Id::Remove:
            return remove_;
        case Id::Select:
            return select_;
        case Id::MoveUp:
            return moveUp_;
        case Id::MoveDown:
            return moveDown_;
        default:
            return nullptr;
    }
}

bool DefineCSVDlg::GetIgnoreFirstLine() const {
    return ignoreFirstLine_->GetValue();
}

std::string DefineCSVDlg::GetImportName() const {
    return EnteredText(name_->GetValue());
}

void DefineCSVDlg::ShowLists() {
    Fill(available_, chooser_.GetAvailable());
    Fill(selected_, chooser_.GetSelected());
    UpdateButtons();
}

void DefineCSVDlg::UpdateButtons() {
    const bool entrySelected = selected_->GetSelection() != wxNOT_FOUND;
    select_->Enable(available_->GetSelection() != wxNOT_FOUND);
    remove_->Enable(entrySelected);
    moveUp_->Enable(entrySelected && selected_->GetCount() > 1);
    moveDown_->Enable(entrySelected && selected_->GetCount() > 1);
}

// The lists change entry by entry, so that each keeps its selection the way a user expects: the
// entry chosen on the right stays chosen while columns go in before it, and "<Unused>" stays
// chosen on the left for the next one.
void DefineCSVDlg::OnSelect(wxCommandEvent&) {
    const int chosen = available_->GetSelection();
    const int before = selected_->GetSelection();
    const size_t offered = chooser_.GetAvailable().size();
    const int at = chooser_.Select(chosen, before);
    if (at < 0) {
        return;
    }
    selected_->Insert(FromUtf8(chooser_.GetSelected()[static_cast<size_t>(at)]),
                      static_cast<unsigned>(at));
    if (before != wxNOT_FOUND) {
        selected_->SetSelection(before + 1);
    }
    if (chooser_.GetAvailable().size() < offered) {
        available_->Delete(static_cast<unsigned>(chosen));
    }
    UpdateButtons();
}

void DefineCSVDlg::OnRemove(wxCommandEvent&) {
    const int entry = selected_->GetSelection();
    const size_t offered = chooser_.GetAvailable().size();
    if (!chooser_.Remove(entry)) {
        return;
    }
    selected_->Delete(static_cast<unsigned>(entry));
    if (chooser_.GetAvailable().size() > offered) {
        available_->Append(FromUtf8(chooser_.GetAvailable().back()));
    }
    UpdateButtons();
}

void DefineCSVDlg::ShowMove(int from, int to) {
    if (to < 0) {
        return;
    }
    for (int index : {from, to}) {
        selected_->SetString(static_cast<unsigned>(index),
                             FromUtf8(chooser_.GetSelected()[static_cast<size_t>(index)]));
    }
    selected_->SetSelection(to);
    UpdateButtons();
}

void DefineCSVDlg::OnMoveUp(wxCommandEvent&) {
    const int entry = selected_->GetSelection();
    ShowMove(entry, chooser_.MoveUp(entry));
}

void DefineCSVDlg::OnMoveDown(wxCommandEvent&) {
    const int entry = selected_->GetSelection();
    ShowMove(entry, chooser_.MoveDown(entry));
}

bool DefineCSVDlg::TransferDataFromWindow() {
    chooser_.FillMapping(*mapping_);
    return true;
}
