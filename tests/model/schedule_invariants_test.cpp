#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "model/day_availability.h"
#include "model/event.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "support/school_generator.h"

namespace {

const Parent* ParentAt(const Schedule& day, int slot, int row) {
    const Appointment* booking = day.GetGrid().PeekBooking(slot, row);
    return booking && booking->GetRequest() ? booking->GetRequest()->GetParent() : nullptr;
}

int Rows(const Schedule& day) {
    return static_cast<int>(day.GetEvent()->GetTeachers().Count());
}

// The scoring rules read slot by slot through the status queries: slow, plain, and the
// yardstick for the fast walks.
Score PlainTeacherScore(const Schedule& day, int row) {
    Score score;
    const ScheduleOptions& options = day.GetEvent()->GetOptions();
    int first = day.GetFirstAppointmentSlot(row);
    if (first < 0) {
        return score;
    }
    int last = day.GetLastAppointmentSlot(row);
    int start = options.TeacherCountInitGap ? 0 : first;
    score.Attendance += static_cast<unsigned>(options.TeacherCountInitGap ? last : last - first);
    int gap = 0;
    int block = 0;
    for (int s = start; s <= last; ++s) {
        SlotStatus status = day.GetTeacherSlotStatus(s, row);
        if (status == SlotFree) {
            ++gap;
            block = 0;
            continue;
        }
        if (status == SlotBreak) {
            block = 0;
            gap += options.TeacherCountBreaks ? 1 : 0;
            continue;
        }
        if (status != SlotAppointment && status != SlotPresentation) {
            continue;
        }
        if (status == SlotAppointment && options.BringTwinsTogether && s >= 1) {
            for (int k = s - 1; k >= 0; --k) {
                if (ParentAt(day, k, row) == ParentAt(day, s, row)) {
                    score.SiblingSeparation += static_cast<unsigned>(s - k - 1);
                    break;
                }
            }
        }
        if (gap > options.TeacherGapLength) {
            score.TeacherWaiting += static_cast<unsigned>(gap - options.TeacherGapLength);
        }
        gap = 0;
        if (++block > options.TeacherBlockLength) {
            ++score.TeacherOverBlock;
        }
    }
    return score;
}

Score PlainParentScore(const Schedule& day, const Parent* parent) {
    Score score;
    const ScheduleOptions& options = day.GetEvent()->GetOptions();
    int first = day.GetFirstParentSlot(parent);
    if (first < 0) {
        return score;
    }
    int last = day.GetLastParentSlot(parent);
    int start = options.ParentCountInitGap ? 0 : first;
    score.Attendance += static_cast<unsigned>(options.ParentCountInitGap ? last : last - first);
    int run = 0;
    for (int s = start; s <= last; ++s) {
        if (s != last && day.GetParentSlotStatus(s, parent) == SlotFree) {
            ++run;
        } else {
            score.ParentWaiting +=
                static_cast<unsigned>(std::max(0, run - options.ParentGapLength));
            run = 0;
        }
    }
    return score;
}

void ExpectSameScore(const Score& actual, const Score& expected) {
    EXPECT_EQ(actual.TeacherWaiting, expected.TeacherWaiting);
    EXPECT_EQ(actual.TeacherOverBlock, expected.TeacherOverBlock);
    EXPECT_EQ(actual.ParentWaiting, expected.ParentWaiting);
    EXPECT_EQ(actual.SiblingSeparation, expected.SiblingSeparation);
    EXPECT_EQ(actual.Attendance, expected.Attendance);
}

void ExpectScoresMatchThePlainRules(const Schedule& day) {
    Score expected;
    for (int row = 0; row < Rows(day); ++row) {
        Score plain = PlainTeacherScore(day, row);
        ExpectSameScore(day.ScoreTeacher(row), plain);
        expected += plain;
    }
    const ParentList& parents = day.GetEvent()->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        Score plain = PlainParentScore(day, parents.At(i));
        ExpectSameScore(day.ScoreParent(parents.At(i)), plain);
        expected += plain;
    }
    ExpectSameScore(day.GetScore(), expected);
}

