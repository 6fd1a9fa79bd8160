#pragma once

#include "app/qm_controller.h"

class ScheduleView;

// The window program's controller: it also tells the summary line and the timetable overview
// of every schedule it takes, whichever road (new, load, recovery) brought it.
class QMControllerWX : public QMController {
public:
    // E-mail runs, the scripts' included, send through libcurl.
    QMControllerWX();

    // Null detaches a view. Each attached view is handed the current schedule at once.
    void AttachViews(ScheduleView* summary, ScheduleView* overview);
    void SetEvent(std::unique_ptr<MultiDaySchedule> schedule) override;
    // A Lua host for the print and e-mail scripts; null once a file that does not load is
    // reported as not valid.
    std::unique_ptr<QMScript> CreateScript(const std::string& fileName) override;

private:
    void TellViews();

    ScheduleView* summary_ = nullptr;
    ScheduleView* overview_ = nullptr;
};
