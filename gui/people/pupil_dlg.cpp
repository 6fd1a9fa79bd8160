#include "gui/people/pupil_dlg.h"

#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/time_entry.h"
#include "gui/people/people_edits.h"
#include "gui/people/teacher_entry_dlg.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

const char* const kChooseTeacher = "Please choose a teacher -";

}  // namespace

PupilDlg::PupilDlg(wxWindow* parent, Parent* owner, Pupil* pupil, MultiDaySchedule* days)
    : OKCancelDlg(parent, pupil->GetName().empty() ? "New Pupil" : pupil->GetName()),
      parent_(owner),
      pupil_(pupil),
      event_(days->GetEvent()),
      days_(days) {
    // A new pupil's requests must name its parents from the first one on.
    pupil_->SetParent(parent_);
    BuildControls();
    RefreshLists();
    Centre(wxBOTH);
    Bind(wxEVT_BUTTON, &PupilDlg::OnAddRequest, this, WxId(Id::AddRequest));
    Bind(wxEVT_BUTTON, &PupilDlg::OnRemoveRequest, this, WxId(Id::RemoveRequest));
    Bind(wxEVT_BUTTON, &PupilDlg::OnEditRequest, this, WxId(Id::EditRequest));
    Bind(wxEVT_LISTBOX_DCLICK, &PupilDlg::OnEditRequest, this, WxId(Id::Requests));
    Bind(wxEVT_BUTTON, &PupilDlg::OnUnbook, this, WxId(Id::Unbook));
    Bind(wxEVT_BUTTON, &PupilDlg::OnManualBook, this, WxId(Id::ManualBook));
}