bool IsAway(const Schedule& day, const Attendee* person, int slot) {
    TimeOfDay time = day.SlotToTime(slot);
    return !person->IsAttending(&day) || time < person->GetStartTime(&day) ||
           time >= person->GetEndTime(&day) || person->IsAtPresentation(day.GetDate(), time);
}

// Where a parent is booked next to the booking at (first, row) with another teacher, or is at a
// presentation there: the places a parent who needs gaps must not be.
bool HasBusyNeighbour(const Schedule& day, const Parent* parent, int row, int slot) {
    if (slot < 0 || slot >= day.GetNumSlots()) {
        return false;
    }
    if (parent->IsAttending(&day) &&
        parent->IsAtPresentation(day.GetDate(), day.SlotToTime(slot))) {
        return true;
    }
    for (int other = 0; other < Rows(day); ++other) {
        if (other != row && ParentAt(day, slot, other) == parent) {
            return true;
        }
    }
    return false;
}

void ExpectBookingRulesHold(const Schedule& day) {
    const Event& event = *day.GetEvent();
    for (int s = 0; s < day.GetNumSlots(); ++s) {
        std::set<const Parent*> seen;
        for (int row = 0; row < Rows(day); ++row) {
            const Appointment* booking = day.GetGrid().PeekBooking(s, row);
            if (booking == nullptr) {
                continue;
            }
            const Parent* parent = booking->GetRequest()->GetParent();
            const Teacher* teacher = event.GetTeachers().At(static_cast<unsigned>(row));
            SCOPED_TRACE(parent->GetName() + " with " + teacher->GetName() + " at slot " +
                         std::to_string(s));
            EXPECT_TRUE(seen.insert(parent).second) << "parent in two places";
            EXPECT_FALSE(IsAway(day, teacher, s));
            EXPECT_FALSE(teacher->HasBreak(DateTime(day.GetDate(), day.SlotToTime(s))));
            EXPECT_FALSE(IsAway(day, parent, s));
            EXPECT_EQ(booking->GetRequest()->GetTeacher(), teacher);
            EXPECT_EQ(day.GetGrid().FindParentRow(s, parent), row);
            if (booking->GetFirstSlot() != s) {
                continue;
            }
            int after = s + booking->GetRequest()->GetLength();
            ParentGapMode mode = parent->GetGapMode();
            if (mode == EnforceParentGaps || mode == TryParentGaps) {
                EXPECT_FALSE(HasBusyNeighbour(day, parent, row, s - 1)) << "no gap before";
                EXPECT_FALSE(HasBusyNeighbour(day, parent, row, after)) << "no gap after";
            }
        }
    }
}

// Books every day in turn with what the days before left over, as a whole event is booked.
std::vector<std::unique_ptr<Schedule>> BookSchool(const GeneratedSchool& school, unsigned seed,
                                                  int* unbooked) {
    std::srand(seed);
    auto days = school.MakeSchedules();
    std::vector<AppointmentRequest*> left = school.AllRequests();
    for (auto& day : days) {
        for (AppointmentRequest* request : left) {
            request->SetOrderKey(static_cast<unsigned>(
                day->CountCommonSlots(request->GetTeacher(), request->GetParent())));
        }
        *unbooked = 0;
        EXPECT_TRUE(day->BookRequests(left, BookRandomThenOrderKey, unbooked));
        std::erase_if(left, [&](AppointmentRequest* request) {
            TimeOfDay when;
            return day->IsRequestBooked(request, &when);
        });
    }
    return days;
}

// A school size by name and a seed; the name, not a pointer, shows in the test's listing.
class GeneratedSchoolBooking : public ::testing::TestWithParam<std::pair<std::string, unsigned>> {
protected:
    SchoolSize Size() const {
        return GetParam().first == "medium" ? SchoolSize::Medium() : SchoolSize::Small();
    }
};

