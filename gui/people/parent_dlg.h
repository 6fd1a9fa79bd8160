#pragma once

#include <memory>
#include <string>

#include "gui/dialogs/day_select_dlg.h"
#include "gui/dialogs/window_id.h"
#include "gui/people/attendance_row.h"
#include "gui/people/edit_mode.h"
#include "model/person.h"

class Event;
class Parent;
class TimeEntryCombo;
class wxButton;
class wxCheckBox;
class wxCommandEvent;
class wxListBox;
class wxStaticText;
class wxTextCtrl;

// The editor of one parent: names, addresses, identifier, notes and attendance wait for OK (a
// day switch saves the day left); pupils change at once, whatever the dialog's end.
class ParentDlg : public DaySelectDlg {
public:
    enum class Id : int {
        AddPupil = 1,
        EditPupil = 2,
        RemovePupil = 3,
        Presentations = 4,
        Pupils = 5
    };

    ParentDlg(wxWindow* parent, Parent* person, MultiDaySchedule* days, EditMode mode);

    bool TransferDataFromWindow() override;
    void RefreshLists();
    // Whether pupils were added, edited or removed.
    bool PupilsChanged() const { return pupilsChanged_; }
    // Whether anything reached the model before OK (pupils, or a day's attendance on a switch).
    bool SavedWhileOpen() const { return pupilsChanged_ || daySaved_; }
    // Removes the pupil at that index after its bookings are gone from every day; a refusal
    // removes nothing.
    bool RemovePupil(int index);

    wxTextCtrl* GetNameText() const { return name_; }
    wxTextCtrl* GetEmailText() const { return email_; }
    wxTextCtrl* GetEmailAltText() const { return emailAlt_; }
    wxTextCtrl* GetAddressText(int line) const { return address_[line]; }
    wxTextCtrl* GetIdentifierText() const { return identifier_; }
    wxTextCtrl* GetNotesText() const { return notes_; }
    wxCheckBox* GetUseNameBox() const { return useName_; }
    const AttendanceRow& GetAttendance() const { return attendance_; }
    wxCheckBox* GetAttendingBox() const { return attendance_.GetAttendingBox(); }
    wxCheckBox* GetLateBox() const { return attendance_.GetLateBox(); }
    wxCheckBox* GetEarlyBox() const { return attendance_.GetEarlyBox(); }
    TimeEntryCombo* GetArrivalCombo() const { return attendance_.GetArrivalCombo(); }
    TimeEntryCombo* GetDepartureCombo() const { return attendance_.GetDepartureCombo(); }
    wxListBox* GetPupilsList() const { return pupils_; }
    wxListBox* GetBookedList() const { return booked_; }
    wxStaticText* GetEmailSentLabel(EmailTextKind kind) const { return sent_[kind]; }
    wxButton* GetAddPupilButton() const { return addPupil_; }
    wxButton* GetRemovePupilButton() const { return removePupil_; }

protected:
    void SaveDayValues() override;
    void LoadDayValues() override;

private:
    void BuildControls();
    void ShowDay();
    void EditPupil(int index);
    void OnAddPupil(wxCommandEvent& event);
    void OnEditPupil(wxCommandEvent& event);
    void OnRemovePupil(wxCommandEvent& event);
    void OnPresentations(wxCommandEvent& event);
    // The identifier is typed only when the name does not identify the parent.
    void OnUseName(wxCommandEvent& event);
    // The parent's attendance on every day, as it stands, to tell whether the editor changed it.
    std::string AttendanceText() const;

    Parent* parent_;
    std::shared_ptr<Event> event_;
    bool editing_;
    bool pupilsChanged_ = false;
    bool daySaved_ = false;
    std::string attendanceAtOpen_;
    wxTextCtrl* name_ = nullptr;
    wxTextCtrl* email_ = nullptr;
    wxTextCtrl* emailAlt_ = nullptr;
    wxTextCtrl* address_[5] = {};
    wxTextCtrl* identifier_ = nullptr;
    wxTextCtrl* notes_ = nullptr;
    wxCheckBox* useName_ = nullptr;
    AttendanceRow attendance_;
    wxListBox* pupils_ = nullptr;
    wxListBox* booked_ = nullptr;
    wxStaticText* sent_[3] = {};
    wxButton* addPupil_ = nullptr;
    wxButton* removePupil_ = nullptr;
};
