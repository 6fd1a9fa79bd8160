#include "gui/people/appt_entry_dlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/wupdlock.h>

#include "gui/dialogs/prompt_service.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

ApptEntryDlg::ApptEntryDlg(wxWindow* parent, MultiDaySchedule* days, Pupil* first)
    : OKCancelDlg(parent, "Edit Appointments"), event_(days->GetEvent()), days_(days) {
    // GTK pads buttons so much that a square one would hide its arrow.
    const wxSize square(GetRowHeight(), GetRowHeight());
    auto button = [&](int id, const char* label) {
        auto* b = new wxButton(this, id, label, wxDefaultPosition, square, wxBU_EXACTFIT);
        navigation_.push_back(b);
        return b;
    };
    auto* top = new wxFlexGridSizer(8, 0, 0);
    top->Add(new wxStaticText(this, wxID_ANY, "Pupil Name:"), 0,
             wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
    top->Add(button(WxId(Id::PreviousPupil), "<"), 0, 0, 0);
    nameText_ =
        new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, ScaledSize(200), wxTE_READONLY);
    top->Add(nameText_, 0, 0, 0);
    top->Add(button(WxId(Id::NextPupil), ">"), 0, wxRIGHT, 5);
    top->Add(new wxStaticText(this, wxID_ANY, "Form:"), 0,
             wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 5);
    top->Add(button(WxId(Id::PreviousForm), "<"), 0, 0, 0);
    formText_ =
        new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, ScaledSize(100), wxTE_READONLY);
    top->Add(formText_, 0, 0, 0);
    top->Add(button(WxId(Id::NextForm), ">"), 0, 0, 0);
    GetMainSizer()->Add(top, 0, wxALIGN_CENTER | wxALL, 5);

    for (unsigned d = 0; d < days_->GetDayCount(); ++d) {
        rows_.push_back(std::make_unique<AttendanceRow>());
        rows_.back()->Create(this, GetMainSizer(), days_->GetDay(d), kAppointmentAttendance);
        rows_.back()->SetLocked(days_->GetEvent() && days_->GetEvent()->IsLocked());
    }
    auto* all = new wxBoxSizer(wxHORIZONTAL);
    all->Add(
        new wxButton(this, WxId(Id::SelectAll), "Select All", wxDefaultPosition, ScaledSize(100)),
        0, 0, 0);
    all->Add(
        new wxButton(this, WxId(Id::ClearAll), "Clear All", wxDefaultPosition, ScaledSize(100)), 0,
        wxLEFT, 5);
    GetMainSizer()->Add(all, 0, wxLEFT | wxTOP, 5);

    if (event_) {
        GatherSortedPupils(*event_, pupils_);
    }
    index_ = FindPupilIndex(pupils_, first);
    boxGrid_ = new wxFlexGridSizer(5, 0, 0);
    GetMainSizer()->Add(boxGrid_, 0, wxALIGN_CENTER | wxLEFT | wxTOP, 5);
    RebuildBoxes();
    AddOKCancelButtons();
    Centre(wxBOTH);
    ShowPupil();

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Step(1, true); }, WxId(Id::NextForm));
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Step(-1, true); }, WxId(Id::PreviousForm));
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Step(1, false); }, WxId(Id::NextPupil));
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Step(-1, false); }, WxId(Id::PreviousPupil));
    Bind(wxEVT_BUTTON, &ApptEntryDlg::OnSelectAll, this, WxId(Id::SelectAll));
    Bind(wxEVT_BUTTON, &ApptEntryDlg::OnClearAll, this, WxId(Id::ClearAll));
}

ApptEntryDlg::~ApptEntryDlg() = default;

Pupil* ApptEntryDlg::GetCurrentPupil() const {
    return index_ < pupils_.Count() ? pupils_.At(index_) : nullptr;
}

void ApptEntryDlg::ClearBoxes() {
    for (ApptCheckBox* box : boxes_) {
        boxGrid_->Detach(box);
        box->Destroy();
    }
    boxes_.clear();
    pairs_.clear();
}