void PupilDlg::BuildControls() {
    auto* columns = new wxBoxSizer(wxHORIZONTAL);
    auto* left = new wxBoxSizer(wxVERTICAL);
    auto* grid = new wxFlexGridSizer(2, 0, 0);
    const char* labels[] = {"Name:", "Form:", "House:", "Email:"};
    const std::string values[] = {pupil_->GetName(), pupil_->GetForm(), pupil_->GetHouse(),
                                  pupil_->GetEmail()};
    wxTextCtrl** boxes[] = {&name_, &form_, &house_, &email_};
    for (int row = 0; row < 4; ++row) {
        *boxes[row] = new wxTextCtrl(this, wxID_ANY, FromUtf8(values[row]), wxDefaultPosition,
                                     ScaledSize(300));
        grid->Add(new wxStaticText(this, wxID_ANY, labels[row]), 0,
                  wxALIGN_CENTER_VERTICAL | (row == 0 ? wxALL : wxLEFT | wxRIGHT | wxBOTTOM), 5);
        grid->Add(*boxes[row], 0, row == 0 ? wxRIGHT | wxBOTTOM | wxTOP : wxRIGHT | wxBOTTOM, 5);
    }
    grid->Add(new wxStaticText(this, wxID_ANY, "Parent(s):"), 0,
              wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT | wxBOTTOM, 5);
    grid->Add(new wxStaticText(this, wxID_ANY,
                               wxControl::EscapeMnemonics(
                                   FromUtf8(parent_ ? parent_->GetName() : std::string()))),
              0, wxALIGN_CENTER_VERTICAL | wxRIGHT | wxBOTTOM, 5);
    left->Add(grid, 0, wxALIGN_CENTER, 0);

    auto* appointments = new wxStaticBoxSizer(wxHORIZONTAL, this, "Appointments");
    requests_ = new wxListBox(appointments->GetStaticBox(), WxId(Id::Requests), wxDefaultPosition,
                              wxSize(300, 200), 0, nullptr, wxLB_SINGLE);
    appointments->Add(requests_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
    auto* buttons = new wxBoxSizer(wxVERTICAL);
    auto makeButton = [&](int id, const char* label) {
        auto* button = new wxButton(appointments->GetStaticBox(), id, label, wxDefaultPosition,
                                    ScaledSize(200));
        buttons->Add(button, 0, wxEXPAND, 0);
        return button;
    };
    makeButton(WxId(Id::AddRequest), "Add Appointment");
    editButton_ = makeButton(WxId(Id::EditRequest), "Edit Appointment");
    removeButton_ = makeButton(WxId(Id::RemoveRequest), "Remove Appointment");
    unbookButton_ = makeButton(WxId(Id::Unbook), "Unbook Appointment");
    makeButton(WxId(Id::ManualBook), "Manually Book Appointment");
    appointments->Add(buttons, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
    left->Add(appointments, 0, wxALL, 5);
    columns->Add(left, 0, 0, 0);

    auto* taught = new wxStaticBoxSizer(wxHORIZONTAL, this, "This pupil is taught by");
    taughtBy_ =
        new wxListBox(taught->GetStaticBox(), wxID_ANY, wxDefaultPosition, wxSize(300, 300));
    taught->Add(taughtBy_, 0, wxALL, 5);
    columns->Add(taught, 0, wxALL, 5);
    GetMainSizer()->Add(columns, 0, 0, 0);
    AddOKCancelButtons();
}

void PupilDlg::RefreshLists() {
    const bool locked = event_ && event_->IsLocked();
    editButton_->Enable(!locked);
    removeButton_->Enable(!locked);
    unbookButton_->Enable(!locked);
    requests_->Clear();
    for (unsigned i = 0; i < pupil_->GetRequestCount(); ++i) {
        requests_->Append(FromUtf8(RequestLine(*days_, *pupil_, i)));
    }
    taughtBy_->Clear();
    for (unsigned i = 0; i < pupil_->GetTaughtByCount(); ++i) {
        taughtBy_->Append(FromUtf8(TaughtByLine(*pupil_, i)));
    }
    FitToContents();
}

int PupilDlg::GetSelectedIndex() const {
    const int selection = requests_->GetSelection();
    if (selection != wxNOT_FOUND) {
        return selection;
    }
    return requests_->GetCount() == 1 ? 0 : -1;
}

int PupilDlg::SelectedOrReport() const {
    const int index = GetSelectedIndex();
    if (index < 0) {
        ReportMessage(SeverityError,
                      "No appointment is selected - please select an appointment first");
    }
    return index;
}

bool PupilDlg::Confirm(const std::string& question, const char* caption) {
    return PromptService::Current().ShowMessage(this, FromUtf8(question), caption,
                                                wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION) ==
           wxID_YES;
}

bool PupilDlg::TransferDataFromWindow() {
    const std::string name = TrimmedName(EnteredText(name_->GetValue()));
    if (name.empty()) {
        ReportMessage(SeverityError, "Please enter a name for this pupil");
        return false;
    }
    pupil_->SetName(name);
    pupil_->SetForm(EnteredText(form_->GetValue()));
    pupil_->SetHouse(EnteredText(house_->GetValue()));
    pupil_->SetEmail(EnteredText(email_->GetValue()));
    return true;
}

bool PupilDlg::AddRequest(const RequestEntry& entry) {
    const bool added = AddPupilRequest(*pupil_, entry);
    RefreshLists();
    return added;
}

bool PupilDlg::EditRequest(int index, int priority, int length) {
    const bool changed = index >= 0 && ChangeRequest(*days_, *pupil_, static_cast<unsigned>(index),
                                                     priority, length);
    RefreshLists();
    return changed;
}

bool PupilDlg::RemoveRequest(int index) {
    const bool removed =
        index >= 0 && RemovePupilRequest(*days_, *pupil_, static_cast<unsigned>(index));
    RefreshLists();
    return removed;
}

bool PupilDlg::Unbook(int index) {
    const AppointmentRequest* request = pupil_->GetRequest(static_cast<unsigned>(index));
    const bool unbooked =
        request != nullptr &&
        days_->RemoveAppointment(pupil_, request->GetTeacher(), request->GetSubject());
    RefreshLists();
    return unbooked;
}

bool PupilDlg::BookAt(int index, const DateTime& when) {
    const bool booked =
        index >= 0 && BookRequestAt(*days_, *pupil_, static_cast<unsigned>(index), when);
    RefreshLists();
    return booked;
}

void PupilDlg::OnAddRequest(wxCommandEvent&) {
    RequestEntry entry;
    {
        TeacherEntryDlg dialog(this, event_ ? &event_->GetTeachers() : nullptr, nullptr,
                               kChooseTeacher, LongestDaySlots(*days_));
        if (dialog.ShowModal() != wxID_OK || dialog.GetTeacher() == nullptr) {
            return;
        }
        entry.teacher = dialog.GetTeacher();
        entry.subject = dialog.GetSubject();
        entry.priority = dialog.GetPriority();
        entry.length = dialog.GetLength();
    }
    AddRequest(entry);
}

void PupilDlg::OnEditRequest(wxCommandEvent&) {
    const int index = SelectedOrReport();
    if (index < 0) {
        return;
    }
    int priority = 1;
    int length = -1;
    {
        TeacherEntryDlg dialog(this, event_ ? &event_->GetTeachers() : nullptr,
                               pupil_->GetRequest(static_cast<unsigned>(index)), kChooseTeacher,
                               LongestDaySlots(*days_));
        if (dialog.ShowModal() != wxID_OK) {
            return;
        }
        priority = dialog.GetPriority();
        length = dialog.GetLength();
    }
    EditRequest(index, priority, length);
}

void PupilDlg::OnRemoveRequest(wxCommandEvent&) {
    const int index = SelectedOrReport();
    if (index < 0) {
        return;
    }
    const AppointmentRequest* request = pupil_->GetRequest(static_cast<unsigned>(index));
    std::string question = "Are you sure you want to remove the request to see " +
                           (request->GetTeacher() ? request->GetTeacher()->GetName() : "");
    if (!request->GetSubject().empty()) {
        question += " about subject " + request->GetSubject();
    }
    if (Confirm(question + "?", "Confirm removal")) {
        RemoveRequest(index);
    }
}

void PupilDlg::OnUnbook(wxCommandEvent&) {
    const int index = SelectedOrReport();
    if (index < 0) {
        return;
    }
    if (!PupilBelongsToEvent(*days_, *pupil_) || !days_->FindAppointment(pupil_, index)) {
        ReportMessage(SeverityInformation, "This appointment is already unbooked");
        return;
    }
    const AppointmentRequest* request = pupil_->GetRequest(static_cast<unsigned>(index));
    if (Confirm("You are about to unbook the appointment with " +
                    (request->GetTeacher() ? request->GetTeacher()->GetName() : "") +
                    " - the request will remain and can be re-booked later. Are you sure you "
                    "want to do this?",
                "Confirm unbooking")) {
        Unbook(index);
    }
}

void PupilDlg::OnManualBook(wxCommandEvent&) {
    const int index = SelectedOrReport();
    if (index < 0 || !PupilBelongsToEvent(*days_, *pupil_)) {
        // Reports why a pupil outside the event cannot be booked.
        if (index >= 0) {
            CanBookByHand(*days_, *pupil_, static_cast<unsigned>(index));
        }
        return;
    }
    const AppointmentRequest* request = pupil_->GetRequest(static_cast<unsigned>(index));
    if (days_->FindAppointment(pupil_, index)) {
        if (!Confirm("This appointment is currently booked! To re-book it it must be unbooked "
                     "first. Are you sure you want to unbook this appointment?",
                     "Confirm unbooking")) {
            return;
        }
        // A refused unbooking (a locked event) ends it: the request must not be booked twice.
        if (!Unbook(index)) {
            return;
        }
    }
    DateTime when;
    {
        TimeEntryDlg dialog(this, "Choose time",
                            "Please choose a time for " + pupil_->GetName() + " to see " +
                                (request->GetTeacher() ? request->GetTeacher()->GetName() : "") +
                                ":",
                            days_);
        for (const DateTime& unfit : UnfitTimes(*days_, *pupil_, static_cast<unsigned>(index))) {
            dialog.ExcludeTime(unfit);
        }
        if (dialog.ShowModal() != wxID_OK) {
            RefreshLists();
            return;
        }
        when = dialog.GetDateTime();
    }
    BookAt(index, when);
}
