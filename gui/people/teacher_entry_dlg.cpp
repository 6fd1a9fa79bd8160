#include "gui/people/teacher_entry_dlg.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "gui/dialogs/prompt_service.h"
#include "model/appointment_request.h"
#include "model/person_list.h"
#include "model/teacher.h"

TeacherEntryDlg::TeacherEntryDlg(wxWindow* parent, const TeacherList* teachers,
                                 const AppointmentRequest* request, const std::string& heading,
                                 int maxLength)
    : OKCancelDlg(parent, "Appointment Request"),
      teachers_(teachers),
      editing_(request != nullptr),
      maxLength_(maxLength) {
    wxArrayString names;
    for (unsigned i = 0; teachers_ && i < teachers_->Count(); ++i) {
        names.Add(FromUtf8(teachers_->At(i)->GetName()));
    }
    teacherCombo_ = new wxComboBox(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                   ScaledSize(400), names, wxCB_DROPDOWN);
    const wxString priorities[] = {"Low", "Normal", "High"};
    priorityCombo_ = new wxComboBox(this, wxID_ANY, "Normal", wxDefaultPosition, ScaledSize(400), 3,
                                    priorities, wxCB_DROPDOWN | wxCB_READONLY);
    priorityCombo_->SetSelection(1);
    subjectCombo_ = new wxComboBox(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                   ScaledSize(400), 0, nullptr, wxCB_DROPDOWN);
    useTeacherLength_ = new wxCheckBox(this, wxID_ANY, "Use teacher's appointment length");
    useTeacherLength_->SetValue(true);
    lengthText_ =
        new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, ScaledSize(400), 0);
    // The form command's heading names a form, which may hold an "&".
    auto* headingText =
        new wxStaticText(this, wxID_ANY, wxControl::EscapeMnemonics(FromUtf8(heading)));
    auto* chooseText =
        new wxStaticText(this, wxID_ANY, "Choose from the list or type the teacher's initials:");
    lengthLabel_ = new wxStaticText(this, wxID_ANY, "Number of appointment slots requested:");

    wxBoxSizer* sizer = GetMainSizer();
    const int label = wxLEFT | wxRIGHT | wxBOTTOM;
    sizer->Add(headingText, 0, wxALL, 5);
    sizer->Add(chooseText, 0, label, 5);
    sizer->Add(teacherCombo_, 0, label, 5);
    sizer->Add(new wxStaticText(this, wxID_ANY, "Subject to be discussed:"), 0, label, 5);
    sizer->Add(subjectCombo_, 0, label, 5);
    sizer->Add(new wxStaticText(this, wxID_ANY, "Priority for this request:"), 0, label, 5);
    sizer->Add(priorityCombo_, 0, label, 5);
    sizer->Add(useTeacherLength_, 0, label, 5);
    sizer->Add(lengthLabel_, 0, label, 5);
    sizer->Add(lengthText_, 0, wxLEFT | wxRIGHT, 5);

    if (editing_) {
        headingText->Disable();
        chooseText->Disable();
        teacherCombo_->SetValue(
            FromUtf8(request->GetTeacher() ? request->GetTeacher()->GetName() : ""));
        teacherCombo_->Disable();
        const int priority = request->GetPriority();
        if (priority >= 0 && priority <= 2) {
            priorityCombo_->SetSelection(priority);
        } else {
            priorityCombo_->SetSelection(wxNOT_FOUND);
            priorityCombo_->ChangeValue(wxEmptyString);
        }
        unchosenPriority_ = priority;
        subjectCombo_->SetValue(FromUtf8(request->GetSubject()));
        subjectCombo_->Disable();
        if (request->GetOwnLength() > 0) {
            useTeacherLength_->SetValue(false);
            shownLength_ = wxString::Format("%d", request->GetOwnLength());
            lengthText_->ChangeValue(shownLength_);
        }
    }
    AddOKCancelButtons();
    UpdateEnabled();
    Bind(wxEVT_CHECKBOX, &TeacherEntryDlg::OnCheckBox, this);
}

void TeacherEntryDlg::UpdateEnabled() {
    const bool own = !useTeacherLength_->GetValue();
    lengthLabel_->Enable(own);
    lengthText_->Enable(own);
}

bool TeacherEntryDlg::TransferDataFromWindow() {
    static const TeacherList kNoTeachers;
    const RequestFields fields{
        ToUtf8(teacherCombo_->GetValue()),  EnteredText(subjectCombo_->GetValue()),
        useTeacherLength_->GetValue(),      EnteredText(lengthText_->GetValue()),
        ToUtf8(priorityCombo_->GetValue()), unchosenPriority_};
    // The request's own length left as shown is kept, however long the days are now.
    const bool lengthKept = !shownLength_.empty() && !useTeacherLength_->GetValue() &&
                            lengthText_->GetValue() == shownLength_;
    return ReadRequestEntry(teachers_ ? *teachers_ : kNoTeachers,
                            editing_ ? EditMode::Edit : EditMode::Add, fields,
                            lengthKept ? 0 : maxLength_, &entry_);
}

void TeacherEntryDlg::OnCheckBox(wxCommandEvent&) {
    UpdateEnabled();
}
