#include "support/school_generator.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <unordered_map>

#include "model/event.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

constexpr int kSlotSeconds = 300;
const char* const kSubjects[] = {"Maths",  "English", "Science", "History", "Geography", "French",
                                 "German", "Art",     "Music",   "Drama",   "Computing", "PE"};
const char* const kForms[] = {"7A", "7B", "8A", "8B", "9A", "9B", "10A", "10B", "11A", "11B"};

std::string Numbered(const char* pattern, int number) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, number);
    return text;
}

TimeOfDay AtSlot(const GeneratedDay& day, int slot) {
    TimeOfDay time;
    time.SetSeconds(day.GetStartTime().Seconds() + slot * kSlotSeconds);
    return time;
}

// Some people come late, leave early, or miss a day of a longer event.
void SetAttendance(Attendee& attendee, const GeneratedDay& day, int slots, std::mt19937& rng,
                   int lateInHundred, int earlyInHundred, int absentInHundred) {
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> shift(2, std::max(2, slots / 4));
    if (percent(rng) < absentInHundred) {
        attendee.SetAttending(&day, false);
        return;
    }
    const bool late = percent(rng) < lateInHundred;
    const bool early = percent(rng) < earlyInHundred;
    if (!late && !early) {
        return;
    }
    TimeOfDay start = late ? AtSlot(day, shift(rng)) : day.GetStartTime();
    TimeOfDay end = early ? AtSlot(day, slots - shift(rng)) : day.GetEndTime();
    if (!(start < end)) {
        return;
    }
    attendee.SetTimes(&day, start, end);
    attendee.SetArrivesLate(&day, late);
    attendee.SetLeavesEarly(&day, early);
}

}  // namespace

namespace {

SchoolSize Sized(const char* name, int teachers, int parents, int pupils, int requests, int days,
                 int presentations) {
    SchoolSize size;
    size.name = name;
    size.teachers = teachers;
    size.parents = parents;
    size.pupils = pupils;
    size.requests = requests;
    size.days = days;
    size.presentations = presentations;
    return size;
}

}  // namespace

SchoolSize SchoolSize::Small() {
    return Sized("small", 10, 40, 55, 180, 1, 1);
}

SchoolSize SchoolSize::Medium() {
    return Sized("medium", 40, 300, 500, 2000, 2, 2);
}

SchoolSize SchoolSize::Large() {
    return Sized("large", 150, 1500, 2500, 10000, 2, 3);
}

SchoolSize SchoolSize::Stress() {
    SchoolSize size = Large().ScaledBy(10);
    size.name = "stress";
    return size;
}

SchoolSize SchoolSize::ScaledBy(int factor) const {
    SchoolSize size = *this;
    size.name = name + " x" + std::to_string(factor);
    size.teachers *= factor;
    size.parents *= factor;
    size.pupils *= factor;
    size.requests *= factor;
    return size;
}

