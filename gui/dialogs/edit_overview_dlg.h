#pragma once

#include <map>
#include <string>

#include "foundation/colour.h"
#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/window_id.h"

class UserSettings;
class wxButton;
class wxColourPickerCtrl;

// The thirteen colours of the timetable overview, kept in the user's settings so they apply to
// every event. "Reset to default" deletes the thirteen settings at once, and that stays done
// even when the dialog is then cancelled.
class EditOverviewDlg : public OKCancelDlg {
public:
    enum class Id : int { Reset = 1 };

    EditOverviewDlg(wxWindow* parent, UserSettings* settings);

    void LoadColours();
    static void SetPickerColour(wxColourPickerCtrl* picker, const Colour& colour);
    static Colour GetPickerColour(wxColourPickerCtrl* picker);

    void OnResetToDefault(wxCommandEvent& event);
    // OK stores the colours the user changed; the others stay as stored, so that another copy
    // of the program that changed them meanwhile keeps its change.
    bool TransferDataFromWindow() override;

    // Row order of the dialog's grid: booked OK, sibling gap and wait, each high, normal, low.
    wxColourPickerCtrl* GetBookedOKPicker(int level) const { return bookedOK_[level]; }
    wxColourPickerCtrl* GetTwinGapPicker(int level) const { return twinGap_[level]; }
    wxColourPickerCtrl* GetBookedBadPicker(int level) const { return bookedBad_[level]; }
    wxColourPickerCtrl* GetTeacherBusyPicker() const { return teacherBusy_; }
    wxColourPickerCtrl* GetTeacherBreakPicker() const { return teacherBreak_; }
    wxColourPickerCtrl* GetAbsentPicker() const { return absent_; }
    wxColourPickerCtrl* GetPresentationPicker() const { return presentation_; }
    wxButton* GetResetButton() const { return reset_; }

private:
    // Shows the colour and remembers it as the one the user started from.
    void ShowColour(wxColourPickerCtrl* picker, const Colour& colour);
    bool IsChanged(wxColourPickerCtrl* picker) const;

    UserSettings* settings_;
    std::map<const wxColourPickerCtrl*, std::string> shown_;
    // Indexed by priority level: 0 low, 1 normal, 2 high.
    wxColourPickerCtrl* bookedOK_[3];
    wxColourPickerCtrl* bookedBad_[3];
    wxColourPickerCtrl* twinGap_[3];
    wxColourPickerCtrl* presentation_;
    wxColourPickerCtrl* teacherBusy_;
    wxColourPickerCtrl* teacherBreak_;
    wxColourPickerCtrl* absent_;
    wxButton* reset_;
};
