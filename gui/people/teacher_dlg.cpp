#include "gui/people/teacher_dlg.h"

#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <string>

#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/string_entry_dlg.h"
#include "gui/dialogs/time_entry.h"
#include "gui/people/appt_edits.h"
#include "gui/people/attendee_pres_dlg.h"
#include "gui/people/people_edits.h"
#include "gui/people/t_appt_entry_dlg.h"
#include "model/attendance_record.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/person.h"
#include "model/schedule.h"

namespace {

// A teacher who teaches nothing named holds the empty subject, as every list and the event file
// give one; without it the appointment editors show the teacher no box until the file is opened
// again.
void KeepTheEmptySubject(Teacher& teacher) {
    if (teacher.GetSubjects().empty()) {
        teacher.AddSubject(std::string());
    }
}

bool SameAttendance(const AttendanceRecord& a, const AttendanceRecord& b) {
    return a.IsAttending() == b.IsAttending() && a.ArrivesLate() == b.ArrivesLate() &&
           a.LeavesEarly() == b.LeavesEarly() && a.GetStartTime() == b.GetStartTime() &&
           a.GetEndTime() == b.GetEndTime();
}

}  // namespace

TeacherDlg::TeacherDlg(wxWindow* parent, MultiDaySchedule* days, Teacher* teacher, EditMode mode)
    : DaySelectDlg(parent, "Teacher", days), editing_(mode == EditMode::Edit) {
    AddDaySelector();
    if (teacher != nullptr) {
        working_ = *teacher;
        edited_ = teacher;
    }
    if (GetCurrentDay() != nullptr) {
        event_ = GetCurrentDay()->GetEvent();
    }
    if (!event_) {
        event_ = days->GetEvent();
    }
    BuildControls();
    LoadDayValues();
    Centre(wxBOTH);
    Bind(wxEVT_BUTTON, &TeacherDlg::OnAddBreak, this, WxId(Id::AddBreak));
    Bind(wxEVT_BUTTON, &TeacherDlg::OnRemoveBreak, this, WxId(Id::RemoveBreak));
    Bind(wxEVT_BUTTON, &TeacherDlg::OnAddSubject, this, WxId(Id::AddSubject));
    Bind(wxEVT_BUTTON, &TeacherDlg::OnRemoveSubject, this, WxId(Id::RemoveSubject));
    Bind(wxEVT_BUTTON, &TeacherDlg::OnEditAppointments, this, WxId(Id::EditAppointments));
    Bind(wxEVT_BUTTON, &TeacherDlg::OnPresentations, this, WxId(Id::Presentations));
}

void TeacherDlg::BuildControls() {
    auto* columns = new wxBoxSizer(wxHORIZONTAL);
    auto* left = new wxBoxSizer(wxVERTICAL);
    auto* fields = new wxFlexGridSizer(2, 0, 0);
    auto addRow = [&](const char* label, wxWindow* control) {
        fields->Add(new wxStaticText(this, wxID_ANY, label), 0,
                    wxALIGN_RIGHT | wxALIGN_CENTER_VERTICAL | wxALL, 5);
        fields->Add(control, 0, wxALL, 5);
    };
    auto text = [&](const std::string& value) {
        return new wxTextCtrl(this, wxID_ANY, FromUtf8(value), wxDefaultPosition, ScaledSize(250));
    };
    name_ = text(working_.GetName());
    addRow("Teacher's name:", name_);
    initials_ = text(working_.GetInitials());
    addRow("Teacher's initials:", initials_);
    location_ = text(working_.GetLocation());
    addRow("Teacher's location during event:", location_);
    link_ = text(working_.GetMeetingLink());
    addRow("Meeting link:", link_);
    shownLength_ = std::to_string(working_.GetApptLength());
    length_ = text(shownLength_);
    addRow("Timeslots per appointment:", length_);
    email_ = text(working_.GetEmail());
    addRow("Email address (primary):", email_);
    emailAlt_ = text(working_.GetEmailAlt());
    addRow("Email address (alternate):", emailAlt_);
    emailSent_ = new wxStaticText(this, wxID_ANY, "No");
    addRow("Email sent:", emailSent_);
    left->Add(fields, 0, 0, 0);

    attendance_.Create(this, left, GetCurrentDay(), kTeacherAttendance);
    columns->Add(left, 0, 0, 0);

    auto* right = new wxBoxSizer(wxVERTICAL);
    auto listWithButtons = [&](const char* label, wxListBox* list, wxButton* first,
                               wxButton* second) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        auto* column = new wxBoxSizer(wxVERTICAL);
        column->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALL, 5);
        column->Add(list, 0, wxLEFT | wxRIGHT, 5);
        row->Add(column, 0, 0, 0);
        auto* buttons = new wxBoxSizer(wxVERTICAL);
        buttons->Add(first, 0, wxALL, 5);
        buttons->Add(second, 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
        row->Add(buttons, 0, wxALIGN_BOTTOM, 0);
        right->Add(row, 0, 0, 0);
    };
    subjects_ = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(345, 90));
    // Made one by one: the keyboard goes through controls in the order they were made.
    auto* addSubject =
        new wxButton(this, WxId(Id::AddSubject), "Add Subject", wxDefaultPosition, ScaledSize(150));
    auto* removeSubject = new wxButton(this, WxId(Id::RemoveSubject), "Remove Subject",
                                       wxDefaultPosition, ScaledSize(150));
    listWithButtons("Subjects taught:", subjects_, addSubject, removeSubject);
    breaks_ = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(345, 120));
    addBreak_ =
        new wxButton(this, WxId(Id::AddBreak), "Add Break", wxDefaultPosition, ScaledSize(150));
    removeBreak_ = new wxButton(this, WxId(Id::RemoveBreak), "Remove Break", wxDefaultPosition,
                                ScaledSize(150));
    listWithButtons("Breaks:", breaks_, addBreak_, removeBreak_);
    right->Add(new wxStaticText(this, wxID_ANY, "Appointments:"), 0, wxALL, 5);
    appointments_ = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(500, 170));
    right->Add(appointments_, 0, wxLEFT | wxRIGHT, 5);
    editAppointments_ = new wxButton(this, WxId(Id::EditAppointments), "Edit Appointments",
                                     wxDefaultPosition, ScaledSize(200));
    right->Add(editAppointments_, 0, wxALL, 5);
    presentations_ = new wxButton(this, WxId(Id::Presentations), "Presentations Attended",
                                  wxDefaultPosition, ScaledSize(200));
    right->Add(presentations_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
    columns->Add(right, 0, wxLEFT, 5);
    GetMainSizer()->Add(columns, 0, 0, 0);
    AddOKCancelButtons();
}

