#pragma once

#include <vector>

#include "gui/dialogs/ok_cancel_dlg.h"

class Attendee;
class MultiDaySchedule;
class wxCheckBox;
class wxCommandEvent;

// "Presentations": which of the event's presentations one teacher or parent attends.
class AttendeePresDlg : public OKCancelDlg {
public:
    AttendeePresDlg(wxWindow* parent, Attendee* attendee, MultiDaySchedule* days);

    // Applies the whole choice, or nothing when one of them cannot be attended.
    bool TransferDataFromWindow() override;
    // Box i stands for the event's i-th presentation.
    const std::vector<wxCheckBox*>& GetBoxes() const { return boxes_; }

private:
    Attendee* attendee_;
    MultiDaySchedule* days_;
    std::vector<wxCheckBox*> boxes_;
};
