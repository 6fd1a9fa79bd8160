#include "gui/main/command_context.h"

#include "app/qm_controller.h"
#include "model/multi_day_schedule.h"

void CommandContext::AfterViewsFollow(std::function<void()> work) const {
    controller.AfterChangesSettle(std::move(work));
}

MultiDaySchedule* ScheduleWithEvent(const CommandContext& context) {
    MultiDaySchedule* schedule = context.controller.GetSchedule();
    return schedule && schedule->GetEvent() ? schedule : nullptr;
}
