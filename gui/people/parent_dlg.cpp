#include "gui/people/parent_dlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/hyperlink.h>
#include <wx/listbox.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/people/attendee_pres_dlg.h"
#include "gui/people/people_edits.h"
#include "gui/people/pupil_dlg.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/person.h"
#include "model/pupil.h"
#include "model/schedule.h"

ParentDlg::ParentDlg(wxWindow* parent, Parent* person, MultiDaySchedule* days, EditMode mode)
    : DaySelectDlg(parent, "Parents", days),
      parent_(person),
      event_(days->GetEvent()),
      editing_(mode == EditMode::Edit) {
    // Pupils made here point back at their parents before their first request.
    parent_->AdoptPupils();
    attendanceAtOpen_ = AttendanceText();
    BuildControls();
    ShowDay();
    Centre(wxBOTH);
    Bind(wxEVT_BUTTON, &ParentDlg::OnAddPupil, this, WxId(Id::AddPupil));
    Bind(wxEVT_BUTTON, &ParentDlg::OnEditPupil, this, WxId(Id::EditPupil));
    Bind(wxEVT_BUTTON, &ParentDlg::OnRemovePupil, this, WxId(Id::RemovePupil));
    Bind(wxEVT_BUTTON, &ParentDlg::OnPresentations, this, WxId(Id::Presentations));
    Bind(wxEVT_LISTBOX_DCLICK, &ParentDlg::OnEditPupil, this, WxId(Id::Pupils));
}

void ParentDlg::BuildControls() {
    AddDaySelector();
    auto* columns = new wxBoxSizer(wxHORIZONTAL);
    auto* left = new wxBoxSizer(wxVERTICAL);
    auto* grid = new wxFlexGridSizer(2, 0, 0);
    int row = 0;
    auto addRow = [&](const char* label, wxWindow* field) {
        grid->Add(new wxStaticText(this, wxID_ANY, label), 0,
                  wxALIGN_CENTER_VERTICAL | (row == 0 ? wxALL : wxLEFT | wxRIGHT | wxBOTTOM), 5);
        grid->Add(field, 0, row == 0 ? wxRIGHT | wxTOP | wxBOTTOM : wxRIGHT | wxBOTTOM, 5);
        ++row;
    };
    auto text = [&](const std::string& value) {
        return new wxTextCtrl(this, wxID_ANY, FromUtf8(value), wxDefaultPosition, ScaledSize(400));
    };
    name_ = text(parent_->GetName());
    addRow("Parents names:", name_);
    email_ = text(parent_->GetEmail());
    addRow("Email address (primary):", email_);
    emailAlt_ = text(parent_->GetEmailAlt());
    addRow("Email address (alternate):", emailAlt_);
    for (int line = 0; line < 5; ++line) {
        address_[line] = text(parent_->GetAddress(line));
        addRow(line == 0 ? "Address:" : "", address_[line]);
    }
    useName_ = new wxCheckBox(this, wxID_ANY, "Use name to identify this parent");
    useName_->SetValue(parent_->GetUniqueIdOrName() == parent_->GetName());
    useName_->Bind(wxEVT_CHECKBOX, &ParentDlg::OnUseName, this);
    addRow("Unique identifier:", useName_);
    identifier_ = text(parent_->GetUniqueIdOrName());
    addRow("", identifier_);
    const char* sentLabels[] = {
        "Invitation email sent:", "Reminder email sent:", "Result email sent:"};
    for (int kind = 0; kind < 3; ++kind) {
        sent_[kind] = new wxStaticText(this, wxID_ANY, "No");
        addRow(sentLabels[kind], sent_[kind]);
    }
    if (!parent_->GetUrl().empty()) {
        const wxString url = FromUtf8(parent_->GetUrl());
        addRow("Website URL:",
               new wxHyperlinkCtrl(this, wxID_ANY, wxControl::EscapeMnemonics(url), url));
    }
    left->Add(grid, 0, 0, 0);

    attendance_.Create(this, left, GetCurrentDay(), kParentAttendance);
    columns->Add(left, 0, 0, 0);

    auto* right = new wxBoxSizer(wxVERTICAL);
    right->Add(new wxStaticText(this, wxID_ANY, "Pupils:"), 0, wxALL, 5);
    auto* pupilRow = new wxBoxSizer(wxHORIZONTAL);
    pupils_ = new wxListBox(this, WxId(Id::Pupils), wxDefaultPosition, wxSize(220, 80), 0, nullptr,
                            wxLB_SINGLE);
    pupilRow->Add(pupils_, 0, wxLEFT | wxRIGHT, 5);
    auto* pupilButtons = new wxBoxSizer(wxVERTICAL);
    addPupil_ =
        new wxButton(this, WxId(Id::AddPupil), "Add Pupil", wxDefaultPosition, ScaledSize(120));
    pupilButtons->Add(addPupil_, 0, 0, 0);
    pupilButtons->Add(
        new wxButton(this, WxId(Id::EditPupil), "Edit Pupil", wxDefaultPosition, ScaledSize(120)),
        0, 0, 0);
    removePupil_ = new wxButton(this, WxId(Id::RemovePupil), "Remove Pupil", wxDefaultPosition,
                                ScaledSize(120));
    pupilButtons->Add(removePupil_, 0, 0, 0);
    pupilRow->Add(pupilButtons, 0, wxALIGN_CENTER_VERTICAL, 0);
    right->Add(pupilRow, 0, 0, 0);
    right->Add(new wxStaticText(this, wxID_ANY, "Notes included on printout:"), 0, wxALL, 5);
    notes_ = new wxTextCtrl(this, wxID_ANY, FromUtf8(parent_->GetNotes()), wxDefaultPosition,
                            ScaledSize(350));
    right->Add(notes_, 0, wxLEFT | wxRIGHT, 5);
    right->Add(new wxStaticText(this, wxID_ANY, "Booked Appointments:"), 0, wxALL, 5);
    booked_ = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(350, 200));
    right->Add(booked_, 0, wxLEFT | wxRIGHT, 5);
    right->Add(new wxButton(this, WxId(Id::Presentations), "Presentations Attended",
                            wxDefaultPosition, ScaledSize(200)),
               0, wxALIGN_CENTER | wxALL, 5);
    columns->Add(right, 0, wxLEFT, 5);
    GetMainSizer()->Add(columns, 0, wxBOTTOM, 5);
    AddOKCancelButtons();
}

