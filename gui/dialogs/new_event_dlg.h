#pragma once

#include <array>
#include <functional>

#include "app/event_settings.h"
#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/dialogs/window_id.h"

class Event;
class MultiDaySchedule;
class QMController;
class wxCheckBox;
class wxComboBox;
class wxCommandEvent;
class wxTextCtrl;

// The settings of one event: its name, one day or two with their dates and hours, the slot
// length, the role words and the parents' gap mode. Serves New Event and Edit Event Details;
// writes only on an accepted OK and tells the caller whether the timing changed.
class NewEventDlg : public OKCancelDlg {
public:
    enum class Id : int { EditEmailServer = 1, EditLogoAndNotes = 2, TwoDays = 3 };

    NewEventDlg(wxWindow* parent, MultiDaySchedule* schedule, QMController* controller);

    // The e-mail server and print settings dialogs live in libraries above this one, so the
    // main window hands them in. Each edits the event at once, whatever this dialog's answer;
    // a button without its editor stays disabled.
    using SideEditor = std::function<void(wxWindow* parent, Event& event, QMController*)>;
    static void SetEmailServerEditor(SideEditor editor);
    static void SetLogoAndNotesEditor(SideEditor editor);

    // The whole OK: checks, questions, then the writes; false leaves everything as it was.
    bool TransferDataFromWindow() override;
    // Set by an accepted OK that changed the slot length or a day's date or hours.
    bool HasTimingChanged() const { return timing_ != TimingChange::None; }
    // How: only dates and later ends keep every slot.
    TimingChange GetTimingChange() const { return timing_; }

    // What the controls hold now.
    EventSettingsFields ReadFields() const;

    struct DayControls {
        wxTextCtrl* day = nullptr;
        wxComboBox* month = nullptr;
        wxTextCtrl* year = nullptr;
        wxTextCtrl* start = nullptr;
        wxTextCtrl* end = nullptr;
    };
    const DayControls& GetDayControls(int index) const { return days_[index]; }
    wxTextCtrl* GetNameBox() const { return name_; }
    wxTextCtrl* GetSlotLengthBox() const { return slotLength_; }
    wxTextCtrl* GetTeacherWordBox() const { return teacherWord_; }
    wxTextCtrl* GetParentWordBox() const { return parentWord_; }
    wxTextCtrl* GetPupilWordBox() const { return pupilWord_; }
    wxComboBox* GetGapModeList() const { return gapMode_; }
    wxCheckBox* GetTwoDaysBox() const { return twoDays_; }

private:
    void CreateControls();
    void CreateDateRow(int index);
    void LoadFields(const EventSettingsFields& fields);
    void UpdateEnabling();
    void OnTwoDaysChanged(wxCommandEvent& event);
    void OnSideEditor(wxCommandEvent& event);

    MultiDaySchedule* schedule_;
    QMController* controller_;
    EventSettingsFields shown_;
    wxTextCtrl* name_ = nullptr;
    std::array<DayControls, 2> days_;
    wxTextCtrl* slotLength_ = nullptr;
    wxTextCtrl* teacherWord_ = nullptr;
    wxTextCtrl* parentWord_ = nullptr;
    wxTextCtrl* pupilWord_ = nullptr;
    wxComboBox* gapMode_ = nullptr;
    wxCheckBox* twoDays_ = nullptr;
    TimingChange timing_ = TimingChange::None;
};
