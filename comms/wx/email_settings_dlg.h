#pragma once

#include <memory>

#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/window_id.h"

class Event;
class PrintSettings;
class wxCheckBox;

// Asked just before an e-mail run: who is e-mailed and how, with a way to the server dialog.
class EmailSettingsDlg : public OKCancelDlg {
public:
    enum class Id : int { EditEmailServer = 1 };

    EmailSettingsDlg(wxWindow* parent, std::shared_ptr<Event> event, PrintSettings* settings,
                     const char* prompt);

    // Copies the boxes into the settings; false when nobody would be e-mailed.
    bool TransferDataFromWindow() override;
    void OnEditEmailServer(wxCommandEvent& event);

    wxCheckBox* GetTeachersBox() const { return teachers_; }
    wxCheckBox* GetParentsBox() const { return parents_; }
    wxCheckBox* GetPupilsBox() const { return pupils_; }
    wxCheckBox* GetResendBox() const { return resend_; }
    wxCheckBox* GetTeacherBreaksBox() const { return teacherBreaks_; }

private:
    std::shared_ptr<Event> event_;
    PrintSettings* settings_;
    wxCheckBox* teachers_;
    wxCheckBox* parents_;
    wxCheckBox* pupils_;
    wxCheckBox* resend_;
    wxCheckBox* teacherBreaks_;
};