TEST_P(GeneratedSchoolBooking, BookingKeepsEveryRuleAndScoresAgreeWithThePlainRules) {
    GeneratedSchool school = GenerateSchool(Size(), GetParam().second);
    int unbooked = 0;
    auto days = BookSchool(school, GetParam().second, &unbooked);

    std::map<const AppointmentRequest*, int> cellsOf;
    for (auto& day : days) {
        SCOPED_TRACE(day->GetDate().FormatISO());
        ExpectBookingRulesHold(*day);
        ExpectScoresMatchThePlainRules(*day);
        const AppointmentGrid& grid = day->GetGrid();
        for (int row = 0; row < Rows(*day); ++row) {
            for (int s = 0; s < day->GetNumSlots(); ++s) {
                if (const Appointment* booking = grid.PeekBooking(s, row)) {
                    ++cellsOf[booking->GetRequest()];
                    int first = booking->GetFirstSlot();
                    EXPECT_TRUE(s >= first && s < first + booking->GetRequest()->GetLength());
                }
            }
        }
    }
    // Each booked request stands once, on one day, in exactly as many cells as it is long.
    std::vector<AppointmentRequest*> all = school.AllRequests();
    int booked = 0;
    for (const AppointmentRequest* request : all) {
        auto found = cellsOf.find(request);
        if (found != cellsOf.end()) {
            EXPECT_EQ(found->second, request->GetLength());
            ++booked;
        }
    }
    EXPECT_EQ(booked + unbooked, static_cast<int>(all.size()));
    EXPECT_GT(booked, static_cast<int>(all.size()) / 2);
}

TEST_P(GeneratedSchoolBooking, ChecksLeaveTheGridAsItWasAndAgreeWithRealMoves) {
    GeneratedSchool school = GenerateSchool(Size(), GetParam().second);
    int unbooked = 0;
    auto days = BookSchool(school, GetParam().second, &unbooked);
    Schedule& day = *days.front();
    const int slots = day.GetNumSlots();
    auto snapshot = [&] {
        std::vector<std::pair<Appointment*, int>> cells;
        for (int row = 0; row < Rows(day); ++row) {
            for (int s = 0; s < slots; ++s) {
                Appointment* booking = day.GetGrid().PeekBooking(s, row);
                cells.emplace_back(booking, booking ? booking->GetFirstSlot() : -1);
            }
        }
        return cells;
    };
    std::srand(GetParam().second);
    int movesAllowed = 0;
    for (int trial = 0; trial < 400; ++trial) {
        int row = std::rand() % Rows(day);
        int from = std::rand() % slots;
        int to = std::rand() % slots;
        auto before = snapshot();
        bool canMove = day.MoveCheck(row, from, to);
        day.SwapCheck(row, from, to);
        ASSERT_EQ(snapshot(), before);
        if (!canMove) {
            continue;
        }
        // The move the check allowed can really be made, and then the rules still hold.
        ++movesAllowed;
        std::shared_ptr<Appointment> booking = day.GetGrid().RemoveBooking(from, row);
        ASSERT_TRUE(booking);
        ASSERT_TRUE(day.BookAt(booking, row, to));
    }
    EXPECT_GT(movesAllowed, 0);
    ExpectBookingRulesHold(day);
    ExpectScoresMatchThePlainRules(day);
    // Unplanned swaps and removals break the rules, but never the scoring's agreement.
    for (int trial = 0; trial < 200; ++trial) {
        int row = std::rand() % Rows(day);
        if (trial % 3 == 0) {
            day.GetGrid().RemoveBooking(std::rand() % slots, row);
        } else {
            int a = std::rand() % slots;
            int b = std::rand() % slots;
            const Appointment* booking = day.GetGrid().PeekBooking(a, row);
            if (booking != nullptr && booking->GetFirstSlot() == a) {
                (void)day.SwapSlots(row, a, b);  // random moves: a refused one is part of the test
            }
        }
    }
    ExpectScoresMatchThePlainRules(day);
}