Teacher* TeacherDlg::EventTeacher() const {
    if (!editing_ || edited_ == nullptr || !event_ || event_->GetTeachers().IndexOf(edited_) < 0) {
        return nullptr;
    }
    return edited_;
}

bool TeacherDlg::IsLockedEdit() const {
    return editing_ && event_ && event_->IsLocked();
}

void TeacherDlg::LoadDayValues() {
    attendance_.ShowDay(GetCurrentDay(), &working_);
    UpdateControls();
}

void TeacherDlg::SaveDayValues() {
    (void)attendance_.Save(&working_);  // a refusal said why; the day changes anyway
}

void TeacherDlg::UpdateControls() {
    attendance_.SetLocked(IsLockedEdit());
    appointments_->Clear();
    breaks_->Clear();
    subjects_->Clear();
    Schedule* day = GetCurrentDay();
    Teacher* teacher = EventTeacher();
    editAppointments_->Enable(teacher != nullptr);
    presentations_->Enable(teacher != nullptr);
    if (teacher != nullptr && day != nullptr) {
        for (const std::string& line : TeacherBookingLines(*day, event_->GetTeachers(), teacher)) {
            appointments_->Append(FromUtf8(line));
        }
    }
    if (day != nullptr) {
        const bool severalDays = GetDays() != nullptr && GetDays()->GetDayCount() > 1;
        for (const std::string& line : TeacherBreakLines(working_, *day, severalDays)) {
            breaks_->Append(FromUtf8(line));
        }
    }
    for (const std::string& subject : working_.GetSubjects()) {
        subjects_->Append(FromUtf8(subject));
    }
    emailSent_->SetLabel(working_.GetEmailSent(EmailResults) ? "Yes" : "No");
    if (IsLockedEdit()) {
        for (wxWindow* control :
             std::initializer_list<wxWindow*>{editAppointments_, addBreak_, removeBreak_, name_,
                                              initials_, location_, link_, length_}) {
            control->Disable();
        }
    }
    FitToContents();
}

bool TeacherDlg::TransferDataFromWindow() {
    // Trimmed before the checks, as they are stored and the file compares them.
    const std::string name = TrimmedName(EnteredText(name_->GetValue()));
    const std::string initials = TrimmedName(EnteredText(initials_->GetValue()));
    const std::string location = EnteredText(location_->GetValue());
    const std::string link = EnteredText(link_->GetValue());
    const std::string email = EnteredText(email_->GetValue());
    const std::string emailAlt = EnteredText(emailAlt_->GetValue());
    const std::string lengthText = EnteredText(length_->GetLineText(0));
    // A locked timetable keeps everything that places appointments; addresses do not.
    if (IsLockedEdit()) {
        working_.SetEmail(email);
        working_.SetEmailAlt(emailAlt);
        KeepTheEmptySubject(working_);
        return true;
    }
    const int maxLength = GetDays() ? LongestDaySlots(*GetDays()) : 0;
    static const TeacherList noTeachers;
    const std::string fault =
        CheckTeacherFields(event_ ? event_->GetTeachers() : noTeachers, edited_, name, initials,
                           lengthText, shownLength_, maxLength);
    if (!fault.empty()) {
        ReportMessage(SeverityError, fault);
        return false;
    }
    if (!attendance_.Save(&working_)) {
        return false;
    }
    working_.SetName(name);
    working_.SetInitials(initials);
    working_.SetMeetingLink(link);
    working_.SetEmail(email);
    working_.SetEmailAlt(emailAlt);
    working_.SetLocation(location);
    if (lengthText != shownLength_) {
        working_.SetApptLength(ReadLeadingInt(lengthText));
    }
    KeepTheEmptySubject(working_);
    return true;
}

