#include "print/print_selection.h"

#include "app/qm_controller.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/teacher.h"

namespace {

bool AttendsAPresentation(const Attendee* attendee) {
    return attendee->GetPresentations().Count() > 0;
}

}  // namespace

PrintSelection::PrintSelection(QMController* controller, const PrintSettings& settings)
    : controller_(controller), settings_(settings) {
    if (controller_ == nullptr || controller_->GetSchedule() == nullptr ||
        !controller_->GetSchedule()->GetEvent()) {
        return;
    }
    // A timetable changed earlier in the same change (by a script) unmarks its people first.
    controller_->SettleSentMarks();
    // Only the people something prints: each sheet chosen runs its script when it is laid out.
    if (settings_.GetParents() || settings_.GetParentOverviews()) {
        ChooseParents();
    }
    if (settings_.GetTeachers() || settings_.GetTeacherOverviews()) {
        ChooseTeachers();
    }
    MakeSheets();
}

void PrintSelection::ChooseParents() {
    const ParentList& all = controller_->GetSchedule()->GetEvent()->GetParents();
    const int only = settings_.GetParentIndex();
    for (unsigned i = 0; i < all.Count(); ++i) {
        Parent* parent = all.Get(i);
        if (only >= 0 && static_cast<unsigned>(only) != i) {
            continue;
        }
        if (!parent->HasRequests() && !AttendsAPresentation(parent)) {
            continue;
        }
        if (!settings_.GetIncludeAlreadySent() && parent->GetEmailSent(EmailResults)) {
            continue;
        }
        parents.Append(parent);
    }
    parents.SetSortOrder(settings_.GetParentPrintOrder());
}

void PrintSelection::ChooseTeachers() {
    const TeacherList& all = controller_->GetSchedule()->GetEvent()->GetTeachers();
    const int only = settings_.GetTeacherIndex();
    for (unsigned i = 0; i < all.Count(); ++i) {
        Teacher* teacher = all.Get(i);
        if (only >= 0 && static_cast<unsigned>(only) != i) {
            continue;
        }
        if (!settings_.GetIncludeAlreadySent() && teacher->GetEmailSent(EmailResults)) {
            continue;
        }
        teachers.Append(teacher);
    }
}

// A presentation counts on every day: its attendee gets a sheet for each of them.
void PrintSelection::MakeSheets() {
    const MultiDaySchedule& days = *controller_->GetSchedule();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        Parent* parent = parents.Get(p);
        for (unsigned d = 0; d < days.GetDayCount(); ++d) {
            Schedule* day = days.GetDay(d);
            if (day->ParentHasAppointments(parent) || AttendsAPresentation(parent)) {
                parentSheets.push_back({nullptr, parent, day});
            }
        }
    }
    for (unsigned t = 0; t < teachers.Count(); ++t) {
        Teacher* teacher = teachers.Get(t);
        for (unsigned d = 0; d < days.GetDayCount(); ++d) {
            Schedule* day = days.GetDay(d);
            if (day->TeacherHasAppointments(teacher) || AttendsAPresentation(teacher)) {
                teacherSheets.push_back({teacher, nullptr, day});
            }
        }
    }
}