// The statuses a booking reads once and looks up are those asked slot by slot, and so is every
// placement decided with them, booked cells or not.
TEST_P(GeneratedSchoolBooking, StatusesReadOnceAreTheStatusesAskedAgain) {
    GeneratedSchool school = GenerateSchool(Size(), GetParam().second);
    int unbooked = 0;
    auto days = BookSchool(school, GetParam().second, &unbooked);
    const ParentList& parents = school.event->GetParents();
    for (auto& day : days) {
        SCOPED_TRACE(day->GetDate().FormatISO());
        DayAvailability known(*day);
        const AppointmentGrid& grid = day->GetGrid();
        for (int pass = 0; pass < 2; ++pass) {
            for (int s = 0; s < day->GetNumSlots(); ++s) {
                for (int row = 0; row < Rows(*day); ++row) {
                    const SlotStatus aside = day->GetTeacherStatusAside(s, row);
                    ASSERT_EQ(known.Teacher(s, row), aside);
                    ASSERT_EQ(day->GetTeacherSlotStatus(s, row),
                              grid.HasBooking(s, row) ? SlotAppointment : aside);
                }
                for (unsigned p = 0; p < parents.Count(); ++p) {
                    const SlotStatus aside = day->GetParentStatusAside(s, parents.At(p));
                    ASSERT_EQ(known.Parent(s, parents.At(p)), aside);
                    ASSERT_EQ(day->GetParentSlotStatus(s, parents.At(p)),
                              grid.ParentIsBooked(s, parents.At(p)) ? SlotAppointment : aside);
                }
            }
        }
        for (AppointmentRequest* request : school.AllRequests()) {
            const int row = school.event->GetTeachers().IndexOf(request->GetTeacher());
            auto booking = std::make_shared<Appointment>(request);
            for (int s = 0; s < day->GetNumSlots(); ++s) {
                ASSERT_EQ(day->CanPlaceAppointment(booking, row, s, &known),
                          day->CanPlaceAppointment(booking, row, s));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Schools, GeneratedSchoolBooking,
                         ::testing::Values(std::make_pair(std::string("small"), 1u),
                                           std::make_pair(std::string("small"), 2u),
                                           std::make_pair(std::string("medium"), 3u)),
                         [](const auto& info) {
                             return info.param.first + std::to_string(info.param.second);
                         });

TEST(SchoolGenerator, TheSameSeedGivesTheSameSchoolWhateverRandsState) {
    std::srand(1);
    GeneratedSchool one = GenerateSchool(SchoolSize::Small(), 42);
    std::srand(99);
    std::rand();
    GeneratedSchool two = GenerateSchool(SchoolSize::Small(), 42);
    GeneratedSchool other = GenerateSchool(SchoolSize::Small(), 43);
    auto describe = [](const GeneratedSchool& school) {
        std::string text;
        for (const AppointmentRequest* request : school.AllRequests()) {
            text += request->GetParent()->GetName() +
                    std::to_string(request->GetParent()->GetGapMode()) +
                    request->GetPupil()->GetName() + request->GetTeacher()->GetName() + ";";
        }
        return text;
    };
    EXPECT_EQ(describe(one), describe(two));
    EXPECT_NE(describe(one), describe(other));
}

TEST(SchoolGenerator, ALargeSchoolHasTheSizeAndTheHabitsAsked) {
    GeneratedSchool school = GenerateSchool(SchoolSize::Large(), 7);
    const Event& event = *school.event;
    EXPECT_EQ(event.GetTeachers().Count(), 150u);
    EXPECT_EQ(event.GetParents().Count(), 1500u);
    EXPECT_EQ(event.GetParents().GetPupilCount(), 2500);
    std::vector<AppointmentRequest*> requests = school.AllRequests();
    EXPECT_EQ(requests.size(), 10000u);
    EXPECT_TRUE(std::all_of(requests.begin(), requests.end(),
                            [](const AppointmentRequest* r) { return r->GetLength() == 1; }));
    ASSERT_EQ(school.days.size(), 2u);
    std::set<int> modes;
    int late = 0;
    int siblings = 0;
    for (unsigned i = 0; i < event.GetParents().Count(); ++i) {
        const Parent* parent = event.GetParents().At(i);
        modes.insert(parent->GetGapMode());
        late += parent->ArrivesLate(&school.days[0]) ? 1 : 0;
        siblings += parent->GetPupilCount() > 1 ? 1 : 0;
    }
    EXPECT_EQ(modes.size(), 4u);
    EXPECT_GT(late, 0);
    EXPECT_GT(siblings, 0);
    EXPECT_GE(event.GetPresentations().Count(), 1u);

    std::srand(3);
    auto days = school.MakeSchedules();
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[1]->GetNumSlots(), 48);
    EXPECT_EQ(days[1]->GetDate(), school.days[1].GetDate());
    EXPECT_GT(event.GetTeachers().At(0)->GetBreakCount(), 0u);
}

}  // namespace
