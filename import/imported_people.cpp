#include "import/imported_people.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "import/import_run.h"
#include "model/event.h"
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
// as one later in the same file would; any other family moves whole.
void MovePupils(Event& preview, MultiDaySchedule& target, MovedPeople& moved,
                RefusalLines& refusals) {
    // The families the event held before the move, by their children's names: a list that
    // names no parent (a text list, or a file without a parent's column) names a child the
    // event already holds only by the child's own name. Once, so a long list stays linear.
    std::unordered_map<std::string, Parent*> heldChildren;
    // How many children of each name each family held: two of one name are two children, and
    // a line of that name is only one of them.
    std::map<const Parent*, std::map<std::string, int>> heldCounts;
    const ParentList& held = target.GetEvent()->GetParents();
    for (unsigned i = 0; i < held.Count(); ++i) {
        Parent* family = held.At(i);
        for (unsigned k = 0; k < family->GetPupilCount(); ++k) {
            const std::string folded = FoldASCIICase(family->GetPupil(k)->GetName());
            heldChildren.emplace(folded, family);
            ++heldCounts[family][folded];
        }
    }
    const std::set<std::string> numberedApart = preview.GetParents().NumberedApart();
    for (std::unique_ptr<Parent>& parent : TakeAll<Parent>(preview.GetParents())) {
        if (!parent || parent->GetPupilCount() == 0) {
            continue;
        }
        const std::string name = parent->GetName();
        const std::string childName = parent->GetPupil(0)->GetName();
        const bool unnamed = name == "Parents of " + childName && parent->GetUniqueId().empty();
        const std::string id = parent->GetUniqueId();
        const std::string place = ParentList::FamilyPlace(*parent);
        // The preview's own parent is the template: it is ours, and the rule may rename it.
        Parent* existing = FindFamily(target, *parent->GetPupil(0), *parent);
        // Two families the list numbers apart at one address would both fall into one the
        // event knows by name: only the one sharing a child with it is that family.
        if (existing != nullptr && !id.empty() && id != name && existing->GetUniqueId() != id &&
            numberedApart.count(place) != 0 && !existing->SharesAChildWith(*parent)) {
            existing = nullptr;
        }
        if (existing == nullptr && unnamed) {
            const auto found = heldChildren.find(FoldASCIICase(childName));
            const std::string address = parent->GetAddress(0);
            if (found != heldChildren.end() &&
                (address.empty() || found->second->GetAddress(0).empty() ||
                 found->second->GetAddress(0) == address)) {
                existing = found->second;
            }
        }
        if (existing == nullptr) {
            const int pupils = static_cast<int>(parent->GetPupilCount());
            std::vector<std::string> pupilNames;
            for (int i = 0; i < pupils; ++i) {
                pupilNames.push_back(parent->GetPupil(static_cast<unsigned>(i))->GetName());
            }
            target.FitAttendanceToDays(parent.get());
            if (target.AddParent(std::move(parent))) {
                moved.added += pupils;
                continue;
            }
            moved.refused += pupils;
            refusals.lines.push_back("Parent '" + name + "' failed to import");
            for (const std::string& pupilName : pupilNames) {
                refusals.lines.push_back("Pupil '" + pupilName + "' failed to import");
            }
            continue;
        }
        while (parent->GetPupilCount() > 0) {
            std::unique_ptr<Pupil> pupil(static_cast<Pupil*>(parent->GetPupils().RemoveAt(0)));
            if (!pupil) {
                continue;
            }
            const std::string pupilName = pupil->GetName();
            bool already = false;
            if (const auto counts = heldCounts.find(existing); counts != heldCounts.end()) {
                int& left = counts->second[FoldASCIICase(pupilName)];
                already = left > 0;
                left -= already ? 1 : 0;
            } else {
                already = existing->FindPupil(pupilName) != nullptr;
            }
            if (already) {
                // The same list brought in again must not give a family each child twice.
                ++moved.refused;
                refusals.lines.push_back("Pupil '" + pupilName + "' of '" + existing->GetName() +
                                         "' is already in the event");
                refusals.lines.push_back("Pupil '" + pupilName + "' failed to import");
                continue;
            }
            (void)existing->AddPupil(std::move(pupil));  // refuses only null
            ++moved.added;
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
