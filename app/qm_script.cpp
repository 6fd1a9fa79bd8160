#include "app/qm_script.h"

#include <cstdio>

#include "app/qm_controller.h"
#include "model/multi_day_schedule.h"
#include "model/print_renderer.h"
#include "model/schedule.h"

void QMScript::Output(const char* text) {
    if (!text) {
        return;
    }
    if (renderer_) {
        renderer_->PrintText(text);
    } else if (!captureOutput) {
        PrintToConsole(text);
    } else {
        output += text;
        output += lineEnd;
    }
}

void QMScript::PrintToConsole(const char* text) {
    std::printf("%s\n", text);
}

Schedule* QMScript::GetCurrentSchedule() const {
    MultiDaySchedule* days = controller_ ? controller_->GetSchedule() : nullptr;
    return days ? days->GetDay(currentDay_) : nullptr;
}

void QMScript::SelectDay(unsigned n) {
    MultiDaySchedule* days = controller_ ? controller_->GetSchedule() : nullptr;
    if (days && days->GetDayCount() > 0) {
        currentDay_ = n % days->GetDayCount();
    }
}

void QMScript::SelectDayByDate(const Schedule* day) {
    MultiDaySchedule* days = controller_ ? controller_->GetSchedule() : nullptr;
    unsigned index = 0;
    if (day && days && days->FindDayIndex(day->GetDate(), &index)) {
        currentDay_ = index;
    }
}