void TeacherDlg::AddBreak(const DateTime& when) {
    working_.AddBreak(when);
    UpdateControls();
}

void TeacherDlg::OnAddBreak(wxCommandEvent&) {
    TimeEntryDlg dialog(this, "Enter break time", "Please enter the time of the break:", GetDays());
    // The break is most likely wanted on the day the editor shows.
    if (GetCurrentDay() != nullptr) {
        dialog.SelectDate(GetCurrentDay()->GetDate());
        dialog.GetTimeCombo()->SetSchedule(dialog.GetCurrentDay());
    }
    if (dialog.ShowModal() == wxID_OK) {
        working_.AddBreak(dialog.GetDateTime());
    }
    UpdateControls();
}

bool TeacherDlg::RemoveSelectedBreak() {
    const int selected = breaks_->GetSelection();
    if (selected == wxNOT_FOUND) {
        ReportMessage(SeverityInformation,
                      "No break is selected - please select the break you wish to remove and "
                      "try again");
        return false;
    }
    const bool removed = GetCurrentDay() != nullptr &&
                         working_.RemoveBreakOnDate(GetCurrentDay()->GetDate(), selected);
    if (!removed) {
        ReportMessage(SeverityError, "Could not remove the selected break");
    }
    UpdateControls();
    return removed;
}

void TeacherDlg::OnRemoveBreak(wxCommandEvent&) {
    RemoveSelectedBreak();
}

void TeacherDlg::AddSubject(const std::string& subject) {
    if (!subject.empty()) {
        working_.AddSubject(subject);
    }
    UpdateControls();
}

void TeacherDlg::OnAddSubject(wxCommandEvent&) {
    StringEntryDlg dialog(this, "Enter subject", "Please enter the subject you wish to add:");
    if (dialog.ShowModal() == wxID_OK) {
        AddSubject(dialog.GetValue());
    } else {
        UpdateControls();
    }
}

bool TeacherDlg::RemoveSelectedSubject() {
    const int selected = subjects_->GetSelection();
    if (selected == wxNOT_FOUND) {
        ReportMessage(SeverityInformation,
                      "No subject is selected - please select the subject you wish to remove "
                      "and try again");
        return false;
    }
    const std::string gone = ToUtf8(subjects_->GetString(selected));
    const std::set<std::string> kept = working_.GetSubjects();
    working_.ClearSubjects();
    for (const std::string& subject : kept) {
        if (subject != gone) {
            working_.AddSubject(subject);
        }
    }
    UpdateControls();
    return true;
}

void TeacherDlg::OnRemoveSubject(wxCommandEvent&) {
    RemoveSelectedSubject();
}

void TeacherDlg::AfterAppointmentsEdited(bool saved,
                                         const std::map<Date, AttendanceRecord>& before) {
    savedWhileOpen_ = savedWhileOpen_ || saved;
    // The nested editor wrote into the event's teacher: a day it changed there must not be put
    // back by OK, and a day it left alone keeps what was typed here.
    if (saved && edited_ != nullptr) {
        for (const auto& [date, record] : edited_->GetRecords()) {
            const auto old = before.find(date);
            if (old != before.end() && SameAttendance(old->second, record)) {
                continue;
            }
            if (AttendanceRecord* copy = working_.GetOrCreateRecord(date)) {
                *copy = record;
            }
        }
        LoadDayValues();
    } else {
        UpdateControls();
    }
}

void TeacherDlg::OnEditAppointments(wxCommandEvent&) {
    Teacher* teacher = EventTeacher();
    if (teacher == nullptr) {
        UpdateControls();
        return;
    }
    // The day shown goes into the working copy first, as a day switch would take it.
    SaveDayValues();
    const std::map<Date, AttendanceRecord> before = teacher->GetRecords();
    bool saved = false;
    {
        TApptEntryDlg dialog(this, GetDays(), teacher);
        const bool accepted = dialog.ShowModal() == wxID_OK;
        saved = accepted || dialog.SavedWhileOpen();
    }
    AfterAppointmentsEdited(saved, before);
}

void TeacherDlg::OnPresentations(wxCommandEvent&) {
    if (Teacher* teacher = EventTeacher()) {
        AttendeePresDlg dialog(this, teacher, GetDays());
        dialog.ShowModal();
    }
    UpdateControls();
}