GeneratedSchool GenerateSchool(const SchoolSize& size, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> percent(0, 99);
    GeneratedSchool school;
    school.event = std::make_shared<Event>();
    Event& event = *school.event;
    event.SetName("Generated " + size.name + " school");
    event.SetSchoolName("Generated School");
    event.SetSlotLength(kSlotSeconds);

    Date date(4, 3, 2025);
    const TimeOfDay opening(16, 0, 0);
    for (int d = 0; d < std::max(1, size.days); ++d) {
        TimeOfDay closing;
        closing.SetSeconds(opening.Seconds() + size.slotsPerDay * kSlotSeconds);
        GeneratedDay day(date, opening, closing);
        day.breakStart = AtSlot(day, size.slotsPerDay / 2 - 2);
        school.days.push_back(day);
        date.NextDay();
        date.NextDay();
    }
    const bool severalDays = school.days.size() > 1;

    std::vector<Teacher*> teachers;
    for (int i = 0; i < size.teachers; ++i) {
        auto teacher = std::make_unique<Teacher>(Numbered("Sam Teacher%03d", i));
        teacher->SetInitials(Numbered("T%03d", i));
        // Three teachers share a room, so a change of location is not a change of teacher.
        teacher->SetLocation(Numbered("Room %d", i / 3));
        for (const GeneratedDay& day : school.days) {
            SetAttendance(*teacher, day, size.slotsPerDay, rng, 10, 5, severalDays ? 3 : 0);
        }
        Teacher* kept = teacher.get();
        if (event.AddTeacher(std::move(teacher))) {
            teachers.push_back(kept);
        }
    }

    // Every family has a child; the rest are brothers and sisters.
    std::vector<int> childrenOf(static_cast<std::size_t>(size.parents), 1);
    if (size.parents > 0) {
        std::uniform_int_distribution<int> anyParent(0, size.parents - 1);
        for (int extra = size.parents; extra < size.pupils; ++extra) {
            ++childrenOf[static_cast<std::size_t>(anyParent(rng))];
        }
    }
    const int requestsPerPupil = size.pupils > 0 ? size.requests / size.pupils : 0;
    int requestsLeftOver = size.pupils > 0 ? size.requests % size.pupils : 0;
    std::uniform_int_distribution<int> anyTeacher(
        0, std::max(0, static_cast<int>(teachers.size()) - 1));

    std::unordered_map<const Teacher*, int> indexOf;
    for (std::size_t t = 0; t < teachers.size(); ++t) {
        indexOf[teachers[t]] = static_cast<int>(t);
    }
    int pupilNumber = 0;
    for (int i = 0; i < size.parents; ++i) {
        auto parent = std::make_unique<Parent>(Numbered("Alex Parent%04d", i));
        int mode = percent(rng);
        parent->SetGapMode(mode < 10   ? EnforceParentGaps
                           : mode < 20 ? AdjacentParentAppointments
                           : mode < 30 ? GapOnLocationChange
                                       : TryParentGaps);
        for (const GeneratedDay& day : school.days) {
            SetAttendance(*parent, day, size.slotsPerDay, rng, 15, 10, severalDays ? 5 : 0);
        }
        std::vector<Teacher*> familyTeachers;
        for (int c = 0; c < childrenOf[static_cast<std::size_t>(i)]; ++c) {
            auto owned = std::make_unique<Pupil>(Numbered("Kim Pupil%04d", pupilNumber));
            owned->SetForm(kForms[pupilNumber % 10]);
            ++pupilNumber;
            Pupil* pupil = owned.get();
            parent->AddPupil(std::move(owned));
            int wanted = requestsPerPupil + (requestsLeftOver > 0 ? 1 : 0);
            if (requestsLeftOver > 0) {
                --requestsLeftOver;
            }
            wanted = std::min(wanted, static_cast<int>(teachers.size()));
            std::vector<Teacher*> chosen;
            while (static_cast<int>(chosen.size()) < wanted) {
                Teacher* teacher = teachers[static_cast<std::size_t>(anyTeacher(rng))];
                // Siblings often see the same teacher, which the booking keeps together.
                if (!familyTeachers.empty() && percent(rng) < 40) {
                    std::uniform_int_distribution<std::size_t> anyShared(0,
                                                                         familyTeachers.size() - 1);
                    teacher = familyTeachers[anyShared(rng)];
                }
                if (std::find(chosen.begin(), chosen.end(), teacher) != chosen.end()) {
                    continue;
                }
                chosen.push_back(teacher);
                int priority = percent(rng);
                const int teacherIndex = indexOf[teacher];
                pupil->AddRequest(teacher, kSubjects[teacherIndex % 12],
                                  priority < 10   ? 2
                                  : priority < 20 ? 0
                                                  : 1,
                                  1);
            }
            familyTeachers.insert(familyTeachers.end(), chosen.begin(), chosen.end());
        }
        (void)event.AddParent(std::move(parent));  // names are numbered, so none is refused
    }

    // A few talks, each some way into a day; a handful of parents and teachers go to each.
    for (int p = 0; p < size.presentations; ++p) {
        const GeneratedDay& day = school.days[static_cast<std::size_t>(p) % school.days.size()];
        auto talk = std::make_unique<Presentation>(Numbered("Talk %d", p));
        talk->SetLocation("Hall");
        talk->SetDate(day.GetDate());
        int first = 4 + 6 * p;
        if (first + 6 > size.slotsPerDay ||
            !talk->SetTimes(AtSlot(day, first), AtSlot(day, first + 6))) {
            continue;
        }
        Presentation* kept = talk.get();
        if (!event.AddPresentation(std::move(talk))) {
            continue;
        }
        const ParentList& parents = event.GetParents();
        for (unsigned i = 0; i < parents.Count(); ++i) {
            if (percent(rng) < 5) {
                parents.At(i)->AddPresentation(kept);
            }
        }
        for (int t = 0; t < 2 && !teachers.empty(); ++t) {
            teachers[static_cast<std::size_t>(anyTeacher(rng))]->AddPresentation(kept);
        }
    }
    event.ClearModified();
    return school;
}

std::vector<std::unique_ptr<Schedule>> GeneratedSchool::MakeSchedules() const {
    std::vector<std::unique_ptr<Schedule>> schedules;
    for (const GeneratedDay& day : days) {
        auto schedule = std::make_unique<Schedule>(event);
        schedule->SetDate(day.GetDate());
        schedule->SetStartTime(day.GetStartTime());
        schedule->SetEndTime(day.GetEndTime());
        schedule->RebuildGrid();
        schedule->AddBreaksForAllTeachers(day.breakStart, day.breakLength, day.breakSpread);
        schedules.push_back(std::move(schedule));
    }
    return schedules;
}

std::vector<AppointmentRequest*> GeneratedSchool::AllRequests() const {
    std::vector<AppointmentRequest*> requests;
    const ParentList& parents = event->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        const Parent* parent = parents.At(i);
        for (unsigned u = 0; u < parent->GetPupilCount(); ++u) {
            const Pupil* pupil = parent->GetPupil(u);
            for (unsigned k = 0; k < pupil->GetRequestCount(); ++k) {
                requests.push_back(pupil->GetRequest(k));
            }
        }
    }
    return requests;
}
