#pragma once

#include <string>

#include "gui/dialogs/ok_cancel_dlg.h"

class wxComboBox;

// 0 "Low", 1 "Normal", 2 "High"; any other text keeps the current priority.
int PriorityFromChoice(const std::string& text, int current);

// Asks which priority the requests of an imported request list get when the list has no
// priority column.
class ImportPTPrioDlg : public OKCancelDlg {
public:
    explicit ImportPTPrioDlg(wxWindow* parent);

    bool TransferDataFromWindow() override;
    // 0 low, 1 normal, 2 high; read after OK.
    int GetPriority() const { return priority_; }
    wxComboBox* GetChoice() const { return choice_; }

private:
    wxComboBox* choice_;
    int priority_ = 1;
};
