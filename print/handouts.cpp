#include "print/handouts.h"

#include <memory>

#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/print_renderer.h"
#include "print/print_job.h"

bool PrintTeachers(MultiDaySchedule& schedule, PrintRenderer* renderer) {
    if (renderer == nullptr || !renderer->IsOK() || !schedule.GetEvent()) {
        return false;
    }
    const PrintSettings settings = schedule.GetEvent()->GetPrintSettings();
    const TeacherList& teachers = schedule.GetEvent()->GetTeachers();
    std::unique_ptr<UnbookedPupils> unbooked;
    if (settings.GetListUnbooked()) {
        unbooked = std::make_unique<UnbookedPupils>(schedule);
    }
    for (unsigned t = 0; t < teachers.Count(); ++t) {
        for (unsigned d = 0; d < schedule.GetDayCount(); ++d) {
            TeacherPrintJob job(renderer, &schedule, schedule.GetDay(d), nullptr, nullptr,
                                teachers.Get(t), &settings);
            job.SetUnbookedPupils(unbooked.get());
            job.Print();
        }
    }
    return true;
}

bool PrintParents(MultiDaySchedule& schedule, PrintRenderer* renderer) {
    if (renderer == nullptr || !renderer->IsOK() || !schedule.GetEvent()) {
        return false;
    }
    const PrintSettings settings = schedule.GetEvent()->GetPrintSettings();
    const ParentList& parents = schedule.GetEvent()->GetParents();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        for (unsigned d = 0; d < schedule.GetDayCount(); ++d) {
            ParentPrintJob job(renderer, &schedule, schedule.GetDay(d), nullptr, nullptr,
                               parents.Get(p), &settings);
            job.Print();
        }
    }
    return true;
}