void ParentDlg::ShowDay() {
    attendance_.ShowDay(GetCurrentDay(), parent_);
    RefreshLists();
}

void ParentDlg::RefreshLists() {
    pupils_->Clear();
    for (unsigned i = 0; i < parent_->GetPupilCount(); ++i) {
        pupils_->Append(FromUtf8(parent_->GetPupil(i)->GetDisplayName()));
    }
    for (int kind = 0; kind < 3; ++kind) {
        sent_[kind]->SetLabel(parent_->GetEmailSent(static_cast<EmailTextKind>(kind)) ? "Yes"
                                                                                      : "No");
    }
    booked_->Clear();
    if (const Schedule* day = GetCurrentDay()) {
        for (const std::string& line : BookedLines(*day, *parent_)) {
            booked_->Append(FromUtf8(line));
        }
    }
    identifier_->Enable(!useName_->GetValue());
    const bool locked = editing_ && event_ && event_->IsLocked();
    attendance_.SetLocked(locked);
    if (locked) {
        for (wxWindow* window : std::initializer_list<wxWindow*>{useName_, addPupil_, removePupil_,
                                                                 name_, identifier_}) {
            window->Disable();
        }
    }
    FitToContents();
}

void ParentDlg::SaveDayValues() {
    if (GetCurrentDay() != nullptr && attendance_.Save(parent_)) {
        daySaved_ = true;
    }
}

void ParentDlg::LoadDayValues() {
    ShowDay();
}

