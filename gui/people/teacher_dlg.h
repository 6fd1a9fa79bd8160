#pragma once

#include <map>
#include <memory>
#include <string>

#include "gui/dialogs/day_select_dlg.h"
#include "gui/dialogs/window_id.h"
#include "gui/people/attendance_row.h"
#include "gui/people/edit_mode.h"
#include "model/teacher.h"

class Event;
class TimeEntryCombo;
class wxButton;
class wxCheckBox;
class wxCommandEvent;
class wxListBox;
class wxStaticText;
class wxTextCtrl;

// The editor of one teacher. It edits a working copy, which the caller assigns to the teacher
// after OK; the appointments and presentations buttons act on the event's teacher at once.
class TeacherDlg : public DaySelectDlg {
public:
    enum class Id : int {
        AddBreak = 1,
        RemoveBreak = 2,
        AddSubject = 3,
        RemoveSubject = 4,
        EditAppointments = 5,
        Presentations = 6
    };

    // Edit: the teacher already belongs to the event; Add: a new one.
    TeacherDlg(wxWindow* parent, MultiDaySchedule* days, Teacher* teacher, EditMode mode);

    bool TransferDataFromWindow() override;
    void UpdateControls();
    const Teacher& GetWorkingCopy() const { return working_; }
    // Whether the appointments editor saved into the model, so that the caller tidies up
    // after Cancel too.
    bool SavedWhileOpen() const { return savedWhileOpen_; }

    // The nested editors, after they closed; the handlers open them and call these. before:
    // the event's teacher's attendance as the appointments editor found it.
    void AfterAppointmentsEdited(bool saved, const std::map<Date, AttendanceRecord>& before);
    void AddBreak(const DateTime& when);
    bool RemoveSelectedBreak();
    void AddSubject(const std::string& subject);
    bool RemoveSelectedSubject();

    wxTextCtrl* GetNameText() const { return name_; }
    wxTextCtrl* GetInitialsText() const { return initials_; }
    wxTextCtrl* GetLocationText() const { return location_; }
    wxTextCtrl* GetLinkText() const { return link_; }
    wxTextCtrl* GetLengthText() const { return length_; }
    wxTextCtrl* GetEmailText() const { return email_; }
    wxTextCtrl* GetEmailAltText() const { return emailAlt_; }
    wxStaticText* GetEmailSentLabel() const { return emailSent_; }
    const AttendanceRow& GetAttendance() const { return attendance_; }
    wxCheckBox* GetAttendingBox() const { return attendance_.GetAttendingBox(); }
    wxCheckBox* GetLateBox() const { return attendance_.GetLateBox(); }
    wxCheckBox* GetEarlyBox() const { return attendance_.GetEarlyBox(); }
    TimeEntryCombo* GetArrivalCombo() const { return attendance_.GetArrivalCombo(); }
    TimeEntryCombo* GetDepartureCombo() const { return attendance_.GetDepartureCombo(); }
    wxListBox* GetSubjectsList() const { return subjects_; }
    wxListBox* GetBreaksList() const { return breaks_; }
    wxListBox* GetAppointmentsList() const { return appointments_; }

protected:
    void SaveDayValues() override;
    void LoadDayValues() override;

private:
    void BuildControls();
    // The event's own teacher: only it can have appointments and presentations.
    Teacher* EventTeacher() const;
    bool IsLockedEdit() const;
    void OnAddBreak(wxCommandEvent& event);
    void OnRemoveBreak(wxCommandEvent& event);
    void OnAddSubject(wxCommandEvent& event);
    void OnRemoveSubject(wxCommandEvent& event);
    void OnEditAppointments(wxCommandEvent& event);
    void OnPresentations(wxCommandEvent& event);

    Teacher working_;
    Teacher* edited_ = nullptr;
    std::shared_ptr<Event> event_;
    bool editing_;
    bool savedWhileOpen_ = false;
    wxTextCtrl* name_ = nullptr;
    wxTextCtrl* initials_ = nullptr;
    wxTextCtrl* location_ = nullptr;
    wxTextCtrl* link_ = nullptr;
    wxTextCtrl* length_ = nullptr;
    std::string shownLength_;
    wxTextCtrl* email_ = nullptr;
    wxTextCtrl* emailAlt_ = nullptr;
    wxStaticText* emailSent_ = nullptr;
    AttendanceRow attendance_;
    wxListBox* subjects_ = nullptr;
    wxListBox* breaks_ = nullptr;
    wxListBox* appointments_ = nullptr;
    wxButton* addBreak_ = nullptr;
    wxButton* removeBreak_ = nullptr;
    wxButton* editAppointments_ = nullptr;
    wxButton* presentations_ = nullptr;
};
