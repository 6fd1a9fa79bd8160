#pragma once

#include <wx/panel.h>

#include <string>

#include "gui/main/schedule_views.h"

class wxHyperlinkCtrl;
class wxStaticText;

// The summary's texts for a schedule (or none).
struct SummaryTexts {
    std::string eventLine;
    std::string scoreLine;
    std::string overbookingLine;
    std::string linkLabel;
    std::string linkTarget;
};
SummaryTexts ComposeSummary(const MultiDaySchedule* schedule);

// The strip above the timetable: which event and days, whether it is locked, the timetable's
// score and unbooked count, which teachers are asked for more slots than they have, and the
// event's web link.
class EventSummaryPane : public wxPanel, public ScheduleView {
public:
    explicit EventSummaryPane(wxWindow* parent);

    void SetSchedule(MultiDaySchedule* schedule) override;
    // The score, the lock and the counts move with every change.
    void ShowChanges(const EventChanges&) override { SetSchedule(schedule_); }

    wxStaticText* GetEventLine() const { return eventLine_; }
    wxStaticText* GetScoreLine() const { return scoreLine_; }
    wxStaticText* GetOverbookingLine() const { return overbookingLine_; }
    wxHyperlinkCtrl* GetWebLink() const { return webLink_; }

private:
    wxStaticText* eventLine_;
    wxStaticText* scoreLine_;
    wxStaticText* overbookingLine_;
    wxHyperlinkCtrl* webLink_;
    MultiDaySchedule* schedule_ = nullptr;
};
