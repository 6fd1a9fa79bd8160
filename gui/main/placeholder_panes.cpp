#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "gui/main/schedule_views.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

namespace {

// A plain pane that says what it will show.
class PlaceholderPane : public wxPanel {
public:
    PlaceholderPane(wxWindow* parent, const wxString& text) : wxPanel(parent, wxID_ANY) {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        label_ = new wxStaticText(this, wxID_ANY, text);
        sizer->Add(label_, 0, wxALL, 10);
        SetSizer(sizer);
    }

protected:
    wxStaticText* label_;
};

class PlaceholderTree : public PlaceholderPane, public EventTreeView {
public:
    PlaceholderTree(wxWindow* parent, std::shared_ptr<Event> event)
        : PlaceholderPane(parent, "No event") {
        PlaceholderTree::SetEvent(std::move(event));
    }
    wxWindow* GetWindow() override { return this; }
    void SetEvent(std::shared_ptr<Event> event) override {
        event_ = std::move(event);
        RebuildTree();
    }
    void RebuildTree() override {
        label_->SetLabel(event_ ? wxString::Format("%u teachers, %u parents",
                                                   event_->GetTeachers().Count(),
                                                   event_->GetParents().Count())
                                : wxString("No event"));
    }

private:
    std::shared_ptr<Event> event_;
};

class PlaceholderOverview : public PlaceholderPane, public OverviewView {
public:
    explicit PlaceholderOverview(wxWindow* parent) : PlaceholderPane(parent, "No timetable") {}
    wxWindow* GetWindow() override { return this; }
    void SetSchedule(MultiDaySchedule* schedule) override {
        label_->SetLabel(schedule
                             ? wxString::Format("Timetable of %u day(s)", schedule->GetDayCount())
                             : wxString("No timetable"));
    }
    void Repaint() override { Refresh(true); }
    void SetHoverTips(bool) override {}
};

}  // namespace

EventTreeView* CreateEventTreePane(wxWindow* parent, std::shared_ptr<Event> event) {
    return new PlaceholderTree(parent, std::move(event));
}

OverviewView* CreateOverviewPane(wxWindow* parent, QMController*) {
    return new PlaceholderOverview(parent);
}
