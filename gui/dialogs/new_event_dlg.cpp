#include "gui/dialogs/new_event_dlg.h"

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/qm_controller.h"
#include "gui/dialogs/prompt_service.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

namespace {

wxComboBox* MakeList(wxWindow* parent, const wxSize& size, const char* const* names, size_t count) {
    auto* list = new wxComboBox(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, size, 0,
                                nullptr, wxCB_READONLY | wxCB_DROPDOWN);
    for (size_t i = 0; i < count; ++i) {
        list->Append(names[i]);
    }
    return list;
}

NewEventDlg::SideEditor& EmailServerEditor() {
    static NewEventDlg::SideEditor editor;
    return editor;
}

NewEventDlg::SideEditor& LogoAndNotesEditor() {
    static NewEventDlg::SideEditor editor;
    return editor;
}

void SelectEntry(wxComboBox* list, int index) {
    if (index >= 0 && static_cast<unsigned>(index) < list->GetCount()) {
        list->SetSelection(index);
    }
}

}  // namespace

NewEventDlg::NewEventDlg(wxWindow* parent, MultiDaySchedule* schedule, QMController* controller)
    : OKCancelDlg(parent, "New Event"), schedule_(schedule), controller_(controller) {
    if (schedule_) {
        CreateControls();
    }
    Centre(wxBOTH);
}

void NewEventDlg::CreateDateRow(int index) {
    DayControls& day = days_[index];
    day.day = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, ScaledSize(30));
    day.month = MakeList(this, ScaledSize(110), MonthNames().data(), MonthNames().size());
    day.year = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, ScaledSize(55));
    // GTK's entry padding leaves a 30-pixel box room for one digit: widen to what the text needs.
    for (auto [field, sample] : {std::pair{day.day, "00"}, std::pair{day.year, "0000"}}) {
        const int needed = field->GetSizeFromTextSize(field->GetTextExtent(sample)).x;
        if (field->GetMinSize().x < needed) {
            field->SetMinSize(wxSize(needed, field->GetMinSize().y));
        }
    }
}

void NewEventDlg::CreateControls() {
    shown_ = ShowEventSettings(*schedule_);
    auto* grid = new wxFlexGridSizer(2, 5, 5);
    CreateDateRow(0);
    CreateDateRow(1);
    const wxSize wide = ScaledSize(395);
    name_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wide);
    for (DayControls& day : days_) {
        day.start =
            new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, ScaledSize(195));
    }
    for (DayControls& day : days_) {
        day.end = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, ScaledSize(195));
    }
    slotLength_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wide);
    teacherWord_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wide);
    parentWord_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wide);
    pupilWord_ = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wide);
    gapMode_ = MakeList(this, wide, GapModeNames().data(), GapModeNames().size());
    twoDays_ = new wxCheckBox(this, WxId(Id::TwoDays), "The event is split over two days");

    // A control or a group of them.
    auto addRow = [&](const char* label, auto* control) {
        grid->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL, 0);
        grid->Add(control, 0, 0, 0);
    };
    auto* dates = new wxBoxSizer(wxHORIZONTAL);
    for (int i = 0; i < 2; ++i) {
        dates->Add(days_[i].day, 0, wxALIGN_CENTER, 0);
        dates->Add(days_[i].month, 0, wxALIGN_CENTER, 0);
        // A gap of 5 pixels sets the second day apart.
        dates->Add(days_[i].year, 0, i == 0 ? wxALIGN_CENTER | wxRIGHT : wxALIGN_CENTER,
                   i == 0 ? 5 : 0);
    }
    auto timePair = [](wxTextCtrl* first, wxTextCtrl* second) {
        auto* pair = new wxBoxSizer(wxHORIZONTAL);
        pair->Add(first, 0, wxALIGN_CENTER | wxRIGHT, 5);
        pair->Add(second, 0, wxALIGN_CENTER, 0);
        return pair;
    };
    addRow("Event description:", name_);
    addRow("", twoDays_);
    addRow("Event date:", dates);
    addRow("Start time:", timePair(days_[0].start, days_[1].start));
    addRow("End time:", timePair(days_[0].end, days_[1].end));
    addRow("Appointment length (mins):", slotLength_);
    addRow("Teacher description:", teacherWord_);
    addRow("Parent description:", parentWord_);
    addRow("Pupil description:", pupilWord_);
    addRow("Appointment gaps:", gapMode_);
    GetMainSizer()->Add(grid, 0, wxALIGN_CENTER | wxALL, 5);
    // The keyboard goes down the rows as they are shown, not in the order they were made.
    const std::vector<wxWindow*> rows = {
        name_,          twoDays_,      days_[0].day,   days_[0].month, days_[0].year, days_[1].day,
        days_[1].month, days_[1].year, days_[0].start, days_[1].start, days_[0].end,  days_[1].end,
        slotLength_,    teacherWord_,  parentWord_,    pupilWord_,     gapMode_};
    name_->MoveBeforeInTabOrder(days_[0].day);
    for (size_t i = 1; i < rows.size(); ++i) {
        rows[i]->MoveAfterInTabOrder(rows[i - 1]);
    }

    auto* side = new wxBoxSizer(wxHORIZONTAL);
    for (const auto& [id, label, editor] :
         {std::tuple{WxId(Id::EditEmailServer), "Edit Email Server", &EmailServerEditor()},
          std::tuple{WxId(Id::EditLogoAndNotes), "Edit Logo and Notes", &LogoAndNotesEditor()}}) {
        auto* button = new wxButton(this, id, label, wxDefaultPosition, ScaledSize(150));
        button->Enable(static_cast<bool>(*editor));
        side->Add(button, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
    }
    GetMainSizer()->Add(side, 0, wxLEFT | wxRIGHT, 5);
    AddOKCancelButtons();

    LoadFields(shown_);
    Bind(wxEVT_CHECKBOX, &NewEventDlg::OnTwoDaysChanged, this, WxId(Id::TwoDays));
    Bind(wxEVT_BUTTON, &NewEventDlg::OnSideEditor, this, WxId(Id::EditEmailServer),
         WxId(Id::EditLogoAndNotes));
}

