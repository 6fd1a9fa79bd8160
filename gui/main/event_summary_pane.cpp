#include "gui/main/event_summary_pane.h"

#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>

#include "gui/dialogs/dpi_scope.h"
#include "gui/dialogs/product_info.h"
#include "gui/dialogs/prompt_service.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

SummaryTexts ComposeSummary(const MultiDaySchedule* schedule) {
    SummaryTexts texts;
    texts.linkLabel = "No web link";
    texts.linkTarget = kProductWebAddress;
    if (!schedule) {
        texts.eventLine = "Event: None";
        texts.scoreLine = "No schedule loaded";
        return texts;
    }

    int unbookableSlots = 0;
    unsigned overbookedTeachers = 0;
    for (const auto& [teacher, requested] : schedule->GetRequestedSlotsPerTeacher()) {
        const int available = schedule->CountAvailableSlots(teacher);
        if (requested > available) {
            ++overbookedTeachers;
            unbookableSlots += requested - available;
        }
    }

    const Score score = schedule->GetScore();
    char piece[129];
    std::snprintf(piece, sizeof piece, "Current schedule score: %d of a possible 1000",
                  score.GetValue() + 1000);
    texts.scoreLine = piece;
    if (score.Unbooked != 0) {
        std::snprintf(piece, sizeof piece, ", %u unbooked appointments", score.Unbooked);
        texts.scoreLine += piece;
    }
    if (overbookedTeachers > 0) {
        std::snprintf(piece, sizeof piece,
                      "%d requested slots are unbookable as %u teachers are overbooked",
                      unbookableSlots, overbookedTeachers);
        texts.overbookingLine = piece;
    }

    const Event* event = schedule->GetEvent().get();
    if (!event) {
        texts.eventLine = "Event: None";
        return texts;
    }
    texts.eventLine = "Event: " + event->GetName();
    for (unsigned day = 0; day < schedule->GetDayCount(); ++day) {
        texts.eventLine += day == 0 ? " (" : ", ";
        texts.eventLine += schedule->GetDay(day)->GetDate().FormatLong();
    }
    if (schedule->GetDayCount() > 0) {
        texts.eventLine += ")";
    }
    if (event->IsLocked()) {
        texts.eventLine += "  *** LOCKED - FINAL VERSION ***";
    }
    if (event->GetUrl().empty()) {
        texts.linkLabel.clear();
        texts.linkTarget.clear();
    } else {
        texts.linkLabel = "Click here to view this event online";
        texts.linkTarget = event->GetUrl();
    }
    return texts;
}

namespace {

constexpr int kLineDesignWidth = 600;

}  // namespace

EventSummaryPane::EventSummaryPane(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    const wxSize lineSize(kLineDesignWidth, DPIScope::GetScaledFontHeight());
    eventLine_ = new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition, lineSize);
    scoreLine_ = new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition, lineSize);
    overbookingLine_ = new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition, lineSize);
    webLink_ =
        new wxHyperlinkCtrl(this, wxID_ANY, "No web link", kProductWebAddress, wxDefaultPosition,
                            wxDefaultSize, wxHL_ALIGN_LEFT | wxHL_CONTEXTMENU | wxNO_BORDER);
    for (wxWindow* row :
         {static_cast<wxWindow*>(eventLine_), static_cast<wxWindow*>(scoreLine_),
          static_cast<wxWindow*>(overbookingLine_), static_cast<wxWindow*>(webLink_)}) {
        sizer->Add(row, 0, wxLEFT, 5);
    }
    SetSizer(sizer);
    sizer->SetSizeHints(this);
    SetSchedule(nullptr);
}

void EventSummaryPane::SetSchedule(MultiDaySchedule* schedule) {
    schedule_ = schedule;
    const SummaryTexts texts = ComposeSummary(schedule);
    // Event names are the school's own text: an '&' must show as itself.
    eventLine_->SetLabel(wxControl::EscapeMnemonics(FromUtf8(texts.eventLine)));
    scoreLine_->SetLabel(FromUtf8(texts.scoreLine));
    overbookingLine_->SetLabel(FromUtf8(texts.overbookingLine));
    // A schedule without an event leaves the link as it was.
    if (!schedule || schedule->GetEvent()) {
        webLink_->SetLabel(wxControl::EscapeMnemonics(FromUtf8(texts.linkLabel)));
        webLink_->SetURL(FromUtf8(texts.linkTarget));
    }
    // The design width is the least a line gets; a longer text gets what it needs.
    for (wxStaticText* line : {eventLine_, scoreLine_, overbookingLine_}) {
        line->SetMinSize(wxSize(std::max(kLineDesignWidth, line->GetBestSize().x),
                                DPIScope::GetScaledFontHeight()));
    }
    Layout();
}
