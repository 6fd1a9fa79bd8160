#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/event_changes.h"
#include "app/qm_controller.h"
#include "controller_fixture.h"
#include "model/appointment.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "support/timetable_account.h"

namespace {

constexpr EmailTextKind kKinds[] = {EmailInvitation, EmailReminder, EmailResults};

// The example event, booked, with every mark of everyone set: a school that has sent out all
// it had to say.
class SentMarks : public ControllerFixture {
protected:
    void SetUp() override { Start("school.qmv"); }
    // A copy of its own for each start, so that each opens afresh.
    void Start(const std::string& name) {
        const std::string path =
            Write(name, Read(std::string(QM_SOURCE_DIR) + "/examples/school.qmv"));
        ASSERT_TRUE(controller_.OpenEventFile(path.c_str()));
        controller_.BookUnbookedRequests(false, false);
        MarkEveryoneSent();
    }
    // After the booking has settled: marks set before it would go with it.
    void MarkEveryoneSent() {
        controller_.SettleChanges();
        ::MarkEveryoneSent(TheEvent());
    }
    Event& TheEvent() { return *controller_.GetEvent(); }
    Schedule& Day() { return *controller_.GetSchedule()->GetDay(0); }
    Teacher* TeacherAt(int row) { return TheEvent().GetTeachers().Get(static_cast<unsigned>(row)); }
    std::pair<int, int> FirstBooking() { return ::FirstBooking(Day()); }
    // The people whose timetables a booking tells of.
    std::set<const Person*> PeopleOf(int slot, int row) {
        const AppointmentRequest* request = Day().GetGrid().PeekBooking(slot, row)->GetRequest();
        return {TeacherAt(row), request->GetPupil(), request->GetPupil()->GetParent()};
    }
    int FreeSlot(int row) { return ::FreeSlot(Day(), row); }
};

// Each change is made inside one change of the controller, as a command makes it; the people
// it names, and no others, lose their results mark, and nobody any other mark.
TEST_F(SentMarks, AChangeUnmarksExactlyThosePeopleWhoseTimetableItChanged) {
    struct Case {
        const char* name;
        std::function<std::set<const Person*>()> change;
    };
    const Case cases[] = {
        {"nothing", [] { return std::set<const Person*>{}; }},
        {"an appointment unbooked",
         [&] {
             const auto [slot, row] = FirstBooking();
             std::set<const Person*> told = PeopleOf(slot, row);
             EXPECT_TRUE(Day().RemoveAppointment(slot, row));
             return told;
         }},
        {"an appointment moved to a free slot of its teacher",
         [&] {
             const auto [slot, row] = FirstBooking();
             std::set<const Person*> told = PeopleOf(slot, row);
             EXPECT_TRUE(Day().SwapSlots(row, slot, FreeSlot(row)));
             return told;
         }},
        {"an appointment moved away and back",
         [&] {
             const auto [slot, row] = FirstBooking();
             const int free = FreeSlot(row);
             EXPECT_TRUE(Day().SwapSlots(row, slot, free));
             EXPECT_TRUE(Day().SwapSlots(row, free, slot));
             return std::set<const Person*>{};
         }},
        {"a break where the teacher was free",
         [&] {
             Teacher* teacher = TeacherAt(0);
             teacher->AddBreak(DateTime(Day().GetDate(), Day().SlotToTime(FreeSlot(0))));
             return std::set<const Person*>{teacher};
         }},
        {"a talk attended",
         [&] {
             Presentation* talk = TheEvent().GetPresentations().GetPresentation(0);
             Parent* parent = TheEvent().GetParents().Get(0);
             for (unsigned p = 0; parent->AttendsPresentation(talk); ++p) {
                 parent = TheEvent().GetParents().Get(p);
             }
             EXPECT_TRUE(parent->AddPresentation(talk));
             return std::set<const Person*>{parent};
         }},
        {"a talk moved",
         [&] {
             Presentation* talk = TheEvent().GetPresentations().GetPresentation(0);
             std::set<const Person*> told;
             for (Person* person : EveryPerson(TheEvent())) {
                 const auto* attendee = dynamic_cast<const Attendee*>(person);
                 if (attendee != nullptr && attendee->AttendsPresentation(talk)) {
                     told.insert(person);
                 }
             }
             EXPECT_FALSE(told.empty());
             TimeOfDay later;
             later.SetSeconds(talk->GetEndTime().Seconds() + 300);
             EXPECT_TRUE(talk->SetTimes(talk->GetStartTime(), later));
             return told;
         }},
        {"a request asked and left unbooked",
         [&] {
             Pupil* pupil = TheEvent().GetParents().Get(0)->GetPupil(0);
             EXPECT_TRUE(pupil->AddRequest(TeacherAt(1), "Extra", 1, -1));
             return std::set<const Person*>{TeacherAt(1), pupil, pupil->GetParent()};
         }},
        {"names, subjects and rooms",
         [&] {
             const auto [slot, row] = FirstBooking();
             TeacherAt(row)->SetName("Dr Renamed");
             TeacherAt(row)->SetLocation("Room 99");
             Day().GetGrid().PeekBooking(slot, row)->GetRequest()->SetSubject("Renamed");
             TheEvent().GetParents().Get(0)->SetName("Mx Renamed");
             return std::set<const Person*>{};
         }},
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start("case-" + std::to_string(++run) + ".qmv");
        std::set<const Person*> told;
        {
            const QMController::ChangeScope change(controller_);
            told = c.change();
        }
        // A pupil is told their family's evening: whatever the family is told, each child is.
        for (Person* person : EveryPerson(TheEvent())) {
            const auto* pupil = dynamic_cast<const Pupil*>(person);
            if (pupil != nullptr && told.count(pupil->GetParent()) > 0) {
                told.insert(pupil);
            }
        }
        ExpectOnlyTheChangedUnmarked(TheEvent(), AccountTimetables(*controller_.GetSchedule()),
                                     told);
    }
}

// An appointment moved, and moved back by the next command: the family, the pupil and the
// teacher hold again the very timetable they were sent, so nobody is due it a second time.
TEST_F(SentMarks, AnEditPutBackByTheNextCommandLeavesEveryoneAsSent) {
    const auto [slot, row] = FirstBooking();
    const int free = FreeSlot(row);
    const TimetableAccount sent = AccountTimetables(*controller_.GetSchedule());
    {
        const QMController::ChangeScope change(controller_);
        ASSERT_TRUE(Day().SwapSlots(row, slot, free));
    }
    {
        const QMController::ChangeScope change(controller_);
        ASSERT_TRUE(Day().SwapSlots(row, free, slot));
    }
    ASSERT_TRUE(ChangedTimetablesIn(sent, AccountTimetables(*controller_.GetSchedule())).empty());
    ExpectOnlyTheChangedUnmarked(TheEvent(), sent, {});
}

// A booking moved and, some commands later, moved back: the mark that the move cleared comes back
// only to someone who holds again the very timetable they were last sent, and only while nothing
// else marked or unmarked them and the event stayed open.
TEST_F(SentMarks, AMarkComesBackOnlyWithTheTimetableLastSent) {
    struct Case {
        const char* name;
        bool markedAgain;
        // Between the move and the move back, each a command of its own.
        std::vector<std::function<void(int slot, int row, int free)>> between;
    };
    const auto command = [&](const std::function<void()>& change) {
        const QMController::ChangeScope scope(controller_);
        change();
    };
    // The teacher, the family and each of its children: those the booking's results tell.
    const auto toldOf = [&](int slot, int row) {
        Parent* family =
            Day().GetGrid().PeekBooking(slot, row)->GetRequest()->GetPupil()->GetParent();
        std::vector<Person*> told{TeacherAt(row), family};
        for (unsigned k = 0; k < family->GetPupilCount(); ++k) {
            told.push_back(family->GetPupil(k));
        }
        return told;
    };
    const auto save = [&](int, int, int) {
        ASSERT_TRUE(controller_.SaveEvent(controller_.GetFileName().c_str())) << sink_.GetText();
    };
    const Case cases[] = {
        {"put back by the next command", true, {}},
        {"moved on again first", true, {[&](int slot, int row, int free) {
             int other = -1;
             for (int at = 0; at < Day().GetNumSlots(); ++at) {
                 if (at != slot && Day().GetTeacherSlotStatus(at, row) == SlotFree) {
                     other = at;
                 }
             }
             ASSERT_GE(other, 0);
             command([&] { ASSERT_TRUE(Day().SwapSlots(row, free, other)); });
             command([&] { ASSERT_TRUE(Day().SwapSlots(row, other, free)); });
         }}},
        {"saved between", true, {save}},
        {"saved, closed and opened again",
         false,
         {save,
          [&](int, int, int) {
              const std::string path = controller_.GetFileName();
              controller_.CloseEvent();
              ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
          }}},
        {"every mark cleared, as new hours clear them", false, {[&](int, int, int) {
             command([&] {
                 for (Person* person : EveryPerson(TheEvent())) {
                     for (EmailTextKind kind : kKinds) {
                         person->SetEmailSent(kind, false);
                     }
                 }
             });
         }}},
        {"sent the moved timetable", false, {[&](int, int row, int free) {
             command([&] {
                 for (Person* told : toldOf(free, row)) {
                     told->SetEmailSent(EmailResults, true);
                 }
             });
         }}},
    };
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start("back-" + std::to_string(++run) + ".qmv");
        const auto [slot, row] = FirstBooking();
        const int free = FreeSlot(row);
        command([&] { ASSERT_TRUE(Day().SwapSlots(row, slot, free)); });
        for (const auto& step : c.between) {
            step(slot, row, free);
        }
        command([&] { ASSERT_TRUE(Day().SwapSlots(row, free, slot)); });
        for (const Person* person : toldOf(slot, row)) {
            EXPECT_EQ(person->GetEmailSent(EmailResults), c.markedAgain) << person->GetName();
        }
    }
}

