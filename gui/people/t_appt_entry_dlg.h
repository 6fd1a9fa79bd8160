#pragma once

#include <memory>
#include <vector>

#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/window_id.h"
#include "gui/people/appt_check_box.h"
#include "gui/people/attendance_row.h"
#include "model/form.h"

class MultiDaySchedule;
class Pupil;
class Teacher;
class wxCommandEvent;
class wxFlexGridSizer;
class wxTextCtrl;

// "Edit Appointments" for one teacher, form by form: one box per pupil of the form and subject
// of the teacher, and the teacher's attendance per day. Leaving a form (a navigation button or
// OK) saves it. The boxes are made once, for the largest form, and relabelled for each form.
class TApptEntryDlg : public OKCancelDlg {
public:
    enum class Id : int { NextForm = 1, PreviousForm = 2 };

    TApptEntryDlg(wxWindow* parent, MultiDaySchedule* days, Teacher* teacher);
    ~TApptEntryDlg() override;

    bool TransferDataFromWindow() override;
    void ShowForm();
    void SaveForm();
    void LoadAttendance();
    // Whether anything reached the model before OK, so that the caller tidies up after Cancel.
    bool SavedWhileOpen() const { return savedWhileOpen_; }

    Form* GetCurrentForm() const { return forms_.GetForm(index_); }
    const std::vector<ApptCheckBox*>& GetPool() const { return pool_; }
    AttendanceRow* GetRow(unsigned day) const { return rows_[day].get(); }
    wxTextCtrl* GetFormText() const { return formText_; }

private:
    // Box k's pupil and subject on the current form; false for a spare box.
    bool PairOf(unsigned k, Pupil** pupil, std::string* subject) const;
    void Step(int step);

    wxTextCtrl* formText_ = nullptr;
    wxFlexGridSizer* boxGrid_ = nullptr;
    Teacher* teacher_;
    MultiDaySchedule* days_;
    FormList forms_;
    unsigned index_ = 0;
    std::vector<ApptCheckBox*> pool_;
    std::vector<std::unique_ptr<AttendanceRow>> rows_;
    bool savedWhileOpen_ = false;
};
