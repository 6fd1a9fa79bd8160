#pragma once

#include <memory>
#include <vector>

#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/window_id.h"
#include "gui/people/appt_check_box.h"
#include "gui/people/appt_edits.h"
#include "gui/people/attendance_row.h"
#include "model/person_list.h"

class Event;
class MultiDaySchedule;
class Pupil;
class wxButton;
class wxCommandEvent;
class wxFlexGridSizer;
class wxTextCtrl;

// "Edit Appointments" pupil by pupil: one box per teacher and subject the pupil may ask to see,
// and the parent's attendance per day. Leaving a pupil (a navigation button or OK) saves it.
class ApptEntryDlg : public OKCancelDlg {
public:
    enum class Id : int {
        NextForm = 1,
        PreviousForm = 2,
        NextPupil = 3,
        PreviousPupil = 4,
        SelectAll = 5,
        ClearAll = 6
    };

    // first: the pupil shown first, or null for the first in form and name order.
    ApptEntryDlg(wxWindow* parent, MultiDaySchedule* days, Pupil* first);
    ~ApptEntryDlg() override;

    bool TransferDataFromWindow() override;
    void SavePupil();
    void ShowPupil();
    void RebuildBoxes();
    // Whether anything reached the model before OK, so that the caller tidies up after Cancel.
    bool SavedWhileOpen() const { return savedWhileOpen_; }

    Pupil* GetCurrentPupil() const;
    const std::vector<ApptCheckBox*>& GetBoxes() const { return boxes_; }
    const std::vector<RequestPair>& GetPairs() const { return pairs_; }
    AttendanceRow* GetRow(unsigned day) const { return rows_[day].get(); }
    wxTextCtrl* GetFormText() const { return formText_; }
    wxTextCtrl* GetNameText() const { return nameText_; }

private:
    void ClearBoxes();
    void Step(int step, bool toOtherForm);
    void OnSelectAll(wxCommandEvent& event);
    void OnClearAll(wxCommandEvent& event);

    wxTextCtrl* formText_ = nullptr;
    wxTextCtrl* nameText_ = nullptr;
    std::vector<wxButton*> navigation_;
    wxFlexGridSizer* boxGrid_ = nullptr;
    std::shared_ptr<Event> event_;
    MultiDaySchedule* days_;
    PupilList pupils_;
    unsigned index_ = 0;
    std::vector<ApptCheckBox*> boxes_;
    std::vector<RequestPair> pairs_;
    std::vector<std::unique_ptr<AttendanceRow>> rows_;
    bool savedWhileOpen_ = false;
};