// What waits for a timetable to come back is one person's mark as the change left it: another
// person made where they were, a mark set or cleared meanwhile, or a settling they were not in,
// ends the wait.
TEST(ResultsMarks, AClearedMarkWaitsOnlyForTheSamePersonUntouched) {
    struct Case {
        const char* name;
        std::function<void(std::optional<Teacher>& held, TimetableDigests& seen,
                           ClearedResultsMarks& cleared)>
            meanwhile;
        bool markedAgain;
    };
    const auto at = [](std::optional<Teacher>& held, std::uint64_t digest) {
        return TimetableDigests{{&*held, digest}};
    };
    const Case cases[] = {
        {"nothing", [](auto&, auto&, auto&) {}, true},
        {"another person made at the same address",
         [](std::optional<Teacher>& held, auto&, auto&) {
             Person* before = &*held;
             held.reset();
             held.emplace("Mr New");
             ASSERT_EQ(&*held, before);
         },
         false},
        {"marked and unmarked again by a command",
         [](std::optional<Teacher>& held, auto&, auto&) {
             held->SetEmailSent(EmailResults, true);
             held->SetEmailSent(EmailResults, false);
         },
         false},
        {"cleared again, as new hours clear every mark",
         [](std::optional<Teacher>& held, auto&, auto&) {
             held->SetEmailSent(EmailResults, false);
         },
         false},
        {"gone for one settling",
         [](auto&, TimetableDigests& seen, ClearedResultsMarks& cleared) {
             SettleResultsMarks(seen, {}, cleared);
             seen.clear();
         },
         false},
        {"a copy put back over them, as an editor's OK untouched does",
         [](std::optional<Teacher>& held, auto&, auto&) {
             const Teacher copy = *held;
             *held = copy;
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<Teacher> held(std::in_place, "Ms Sent");
        held->SetEmailSent(EmailResults, true);
        ClearedResultsMarks cleared;
        SettleResultsMarks(at(held, 1), at(held, 2), cleared);
        ASSERT_FALSE(held->GetEmailSent(EmailResults));
        TimetableDigests seen = at(held, 2);
        c.meanwhile(held, seen, cleared);
        SettleResultsMarks(seen, at(held, 1), cleared);
        EXPECT_EQ(held->GetEmailSent(EmailResults), c.markedAgain);
        EXPECT_TRUE(cleared.empty());
    }
}

// Marks come back from the file as they were saved, and from then on follow the timetable as
// marks set in this run do: a booking taken out the next day unmarks its family and teacher.
TEST_F(SentMarks, MarksSavedAndOpenedAgainFollowTheTimetableFromThere) {
    const std::string path = controller_.GetFileName();
    ASSERT_TRUE(controller_.IsEventChanged());
    ASSERT_TRUE(controller_.SaveEvent(path.c_str())) << sink_.GetText();
    controller_.CloseEvent();
    ASSERT_TRUE(controller_.OpenEventFile(path.c_str())) << sink_.GetText();
    EXPECT_FALSE(controller_.IsEventChanged());
    for (const Person* person : EveryPerson(TheEvent())) {
        for (EmailTextKind kind : kKinds) {
            ASSERT_TRUE(person->GetEmailSent(kind)) << person->GetName() << " " << kind;
        }
    }
    const auto [slot, row] = FirstBooking();
    std::set<const Person*> told = PeopleOf(slot, row);
    {
        const QMController::ChangeScope change(controller_);
        ASSERT_TRUE(Day().RemoveAppointment(slot, row));
    }
    for (Person* person : EveryPerson(TheEvent())) {
        const auto* pupil = dynamic_cast<const Pupil*>(person);
        if (pupil != nullptr && told.count(pupil->GetParent()) > 0) {
            told.insert(pupil);
        }
    }
    ExpectOnlyTheChangedUnmarked(TheEvent(), AccountTimetables(*controller_.GetSchedule()), told);
    EXPECT_TRUE(controller_.IsEventChanged());
}

// Another event's marks are its own: neither the change under way when it was taken, nor
// people of the old event at the same addresses, unmark anyone in it.
TEST_F(SentMarks, AnotherEventTakenMidChangeKeepsItsMarks) {
    std::unique_ptr<MultiDaySchedule> other =
        controller_.ReadEventFile((std::string(QM_SOURCE_DIR) + "/examples/school.qmv").c_str());
    ASSERT_NE(other, nullptr);
    const std::shared_ptr<Event> taken = other->GetEvent();
    const std::vector<Person*> people = EveryPerson(*taken);
    ::MarkEveryoneSent(*taken);
    {
        const QMController::ChangeScope change(controller_);
        const auto [slot, row] = FirstBooking();
        ASSERT_TRUE(Day().RemoveAppointment(slot, row));
        controller_.SetEvent(std::move(other));
    }
    ASSERT_EQ(controller_.GetEvent(), taken);
    for (const Person* person : people) {
        SCOPED_TRACE(person->GetName());
        for (EmailTextKind kind : kKinds) {
            EXPECT_TRUE(person->GetEmailSent(kind));
        }
    }
}

}  // namespace
