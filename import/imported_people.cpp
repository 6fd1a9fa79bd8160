#include "import/imported_people.h"

#include <memory>
#include <string>
#include <vector>

#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/teacher.h"

namespace {

// Takes the people out of the list before offering them, so that whatever the target refuses
// is freed here once and the preview never frees a person the target now owns. All at once:
// taking them from the front one by one would make a long list quadratic. The first refusal
// ends the move: those after it go with the preview.
template <typename T, typename List, typename Add>
int MoveAll(List& list, const char* role, Add add) {
    std::vector<std::unique_ptr<T>> people;
    // Before anything is taken, so no allocation can fail with people owned twice.
    people.reserve(list.Count());
    for (unsigned i = 0; i < list.Count(); ++i) {
        people.emplace_back(static_cast<T*>(list.At(i)));
    }
    list.Clear();
    int moved = 0;
    for (std::unique_ptr<T>& person : people) {
        if (!person) {
            continue;
        }
        const std::string name = person->GetName();
        if (!add(std::move(person))) {
            ReportMessage(SeverityError, std::string(role) + " '" + name + "' failed to import");
            break;
        }
        ++moved;
    }
    return moved;
}

}  // namespace

int MoveImportedPeople(Event& preview, MultiDaySchedule& target, PeopleImport who) {
    // A lock keeps the bookings as they are; new people book nothing.
    if (!target.GetEvent()) {
        return 0;
    }
    if (who == PeopleImport::Pupils) {
        return MoveAll<Parent>(preview.GetParents(), "Parent", [&](std::unique_ptr<Parent> p) {
            target.FitAttendanceToDays(p.get());
            return target.AddParent(std::move(p));
        });
    }
    return MoveAll<Teacher>(preview.GetTeachers(), "Teacher", [&](std::unique_ptr<Teacher> t) {
        target.FitAttendanceToDays(t.get());
        return target.AddTeacher(std::move(t));
    });
}