bool ParentDlg::TransferDataFromWindow() {
    std::string identifier = EnteredText(identifier_->GetValue());
    const std::string name = TrimmedName(EnteredText(name_->GetValue()));
    const std::string email = EnteredText(email_->GetValue());
    const std::string emailAlt = EnteredText(emailAlt_->GetValue());
    if (useName_->GetValue()) {
        identifier = name;
    }
    if (name.empty()) {
        ReportMessage(SeverityError, "Please enter a name for this parent");
        return false;
    }
    if (event_) {
        // Only what was typed anew is checked, so a namesake added since cannot lock these
        // parents out; without an identifier the name becomes their key.
        const bool newIdentifier = identifier != parent_->GetUniqueIdOrName();
        const bool newName = name != parent_->GetName() || identifier.empty();
        const std::string clash = ParentKeyClash(
            event_->GetParents(), parent_, newIdentifier ? identifier : "", newName ? name : "");
        if (!clash.empty()) {
            ReportMessage(SeverityError, clash);
            return false;
        }
    }
    if (!attendance_.Save(parent_)) {
        return false;
    }
    parent_->SetName(name);
    parent_->SetUniqueId(identifier);
    parent_->SetEmail(email);
    parent_->SetEmailAlt(emailAlt);
    for (int line = 0; line < 5; ++line) {
        parent_->SetAddress(line, EnteredText(address_[line]->GetValue()));
    }
    parent_->SetNotes(EnteredText(notes_->GetValue()));
    if (editing_ && event_ && event_->IsLocked()) {
        // Refused, naming what the lock keeps, when the attendance was changed: an OK that
        // changed none has nothing to unbook.
        if (AttendanceText() != attendanceAtOpen_) {
            (void)GetDays()->UnbookOutOfRangeAppointments();
        }
    } else if (editing_ && GetCurrentDay()) {
        const MultiDaySchedule::TalkPlaces places = GetDays()->GetTalkPlaces();
        std::vector<std::string> lines;
        for (const Schedule::Unbooked& taken : GetCurrentDay()->UnbookOutOfRangeAppointments()) {
            lines.push_back(GetDays()->DescribeBooking(*GetCurrentDay(), taken));
        }
        ReportUnbookedOutOfRange(lines);
        GetDays()->ReportPlacesGivenUp(places);
    }
    return true;
}

std::string ParentDlg::AttendanceText() const {
    std::string text;
    const MultiDaySchedule* days = GetDays();
    for (unsigned d = 0; days != nullptr && d < days->GetDayCount(); ++d) {
        const Schedule* day = days->GetDay(d);
        text += std::to_string(parent_->IsAttending(day)) +
                (parent_->ArrivesLate(day) ? parent_->GetStartTime(day).Format(Time24hs) : "-") +
                (parent_->LeavesEarly(day) ? parent_->GetEndTime(day).Format(Time24hs) : "-") + ";";
    }
    return text;
}

void ParentDlg::OnAddPupil(wxCommandEvent&) {
    auto pupil = std::make_unique<Pupil>();
    int result = wxID_CANCEL;
    {
        PupilDlg dialog(this, parent_, pupil.get(), GetDays());
        result = dialog.ShowModal();
    }
    pupilsChanged_ = true;
    if (result == wxID_OK) {
        parent_->AddPupil(std::move(pupil));
    }
    RefreshLists();
}

void ParentDlg::EditPupil(int index) {
    if (index < 0) {
        if (parent_->GetPupilCount() != 1) {
            ReportMessage(SeverityWarning,
                          "No pupil is selected, please highlight a pupil in order to edit them");
            return;
        }
        index = 0;
    }
    pupilsChanged_ = true;
    {
        PupilDlg dialog(this, parent_, parent_->GetPupil(static_cast<unsigned>(index)), GetDays());
        dialog.ShowModal();
    }
    RefreshLists();
}

void ParentDlg::OnEditPupil(wxCommandEvent&) {
    EditPupil(pupils_->GetSelection());
}

bool ParentDlg::RemovePupil(int index) {
    Pupil* pupil = index >= 0 ? parent_->GetPupil(static_cast<unsigned>(index)) : nullptr;
    if (pupil == nullptr) {
        return false;
    }
    pupilsChanged_ = true;
    bool removed = true;
    if (ParentBelongsToEvent(*GetDays(), *parent_)) {
        // The model unbooks the pupil on every day first and refuses whole on a locked event.
        removed = GetDays()->DeletePupil(parent_, static_cast<unsigned>(index));
    } else {
        // Parents not yet in the event have no bookings, so a lock has nothing to refuse.
        parent_->DeletePupil(static_cast<unsigned>(index));
    }
    RefreshLists();
    return removed;
}

void ParentDlg::OnRemovePupil(wxCommandEvent&) {
    const int index = pupils_->GetSelection();
    if (index == wxNOT_FOUND) {
        return;
    }
    const Pupil* pupil = parent_->GetPupil(static_cast<unsigned>(index));
    if (PromptService::Current().ShowMessage(
            this,
            FromUtf8("Are you sure you want to remove the pupil " + pupil->GetDisplayName() + "?"),
            "Confirm removal", wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION) == wxID_YES) {
        RemovePupil(index);
    }
}

void ParentDlg::OnPresentations(wxCommandEvent&) {
    {
        AttendeePresDlg dialog(this, parent_, GetDays());
        dialog.ShowModal();
    }
    RefreshLists();
}

void ParentDlg::OnUseName(wxCommandEvent&) {
    RefreshLists();
}
