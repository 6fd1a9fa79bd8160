#pragma once

#include <string>

#include "gui/dialogs/ok_cancel_dlg.h"
#include "gui/people/people_edits.h"

class AppointmentRequest;
class TeacherList;
class wxCheckBox;
class wxComboBox;
class wxCommandEvent;
class wxStaticText;
class wxTextCtrl;

// "Appointment Request": the teacher, subject, priority and length of one request. It only
// hands the values back; in edit mode the teacher and subject are fixed.
class TeacherEntryDlg : public OKCancelDlg {
public:
    // maxLength: the most slots a request may have (0: no bound).
    TeacherEntryDlg(wxWindow* parent, const TeacherList* teachers,
                    const AppointmentRequest* request, const std::string& heading,
                    int maxLength = 0);

    bool TransferDataFromWindow() override;
    // Results after OK; the teacher stays null (and the subject empty) in edit mode.
    Teacher* GetTeacher() const { return entry_.teacher; }
    const std::string& GetSubject() const { return entry_.subject; }
    int GetPriority() const { return entry_.priority; }
    int GetLength() const { return entry_.length; }

    wxComboBox* GetTeacherCombo() const { return teacherCombo_; }
    wxComboBox* GetSubjectCombo() const { return subjectCombo_; }
    wxComboBox* GetPriorityCombo() const { return priorityCombo_; }
    wxCheckBox* GetUseTeacherLength() const { return useTeacherLength_; }
    wxTextCtrl* GetLengthText() const { return lengthText_; }
    wxStaticText* GetLengthLabel() const { return lengthLabel_; }
    void UpdateEnabled();

private:
    void OnCheckBox(wxCommandEvent& event);

    const TeacherList* teachers_;
    bool editing_;
    int maxLength_;
    int unchosenPriority_ = 1;
    wxComboBox* teacherCombo_;
    wxComboBox* priorityCombo_;
    wxComboBox* subjectCombo_;
    wxCheckBox* useTeacherLength_;
    wxTextCtrl* lengthText_;
    wxStaticText* lengthLabel_;
    // The request's own length as first shown; empty when it has none.
    wxString shownLength_;
    RequestEntry entry_;
};
