#include <cstdlib>
#include <random>

#include "app/event_file_writer.h"
#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/presentation_rules.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "support/generated_schedule.h"
#include "support/temp_folder.h"
#include "walk/walk.h"

namespace {

constexpr int kSlotLengths[] = {300, 450, 600, 900};

TimeOfDay At(const TimeOfDay& start, int seconds) {
    TimeOfDay time;
    time.SetSeconds(start.Seconds() + seconds);
    return time;
}

// Two families of one name told apart by their addresses, as an import names the second, with
// a child each of one name in two forms; and a child of another family who shares a name with
// one of theirs, in a third form.
void AddNamesakes(MultiDaySchedule& days, std::mt19937& rng) {
    Event& event = *days.GetEvent();
    ParentList& parents = event.GetParents();
    if (parents.Count() < 2) {
        return;
    }
    Parent* first = parents.Get(static_cast<unsigned>(rng() % parents.Count()));
    Pupil* child = first->GetPupil(0);
    auto namesake = std::make_unique<Parent>(first->GetName() + " (2 Low Road)");
    namesake->SetAddress(0, "2 Low Road");
    namesake->SetEmail("namesake@walk.example");
    namesake->ResetAttendanceAllDays(&days);
    auto twin = std::make_unique<Pupil>(child->GetName());
    twin->SetForm(child->GetForm() + "N");
    if (event.GetTeachers().Count() > 0) {
        (void)twin->AddRequest(event.GetTeachers().Get(0), "Maths", 1, 1);
    }
    namesake->AddPupil(std::move(twin));
    (void)days.AddParent(std::move(namesake));

    Parent* other = parents.Get(static_cast<unsigned>(rng() % parents.Count()));
    if (other != first && other->FindPupil(child->GetName()) == nullptr) {
        auto same = std::make_unique<Pupil>(child->GetName());
        same->SetForm(child->GetForm() + "S");
        other->AddPupil(std::move(same));
    }
}

// A person keeps only the talks they can be at, as the editors let them choose: the generator
// puts a few at talks during their absence, and new hours given here may leave one outside them.
void KeepAttendableTalks(MultiDaySchedule& days, Attendee& person) {
    std::vector<Presentation*> talks;
    for (unsigned i = 0; i < person.GetPresentations().Count(); ++i) {
        talks.push_back(person.GetPresentations().GetPresentation(i));
    }
    for (Presentation* talk : talks) {
        person.RemovePresentation(talk);
        if (CanAttendPresentation(days, person, *talk)) {
            (void)person.AddPresentation(talk);
        }
    }
}

void KeepAttendableTalks(MultiDaySchedule& days) {
    Event& event = *days.GetEvent();
    for (unsigned t = 0; t < event.GetTeachers().Count(); ++t) {
        KeepAttendableTalks(days, *event.GetTeachers().Get(t));
    }
    for (unsigned p = 0; p < event.GetParents().Count(); ++p) {
        KeepAttendableTalks(days, *event.GetParents().Get(p));
    }
}

// A talk off the slot starts on the first day, with a family that arrives as it begins and a
// teacher who leaves as it ends: both are there for the whole of it.
void AddTalkOffTheSlots(MultiDaySchedule& days, std::mt19937& rng) {
    Event& event = *days.GetEvent();
    Schedule& day = *days.GetDay(0);
    const int slot = event.GetSlotLength();
    const TimeOfDay start = At(day.GetStartTime(), slot * 3 / 2 + static_cast<int>(rng() % 3) * 60);
    const TimeOfDay end = At(start, slot * 3);
    auto talk = std::make_unique<Presentation>("Sixth form");
    talk->SetLocation("Hall");
    talk->SetDate(day.GetDate());
    if (!talk->SetTimes(start, end) || !(end < day.GetEndTime())) {
        return;
    }
    Presentation* kept = talk.get();
    if (!event.AddPresentation(std::move(talk))) {
        return;
    }
    ParentList& parents = event.GetParents();
    Parent* family = parents.Get(static_cast<unsigned>(rng() % parents.Count()));
    family->SetTimes(&day, start, day.GetEndTime());
    family->SetArrivesLate(&day, true);
    family->SetLeavesEarly(&day, false);
    KeepAttendableTalks(days, *family);
    (void)day.AttendPresentation(family, kept);
    if (event.GetTeachers().Count() > 1) {
        Teacher* speaker = event.GetTeachers().Get(1);
        speaker->SetTimes(&day, day.GetStartTime(), end);
        speaker->SetArrivesLate(&day, false);
        speaker->SetLeavesEarly(&day, true);
        KeepAttendableTalks(days, *speaker);
        (void)day.AttendPresentation(speaker, kept);
    }
}

std::unique_ptr<MultiDaySchedule> Generated(unsigned seed, std::mt19937& rng, std::string* what) {
    SchoolSize size;
    size.name = "walk";
    size.teachers = 4 + static_cast<int>(rng() % 5);
    size.parents = 8 + static_cast<int>(rng() % 10);
    size.pupils = size.parents + static_cast<int>(rng() % 6);
    size.requests = size.pupils * (2 + static_cast<int>(rng() % 2));
    size.days = 1 + static_cast<int>(rng() % 3);
    size.slotsPerDay = 36;  // 16:00 to 19:00 in the generator's 5-minute steps
    size.presentations = 1 + static_cast<int>(rng() % 2);
    GeneratedSchool school = GenerateSchool(size, seed);
    const int slot = kSlotLengths[rng() % 4];
    (void)school.event->SetSlotLength(slot);
    const int slots = size.slotsPerDay * 300 / slot;
    for (GeneratedDay& day : school.days) {
        day.breakStart = At(day.GetStartTime(), slots / 2 * slot);
        day.breakLength = 1 + static_cast<int>(rng() % 2);
        day.breakSpread = static_cast<int>(rng() % 3);
    }
    std::srand(seed);
    auto days = MakeTimetable(school);
    Event& event = *days->GetEvent();
    for (unsigned t = 0; t < event.GetTeachers().Count(); ++t) {
        Teacher* teacher = event.GetTeachers().Get(t);
        (void)teacher->SetEmail("teacher" + std::to_string(t) + "@walk.example");
    }
    // Mrs Initials is known by hers alone in request lists.
    event.GetTeachers().Get(0)->SetInitials("MI");
    ParentList& parents = event.GetParents();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        Parent* parent = parents.Get(p);
        (void)parent->SetEmail("family" + std::to_string(p) + "@walk.example");
        parent->SetAddress(0, std::to_string(p + 1) + " High Street");
        if (p % 3 == 0) {
            parent->SetUniqueId("ID" + std::to_string(1000 + p));
        }
        if (p % 2 == 0) {
            (void)parent->GetPupil(0)->SetEmail("child" + std::to_string(p) + "@walk.example");
        }
    }
    AddNamesakes(*days, rng);
    KeepAttendableTalks(*days);
    const bool offSlots = rng() % 3 == 0;
    if (offSlots) {
        AddTalkOffTheSlots(*days, rng);
    }
    *what = "generated: " + std::to_string(size.teachers) + " teachers, " +
            std::to_string(parents.Count()) + " families, " + std::to_string(size.days) +
            " day(s), " + std::to_string(slot) + " s slots" +
            (offSlots ? ", a talk off the slots" : "");
    if (rng() % 4 != 0) {
        (void)days->BookAll(0);
        *what += ", booked";
    }
    return days;
}

}  // namespace

std::string BuildSchool(unsigned seed, const std::string& folder, std::string* description) {
    std::mt19937 rng(seed ^ 0x9e3779b9u);
    const int kind = static_cast<int>(rng() % 10);
    if (kind == 0) {
        *description = "the example school";
        return ReadWholeFile(std::string(QM_SOURCE_DIR) + "/examples/school.qmv");
    }
    UCStringError quiet;
    std::unique_ptr<MultiDaySchedule> days;
    if (kind == 1) {
        *description = "an empty event";
        days = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
        Schedule& day = *days->GetDay(0);
        (void)day.SetDate(Date(12, 3, 2026));
        (void)days->GetEvent()->SetName("Empty evening");
    } else {
        days = Generated(seed, rng, description);
    }
    (void)folder;
    FixedTimeEncoding fixed;
    return EventFileWriter(*days).FormatSavedText();
}
