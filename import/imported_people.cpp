#include "import/imported_people.h"

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/family_identity.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

// Holds what the target says while people move, so that a list with many refusals ends in one
// message naming them all rather than a box for each.
class RefusalLines : public UCError {
public:
    void Report(int severity, const char* text) override {
        lines.emplace_back(text != nullptr ? text : "");
        for (const std::string& detail : Details()) {
            lines.push_back(detail);
        }
        ClearDetails();
        reports.push_back({severity, lines.size()});
    }
    using UCError::Report;

    std::vector<std::string> lines;
    // Each report's severity and the end of its lines, to pass on as they came when nobody
    // was refused.
    std::vector<std::pair<int, size_t>> reports;
};

// Takes the people out of the list before offering them, so that whatever the target refuses
// is freed here once and the preview never frees a person the target now owns. All at once:
// taking them from the front one by one would make a long list quadratic.
template <typename T, typename List>
std::vector<std::unique_ptr<T>> TakeAll(List& list) {
    std::vector<std::unique_ptr<T>> people;
    // Before anything is taken, so no allocation can fail with people owned twice.
    people.reserve(list.Count());
    for (unsigned i = 0; i < list.Count(); ++i) {
        people.emplace_back(static_cast<T*>(list.At(i)));
    }
    list.Clear();
    return people;
}

void MoveTeachers(Event& preview, MultiDaySchedule& target, MovedPeople& moved,
                  RefusalLines& refusals) {
    for (std::unique_ptr<Teacher>& teacher : TakeAll<Teacher>(preview.GetTeachers())) {
        if (!teacher) {
            continue;
        }
        const std::string name = teacher->GetName();
        target.FitAttendanceToDays(teacher.get());
        if (target.AddTeacher(std::move(teacher))) {
            ++moved.added;
        } else {
            ++moved.refused;
            refusals.lines.push_back("Teacher '" + name + "' failed to import");
        }
    }
}

// A family the event holds already takes the preview's pupils as a brother's or sister's, just
// as one later in the same file would; any other family moves whole. A child the event holds
// is the event's already.
void MovePupils(Event& preview, MultiDaySchedule& target, MovedPeople& moved,
                RefusalLines& refusals) {
    FamilyIdentity families(target.GetEvent()->GetParents());
    const std::set<std::string> numberedApart = preview.GetParents().NumberedApart();
    for (std::unique_ptr<Parent>& parent : TakeAll<Parent>(preview.GetParents())) {
        if (!parent || parent->GetPupilCount() == 0) {
            continue;
        }
        const std::string name = parent->GetName();
        FamilyLine line = FamilyLine::Of(*parent, numberedApart);
        line.listed = true;
        const FamilyIdentity::Placement placement = families.Place(line);
        // The children the event holds leave the preview's family; the rest stay in it.
        std::vector<std::unique_ptr<Pupil>> arriving;
        for (size_t i = 0; i < placement.children.size(); ++i) {
            std::unique_ptr<Pupil> pupil(static_cast<Pupil*>(parent->GetPupils().RemoveAt(0)));
            if (const Pupil* held = placement.children[i]) {
                // The same list brought in again must not give a family each child twice.
                ++moved.refused;
                refusals.lines.push_back("Pupil '" + pupil->GetName() + "' of '" +
                                         held->GetParent()->GetName() +
                                         "' is already in the event");
                refusals.lines.push_back("Pupil '" + pupil->GetName() + "' failed to import");
                continue;
            }
            arriving.push_back(std::move(pupil));
        }
        if (arriving.empty()) {
            continue;
        }
        if (placement.family != nullptr) {
            for (std::unique_ptr<Pupil>& pupil : arriving) {
                (void)placement.family->AddPupil(std::move(pupil));  // refuses only null
                ++moved.added;
            }
            continue;
        }
        std::vector<std::string> pupilNames;
        for (std::unique_ptr<Pupil>& pupil : arriving) {
            pupilNames.push_back(pupil->GetName());
            (void)parent->AddPupil(std::move(pupil));
        }
        FamilyIdentity::Name(*parent, placement);
        target.FitAttendanceToDays(parent.get());
        Parent* added = parent.get();
        if (target.AddParent(std::move(parent))) {
            families.Added(added);
            moved.added += static_cast<int>(pupilNames.size());
            continue;
        }
        moved.refused += static_cast<int>(pupilNames.size());
        refusals.lines.push_back("Parent '" + name + "' failed to import");
        for (const std::string& pupilName : pupilNames) {
            refusals.lines.push_back("Pupil '" + pupilName + "' failed to import");
        }
    }
}

}  // namespace

MovedPeople MoveImportedPeople(Event& preview, MultiDaySchedule& target, PeopleImport who) {
    MovedPeople moved;
    // A lock keeps the bookings as they are; new people book nothing.
    if (!target.GetEvent()) {
        return moved;
    }
    std::vector<std::string> lines;
    std::vector<std::pair<int, size_t>> reports;
    {
        RefusalLines refusals;
        if (who == PeopleImport::Pupils) {
            MovePupils(preview, target, moved, refusals);
        } else {
            MoveTeachers(preview, target, moved, refusals);
        }
        lines.swap(refusals.lines);
        reports.swap(refusals.reports);
    }
    if (moved.refused == 0) {
        size_t line = 0;
        for (const auto& [severity, end] : reports) {
            const std::string text = lines[line++];
            for (; line < end; ++line) {
                UCError::Current().AddDetail(lines[line]);
            }
            UCError::Current().Report(severity, text);
        }
        return moved;
    }
    const char* kind = who == PeopleImport::Pupils ? "pupils" : "teachers";
    for (const std::string& line : lines) {
        UCError::Current().AddDetail(line);
    }
    ReportMessage(SeverityError,
                  StringPrintf("%d of %d %s imported; %d failed to import", moved.added,
                               moved.added + moved.refused, kind, moved.refused));
    return moved;
}
