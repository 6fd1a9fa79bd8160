#include "gui/people/t_appt_entry_dlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/wupdlock.h>

#include "gui/dialogs/prompt_service.h"
#include "gui/people/appt_edits.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

TApptEntryDlg::TApptEntryDlg(wxWindow* parent, MultiDaySchedule* days, Teacher* teacher)
    : OKCancelDlg(parent, "Edit Appointments"), teacher_(teacher), days_(days) {
    GetMainSizer()->Add(
        new wxStaticText(this, wxID_ANY,
                         wxControl::EscapeMnemonics(FromUtf8("Teacher: " + teacher->GetName()))),
        0, wxALIGN_CENTER | wxTOP, 5);
    for (unsigned d = 0; d < days_->GetDayCount(); ++d) {
        rows_.push_back(std::make_unique<AttendanceRow>());
        rows_.back()->Create(this, GetMainSizer(), days_->GetDay(d), kAppointmentAttendance);
        rows_.back()->SetLocked(days_->GetEvent() && days_->GetEvent()->IsLocked());
    }
    // GTK pads buttons so much that a square one would hide its arrow.
    const wxSize square(GetRowHeight(), GetRowHeight());
    auto* top = new wxFlexGridSizer(4, 0, 0);
    top->Add(new wxStaticText(this, wxID_ANY, "Form:"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    top->Add(
        new wxButton(this, WxId(Id::PreviousForm), "<", wxDefaultPosition, square, wxBU_EXACTFIT),
        0, wxTOP | wxBOTTOM | wxRIGHT, 5);
    formText_ =
        new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, ScaledSize(200), wxTE_READONLY);
    top->Add(formText_, 0, wxTOP | wxBOTTOM | wxRIGHT, 5);
    top->Add(new wxButton(this, WxId(Id::NextForm), ">", wxDefaultPosition, square, wxBU_EXACTFIT),
             0, wxTOP | wxBOTTOM | wxRIGHT, 5);
    GetMainSizer()->Add(top, 0, wxALIGN_CENTER | wxALL, 5);

    if (const auto& event = days_->GetEvent()) {
        ParentList& parents = event->GetParents();
        for (unsigned p = 0; p < parents.Count(); ++p) {
            for (unsigned i = 0; i < parents.At(p)->GetPupilCount(); ++i) {
                forms_.AddPupil(parents.At(p)->GetPupil(i));
            }
        }
        FormSortByName byName;
        forms_.Sort(byName);
    }
    const size_t poolSize =
        static_cast<size_t>(forms_.GetLargestFormSize()) * teacher_->GetSubjects().size();
    boxGrid_ = new wxFlexGridSizer(5, 0, 0);
    for (size_t k = 0; k < poolSize; ++k) {
        auto* box = new ApptCheckBox(this, "");
        box->SetPriority(teacher_->GetPriority());
        box->UpdateLabel(false);
        boxGrid_->Add(box, 0, wxBOTTOM | wxRIGHT, 5);
        pool_.push_back(box);
    }
    GetMainSizer()->Add(boxGrid_, 0, wxALIGN_CENTER | wxLEFT | wxTOP, 5);
    AddOKCancelButtons();
    Centre(wxBOTH);
    ShowForm();

    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Step(1); }, WxId(Id::NextForm));
    Bind(
        wxEVT_BUTTON, [this](wxCommandEvent&) { Step(-1); }, WxId(Id::PreviousForm));
}

TApptEntryDlg::~TApptEntryDlg() = default;

bool TApptEntryDlg::PairOf(unsigned k, Pupil** pupil, std::string* subject) const {
    const Form* form = GetCurrentForm();
    const auto& subjects = teacher_->GetSubjects();
    if (form == nullptr || subjects.empty()) {
        return false;
    }
    const unsigned pupilIndex = k / static_cast<unsigned>(subjects.size());
    if (pupilIndex >= form->GetPupils().Count()) {
        return false;
    }
    *pupil = form->GetPupils().At(pupilIndex);
    *subject = *std::next(subjects.begin(), k % subjects.size());
    return true;
}

void TApptEntryDlg::LoadAttendance() {
    for (auto& row : rows_) {
        row->Load(teacher_);
    }
}

void TApptEntryDlg::ShowForm() {
    wxWindowUpdateLocker frozen(this);
    const Form* form = GetCurrentForm();
    formText_->ChangeValue(form ? FromUtf8(form->GetName()) : wxString());
    LoadAttendance();
    if (form != nullptr) {
        const bool locked = days_->GetEvent() && days_->GetEvent()->IsLocked();
        for (unsigned k = 0; k < pool_.size(); ++k) {
            ApptCheckBox* box = pool_[k];
            Pupil* pupil = nullptr;
            std::string subject;
            if (!PairOf(k, &pupil, &subject)) {
                box->SetBaseLabel("", false);
                box->SetValue(false);
                box->Disable();
                continue;
            }
            const BoxView view = ViewRequestBox(*pupil, teacher_, subject, locked);
            box->SetValue(view.checked);
            box->Enable(view.enabled);
            if (view.priority) {
                box->SetPriority(*view.priority);
            }
            box->SetBaseLabel(PairLabel(pupil->GetName(), subject), false);
        }
    }
    GetMainSizer()->Layout();
    GetMainSizer()->SetSizeHints(this);
}

void TApptEntryDlg::SaveForm() {
    savedWhileOpen_ = true;
    for (unsigned k = 0; k < pool_.size(); ++k) {
        Pupil* pupil = nullptr;
        std::string subject;
        if (PairOf(k, &pupil, &subject)) {
            ApplyRequestBox(*days_, *pupil, teacher_, subject, pool_[k]->GetValue(),
                            pool_[k]->GetPriority());
        }
    }
    // The attendance belongs to the teacher, not to a form: an event without pupils keeps it.
    for (auto& row : rows_) {
        row->Save(teacher_);
    }
}

void TApptEntryDlg::Step(int step) {
    SaveForm();
    const unsigned count = forms_.Count();
    index_ = count == 0 ? 0
                        : (step < 0 ? (index_ == 0 ? count - 1 : index_ - 1)
                                    : (index_ + 1 >= count ? 0 : index_ + 1));
    ShowForm();
}

bool TApptEntryDlg::TransferDataFromWindow() {
    SaveForm();
    return true;
}