void NewEventDlg::SetEmailServerEditor(SideEditor editor) {
    EmailServerEditor() = std::move(editor);
}

void NewEventDlg::SetLogoAndNotesEditor(SideEditor editor) {
    LogoAndNotesEditor() = std::move(editor);
}

void NewEventDlg::OnSideEditor(wxCommandEvent& event) {
    const SideEditor& editor =
        event.GetId() == WxId(Id::EditEmailServer) ? EmailServerEditor() : LogoAndNotesEditor();
    if (editor && schedule_ && schedule_->GetEvent()) {
        editor(this, *schedule_->GetEvent(), controller_);
    }
}

void NewEventDlg::LoadFields(const EventSettingsFields& fields) {
    name_->ChangeValue(FromUtf8(fields.name));
    for (int i = 0; i < 2; ++i) {
        const EventDayFields& day = fields.days[i];
        days_[i].day->ChangeValue(FromUtf8(day.day));
        SelectEntry(days_[i].month, day.monthIndex);
        days_[i].year->ChangeValue(FromUtf8(day.year));
        days_[i].start->ChangeValue(FromUtf8(day.start));
        days_[i].end->ChangeValue(FromUtf8(day.end));
    }
    slotLength_->ChangeValue(FromUtf8(fields.slotLength));
    teacherWord_->ChangeValue(FromUtf8(fields.teacherWord));
    parentWord_->ChangeValue(FromUtf8(fields.parentWord));
    pupilWord_->ChangeValue(FromUtf8(fields.pupilWord));
    twoDays_->SetValue(fields.twoDays);
    SelectEntry(gapMode_, fields.gapMode);
    UpdateEnabling();
}

EventSettingsFields NewEventDlg::ReadFields() const {
    EventSettingsFields fields;
    if (!name_) {
        return fields;
    }
    fields.name = EnteredText(name_->GetValue());
    fields.twoDays = twoDays_->GetValue();
    for (int i = 0; i < 2; ++i) {
        EventDayFields& day = fields.days[i];
        day.day = EnteredText(days_[i].day->GetValue());
        day.monthIndex = days_[i].month->GetSelection();
        day.year = EnteredText(days_[i].year->GetValue());
        day.start = EnteredText(days_[i].start->GetValue());
        day.end = EnteredText(days_[i].end->GetValue());
    }
    fields.slotLength = EnteredText(slotLength_->GetValue());
    fields.teacherWord = EnteredText(teacherWord_->GetValue());
    fields.parentWord = EnteredText(parentWord_->GetValue());
    fields.pupilWord = EnteredText(pupilWord_->GetValue());
    fields.gapMode = gapMode_->GetSelection();
    return fields;
}

void NewEventDlg::UpdateEnabling() {
    const bool second = twoDays_->GetValue();
    const DayControls& day = days_[1];
    for (wxWindow* control : {static_cast<wxWindow*>(day.day), static_cast<wxWindow*>(day.month),
                              static_cast<wxWindow*>(day.year), static_cast<wxWindow*>(day.start),
                              static_cast<wxWindow*>(day.end)}) {
        control->Enable(second);
    }
}

void NewEventDlg::OnTwoDaysChanged(wxCommandEvent&) {
    if (twoDays_->GetValue()) {
        if (days_[1].start->IsEmpty()) {
            days_[1].start->ChangeValue(days_[0].start->GetValue());
        }
        if (days_[1].end->IsEmpty()) {
            days_[1].end->ChangeValue(days_[0].end->GetValue());
        }
    }
    UpdateEnabling();
}

bool NewEventDlg::TransferDataFromWindow() {
    if (!schedule_ || !name_) {
        return false;
    }
    TimingChange timing = TimingChange::None;
    // Only the held event's limits were ever set, and seen, in minutes.
    const bool held = controller_ != nullptr && controller_->GetSchedule() == schedule_;
    const bool accepted = ApplyEventSettings(
        *schedule_, ReadFields(), shown_,
        [this](const std::string& question) { return AskYesNo(question); }, &timing, held);
    if (accepted) {
        timing_ = std::max(timing_, timing);
    }
    return accepted;
}