void ApptEntryDlg::RebuildBoxes() {
    // Dozens of boxes go and come for every pupil: one layout at the end, not one per box.
    wxWindowUpdateLocker frozen(this);
    ClearBoxes();
    if (event_) {
        pairs_ = PupilPairs(event_->GetTeachers(), GetCurrentPupil());
    }
    for (const RequestPair& pair : pairs_) {
        auto* box = new ApptCheckBox(this, PairLabel(pair.teacher->GetName(), pair.subject));
        box->SetPriority(pair.teacher->GetPriority());
        box->UpdateLabel(false);
        boxGrid_->Add(box, 0, wxRIGHT, 5);
        boxes_.push_back(box);
    }
    boxGrid_->Layout();
    GetMainSizer()->Layout();
    Fit();
    Refresh();
    ShowPupil();
}

void ApptEntryDlg::ShowPupil() {
    Pupil* pupil = GetCurrentPupil();
    if (pupil == nullptr) {
        nameText_->Disable();
        formText_->Disable();
        for (wxButton* button : navigation_) {
            button->Disable();
        }
        for (auto& row : rows_) {
            row->Enable(false);
        }
        // Ticks without a pupil would be saved nowhere.
        for (ApptCheckBox* box : boxes_) {
            box->Disable();
        }
        return;
    }
    formText_->ChangeValue(FromUtf8(pupil->GetForm()));
    nameText_->ChangeValue(FromUtf8(pupil->GetName()));
    for (auto& row : rows_) {
        row->Load(pupil->GetParent());
    }
    const bool locked = event_ && event_->IsLocked();
    for (size_t k = 0; k < boxes_.size(); ++k) {
        const BoxView view = ViewRequestBox(*pupil, pairs_[k].teacher, pairs_[k].subject, locked);
        boxes_[k]->SetValue(view.checked);
        boxes_[k]->Enable(view.enabled);
        if (view.priority) {
            boxes_[k]->SetPriority(*view.priority);
            boxes_[k]->UpdateLabel(false);
        }
    }
    Layout();
}

void ApptEntryDlg::SavePupil() {
    Pupil* pupil = GetCurrentPupil();
    if (pupil == nullptr) {
        return;
    }
    savedWhileOpen_ = true;
    for (size_t k = 0; k < boxes_.size(); ++k) {
        ApplyRequestBox(*days_, *pupil, pairs_[k].teacher, pairs_[k].subject, boxes_[k]->GetValue(),
                        boxes_[k]->GetPriority());
    }
    if (pupil->GetParent() != nullptr && days_->GetDayCount() > 0) {
        for (auto& row : rows_) {
            row->Save(pupil->GetParent());
        }
    }
}

void ApptEntryDlg::Step(int step, bool toOtherForm) {
    if (GetCurrentPupil() == nullptr) {
        return;
    }
    SavePupil();
    const unsigned start = index_;
    index_ = toOtherForm ? StepToOtherForm(pupils_, index_, step)
                         : StepIndex(index_, pupils_.Count(), step);
    // A pupil step always starts the boxes afresh, even back on the same pupil; a form step
    // that found no other form leaves them as they were.
    if (toOtherForm && index_ == start) {
        ShowPupil();
    } else {
        RebuildBoxes();
    }
}

bool ApptEntryDlg::TransferDataFromWindow() {
    SavePupil();
    return true;
}

// A disabled box stands for a request the locked timetable keeps: ticking or clearing it
// would only ask the model for what it must refuse.
void ApptEntryDlg::OnSelectAll(wxCommandEvent&) {
    for (ApptCheckBox* box : boxes_) {
        if (box->IsEnabled()) {
            box->SetValue(true);
        }
    }
}

void ApptEntryDlg::OnClearAll(wxCommandEvent&) {
    for (ApptCheckBox* box : boxes_) {
        if (box->IsEnabled()) {
            box->SetValue(false);
        }
    }
}
