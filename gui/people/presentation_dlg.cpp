#include "gui/people/presentation_dlg.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/time_entry.h"
#include "gui/people/people_edits.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/presentation.h"
#include "model/schedule.h"

PresentationDlg::PresentationDlg(wxWindow* parent, EditMode mode, Presentation* presentation,
                                 MultiDaySchedule* days)
    : DaySelectDlg(parent,
                   presentation->GetName().empty() ? "New Presentation" : presentation->GetName(),
                   days),
      editing_(mode == EditMode::Edit),
      presentation_(presentation),
      event_(days->GetEvent()) {
    SelectDate(presentation_->GetDate());
    auto* grid = new wxFlexGridSizer(2, 5, 5);
    auto label = [&](const char* text) {
        grid->Add(new wxStaticText(this, wxID_ANY, text), 0, wxALIGN_CENTER_VERTICAL, 0);
    };
    label("Date:");
    wxSizer* selector = editing_ ? nullptr : CreateDaySelector(100);
    if (selector != nullptr) {
        grid->Add(selector, 0, 0, 0);
        UpdateDaySelector();
    } else {
        grid->Add(new wxStaticText(this, wxID_ANY, FromUtf8(presentation_->GetDate().FormatLong())),
                  0, wxALIGN_CENTER_VERTICAL, 0);
    }
    label("Title:");
    title_ = new wxTextCtrl(this, wxID_ANY, FromUtf8(presentation_->GetName()), wxDefaultPosition,
                            ScaledSize(300));
    grid->Add(title_, 0, 0, 0);
    label("Location:");
    location_ = new wxTextCtrl(this, wxID_ANY, FromUtf8(presentation_->GetLocation()),
                               wxDefaultPosition, ScaledSize(300));
    grid->Add(location_, 0, 0, 0);
    if (editing_) {
        for (wxStaticText*& count : counts_) {
            count = new wxStaticText(this, wxID_ANY, "");
        }
    }
    label("Start time:");
    start_ = new TimeEntryCombo(this, ScaledSize(100), GetCurrentDay());
    grid->Add(start_, 0, wxALIGN_CENTER_VERTICAL, 0);
    label("End time:");
    end_ = new TimeEntryCombo(this, ScaledSize(100), GetCurrentDay());
    grid->Add(end_, 0, wxALIGN_CENTER_VERTICAL, 0);
    if (editing_) {
        const char* labels[] = {"Teachers attending:", "Parents attending:", "Total attending:"};
        for (int i = 0; i < 3; ++i) {
            label(labels[i]);
            grid->Add(counts_[i], 0, wxALIGN_CENTER_VERTICAL, 0);
        }
    }
    GetMainSizer()->Add(grid, 0, wxALIGN_CENTER | wxALL, 5);
    AddOKCancelButtons();
    TimeOfDay start;
    TimeOfDay end;
    presentation_->GetTimes(&start, &end);
    start_->SetTime(start);
    end_->SetTime(end);
    if (editing_) {
        start_->Disable();
        end_->Disable();
    }
    UpdateAttendanceCounts();
    Centre(wxBOTH);
}

void PresentationDlg::UpdateAttendanceCounts() {
    if (!editing_ || !event_) {
        return;
    }
    const AttendanceCounts counts = CountAttendance(*event_, presentation_);
    counts_[0]->SetLabel(wxString::Format("%d", counts.teachers));
    counts_[1]->SetLabel(wxString::Format("%d", counts.parents));
    counts_[2]->SetLabel(wxString::Format("%d", counts.teachers + counts.parents));
}

void PresentationDlg::LoadDayValues() {
    start_->SetSchedule(GetCurrentDay());
    end_->SetSchedule(GetCurrentDay());
}

bool PresentationDlg::TransferDataFromWindow() {
    const std::string title = EnteredText(title_->GetValue());
    const Schedule* day = GetCurrentDay();
    if (!event_ || day == nullptr) {
        return false;
    }
    const TimeOfDay start = start_->GetTime();
    const TimeOfDay end = end_->GetTime();
    const std::string fault =
        CheckPresentation(*event_, presentation_, !editing_, title, start, end, *day);
    if (!fault.empty()) {
        ReportMessage(SeverityError, fault);
        return false;
    }
    if (!editing_) {
        if (!presentation_->SetTimes(start, end)) {
            return false;
        }
        presentation_->SetDate(day->GetDate());
    }
    presentation_->SetName(title);
    presentation_->SetLocation(EnteredText(location_->GetValue()));
    return true;
}
