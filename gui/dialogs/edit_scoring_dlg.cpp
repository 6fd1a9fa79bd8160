#include "gui/dialogs/edit_scoring_dlg.h"

#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "gui/dialogs/prompt_service.h"
#include "model/event.h"
#include "model/score.h"

namespace {

constexpr const char* kSwitchLabels[] = {
    "Teachers: Breaks count as waiting",
    "Teachers: Time before 1st appointment counts as waiting",
    "Parents: Time before 1st appointment counts as waiting",
    "Bring appointments for twins together",
    "Try to book all appointments (only use if not overbooked)",
    "Try to reduce total attendance time (only use with good scores)",
};

}  // namespace

EditScoringDlg::EditScoringDlg(wxWindow* parent, std::shared_ptr<Event> event)
    : OKCancelDlg(parent, "Edit Scoring"), event_(std::move(event)) {
    // Created in tab order: the boxes, the switches, then the labels that take no focus.
    const wxSize boxSize = ScaledSize(50);
    teacherWait_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, boxSize);
    teacherBusy_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, boxSize);
    parentWait_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, boxSize);
    for (int i = 0; i < kSwitchCount; ++i) {
        switches_[i] = new wxCheckBox(this, wxID_ANY, kSwitchLabels[i]);
    }
    auto label = [this](const char* text) { return new wxStaticText(this, wxID_ANY, text); };

    wxBoxSizer* main = GetMainSizer();
    main->Add(label("Maximum acceptable wait between appointments:"), 0, wxALL, 5);
    auto* waits = new wxFlexGridSizer(3, 0, 0);
    waits->Add(label("For teachers:"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    waits->Add(teacherWait_, 0, wxTOP | wxBOTTOM | wxRIGHT, 5);
    waits->Add(label("minutes"), 0, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM | wxRIGHT, 5);
    waits->Add(label("For parents:"), 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT | wxBOTTOM, 5);
    waits->Add(parentWait_, 0, wxRIGHT | wxBOTTOM, 5);
    waits->Add(label("minutes"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT | wxBOTTOM, 5);
    main->Add(waits, 0, wxALIGN_CENTER, 0);
    main->Add(label("Maximum acceptable time to be constantly busy:"), 0, wxALL, 5);
    auto* busy = new wxFlexGridSizer(3, 0, 0);
    busy->Add(label("For teachers:"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    busy->Add(teacherBusy_, 0, wxTOP | wxBOTTOM | wxRIGHT, 5);
    busy->Add(label("minutes"), 0, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM | wxRIGHT, 5);
    main->Add(busy, 0, wxALIGN_CENTER, 0);
    for (wxCheckBox* box : switches_) {
        main->Add(box, 0, wxLEFT | wxRIGHT | wxBOTTOM, 5);
    }
    AddOKCancelButtons();

    if (event_) {
        shown_ = FormatScoringLimits(*event_);
        teacherWait_->SetValue(FromUtf8(shown_.teacherWait));
        parentWait_->SetValue(FromUtf8(shown_.parentWait));
        teacherBusy_->SetValue(FromUtf8(shown_.teacherBusy));
        const ScheduleOptions& options = event_->GetOptions();
        const ScoreCompareSwitches& compare = event_->GetScoreSwitches();
        const bool values[kSwitchCount] = {options.TeacherCountBreaks, options.TeacherCountInitGap,
                                           options.ParentCountInitGap, options.BringTwinsTogether,
                                           compare.unbooked,           compare.attendance};
        for (int i = 0; i < kSwitchCount; ++i) {
            switches_[i]->SetValue(values[i]);
        }
    }
}

bool EditScoringDlg::TransferDataFromWindow() {
    if (!event_) {
        return false;
    }
    const ScoringLimitTexts typed{EnteredText(teacherWait_->GetValue()),
                                  EnteredText(parentWait_->GetValue()),
                                  EnteredText(teacherBusy_->GetValue())};
    if (!ApplyScoringLimits(*event_, typed, shown_)) {
        return false;
    }
    ScheduleOptions options = event_->GetOptions();
    options.TeacherCountBreaks = switches_[TeacherCountBreaks]->GetValue();
    options.TeacherCountInitGap = switches_[TeacherCountInitGap]->GetValue();
    options.ParentCountInitGap = switches_[ParentCountInitGap]->GetValue();
    options.BringTwinsTogether = switches_[BringTwinsTogether]->GetValue();
    if (!(options == event_->GetOptions())) {
        event_->SetOptions(options);
    }
    // The comparisons belong to the event: saved with it, and in force while it is the open one.
    ScoreCompareSwitches compare;
    compare.unbooked = switches_[CompareUnbooked]->GetValue();
    compare.attendance = switches_[CompareAttendance]->GetValue();
    if (!(compare == event_->GetScoreSwitches())) {
        event_->SetScoreSwitches(compare);
    }
    return true;
}
