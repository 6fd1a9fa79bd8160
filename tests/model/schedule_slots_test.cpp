#include <gtest/gtest.h>

#include "model/presentation.h"
#include "model/day_fixture.h"

namespace {

// Sam has a one-slot Maths request with Ann and a two-slot Art request with Bob.
class DaySlots : public DayFixture {
protected:
    DaySlots() {
        sam->AddRequest(ann, "Maths", 1, 1);
        sam->AddRequest(bob, "Art", 1, 2);
    }
};

TEST_F(DaySlots, SlotArithmeticAtTheDaysEdges) {
    EXPECT_EQ(day->GetNumSlots(), 48);
    EXPECT_EQ(day->GetGrid().GetSlotCount(), 48u);
    EXPECT_EQ(day->GetGrid().GetRowCount(), 2u);
    struct Case {
        const char* name;
        TimeOfDay time;
        int slot;
    };
    const Case cases[] = {
        {"opening", At(18, 0), 0},
        {"last second of the first slot", At(18, 4, 59), 0},
        {"second slot", At(18, 5), 1},
        {"last slot", At(21, 59, 59), 47},
        {"closing time is one past the last slot", At(22, 0), 48},
        {"after closing", At(22, 0, 1), -1},
        {"before opening", At(17, 59, 59), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(day->GetSlotForTime(c.time), c.slot);
    }
    EXPECT_EQ(day->SlotToTime(47), At(21, 55));
    DateTime when;
    day->GetSlotDateTime(2, &when);
    EXPECT_EQ(when, DateTime(Date(5, 3, 2024), At(18, 10)));
}

TEST_F(DaySlots, APartSlotAtTheCloseCountsAsPastTheLastSlot) {
    day->SetEndTime(At(18, 7));
    EXPECT_EQ(day->GetNumSlots(), 1);
    EXPECT_EQ(day->GetSlotForTime(At(18, 6)), 1);
    EXPECT_EQ(day->GetTeacherSlotStatus(1, 0), SlotUnavailable);

    // A close before the opening leaves no slots at all.
    day->SetEndTime(At(17, 0));
    EXPECT_LT(day->GetNumSlots(), 0);
    EXPECT_EQ(day->GetGrid().GetSlotCount(), 0u);
    EXPECT_EQ(day->GetFirstAppointmentSlot(0), -1);
    EXPECT_EQ(day->GetLastParentSlot(parent), -1);
    EXPECT_EQ(day->GetPersonEndTime(parent), TimeOfDay());
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(DaySlots, ABookingDecidesEvenOutsideTheParentsHours) {
    parent->SetTimes(day.get(), At(19, 0), At(20, 0));
    parent->SetArrivesLate(day.get(), true);
    parent->SetLeavesEarly(day.get(), true);
    Book(2, 0, 0);
    EXPECT_EQ(day->GetParentSlotStatus(2, parent), SlotAppointment);
    EXPECT_EQ(day->GetParentSlotStatus(3, parent), SlotUnavailable);
    EXPECT_EQ(day->GetParentSlotStatus(12, parent), SlotFree);
    EXPECT_EQ(day->GetParentSlotStatus(23, parent), SlotFree);
    EXPECT_EQ(day->GetParentSlotStatus(24, parent), SlotUnavailable);  // leaving at 20:00
    EXPECT_EQ(day->GetParentSlotStatus(-1, parent), SlotUnavailable);
    EXPECT_EQ(day->GetParentSlotStatus(48, parent), SlotUnavailable);

    parent->SetAttending(day.get(), false);
    EXPECT_EQ(day->GetParentSlotStatus(2, parent), SlotAppointment);
    EXPECT_EQ(day->GetParentSlotStatus(12, parent), SlotUnavailable);
}

TEST_F(DaySlots, TeacherStatusPrecedence) {
    ann->AddBreak(DateTime(Date(5, 3, 2024), At(19, 0)));
    ann->AddBreak(DateTime(Date(6, 3, 2024), At(19, 5)));  // another day's
    EXPECT_EQ(day->GetTeacherSlotStatus(12, 0), SlotBreak);
    EXPECT_EQ(day->GetTeacherSlotStatus(13, 0), SlotFree);

    Presentation talk("Careers", "Hall", Date(5, 3, 2024), "19:00", "19:30");
    ann->AddPresentation(&talk);
    EXPECT_EQ(day->GetTeacherSlotStatus(12, 0), SlotBreak);  // the break comes first
    EXPECT_EQ(day->GetTeacherSlotStatus(13, 0), SlotPresentation);
    EXPECT_EQ(day->GetTeacherSlotStatus(18, 0), SlotFree);

    Book(12, 0, 0);
    EXPECT_EQ(day->GetTeacherSlotStatus(12, 0), SlotAppointment);
    EXPECT_EQ(day->GetPersonSlotStatus(12, ann), SlotAppointment);

    ann->SetAttending(day.get(), false);
    EXPECT_EQ(day->GetTeacherSlotStatus(12, 0), SlotAppointment);
    EXPECT_EQ(day->GetTeacherSlotStatus(20, 0), SlotUnavailable);
    ann->RemovePresentation(&talk);

    // Rows without a teacher are unavailable, never a message.
    EXPECT_EQ(day->GetTeacherSlotStatus(5, 2), SlotUnavailable);
    EXPECT_EQ(day->GetTeacherSlotStatus(5, -1), SlotUnavailable);
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(DaySlots, PersonStatusGoesByKind) {
    Book(4, 1, 1);
    EXPECT_EQ(day->GetPersonSlotStatus(4, sam), SlotAppointment);
    EXPECT_EQ(day->GetPersonSlotStatus(5, sam), SlotAppointment);
    EXPECT_EQ(day->GetPersonSlotStatus(6, sam), SlotFree);
    EXPECT_EQ(day->GetPersonSlotStatus(4, bob), SlotAppointment);
    EXPECT_EQ(day->GetPersonSlotStatus(4, nullptr), SlotUnavailable);
    Pupil orphan("Lee Orphan");
    EXPECT_EQ(day->GetPersonSlotStatus(6, &orphan), SlotUnavailable);
    Teacher stranger("Not Here");
    EXPECT_EQ(day->GetPersonSlotStatus(6, &stranger), SlotUnavailable);
    Person someone("Some One");
    EXPECT_EQ(day->GetPersonSlotStatus(6, &someone), SlotUnavailable);
}

TEST_F(DaySlots, FirstLastAndPersonTimes) {
    EXPECT_EQ(day->GetPersonStartTime(parent), TimeOfDay());
    EXPECT_EQ(day->GetPersonEndTime(parent), TimeOfDay());
    Book(2, 1, 1);  // 18:10-18:20
    Book(9, 0, 0);  // 18:45-18:50
    EXPECT_EQ(day->GetFirstParentSlot(parent), 2);
    EXPECT_EQ(day->GetLastParentSlot(parent), 9);
    EXPECT_EQ(day->GetFirstAppointmentSlot(1), 2);
    EXPECT_EQ(day->GetLastAppointmentSlot(1), 3);
    EXPECT_EQ(day->GetPersonStartTime(parent), At(18, 10));
    EXPECT_EQ(day->GetPersonEndTime(parent), At(18, 50));
    EXPECT_EQ(day->GetPersonEndTime(bob), At(18, 20));

    Presentation talk("Careers", "Hall", Date(5, 3, 2024), "19:00", "19:30");
    parent->AddPresentation(&talk);
    EXPECT_EQ(day->GetPersonEndTime(sam), At(19, 30));
    parent->RemovePresentation(&talk);
}

TEST_F(DaySlots, BookingQueries) {
    TimeOfDay when;
    EXPECT_FALSE(day->IsRequestBooked(sam->GetRequest(1), &when));
    EXPECT_FALSE(day->TeacherHasAppointments(bob));
    EXPECT_FALSE(day->ParentHasAppointments(parent));
    EXPECT_FALSE(day->PupilHasAppointments(sam));
    Book(6, 1, 1);
    EXPECT_TRUE(day->IsRequestBooked(sam->GetRequest(1), &when));
    EXPECT_EQ(when, At(18, 30));
    EXPECT_FALSE(day->IsRequestBooked(sam->GetRequest(0), &when));
    EXPECT_TRUE(day->TeacherHasAppointments(bob));
    EXPECT_FALSE(day->TeacherHasAppointments(ann));
    EXPECT_TRUE(day->ParentHasAppointments(parent));
    EXPECT_TRUE(day->PupilHasAppointments(sam));
    EXPECT_EQ(sink.GetText(), "");

    Teacher stranger("Not Here");
    EXPECT_FALSE(day->TeacherHasAppointments(&stranger));
    EXPECT_NE(sink.GetText().find("Appointment offset -1 out of bounds"), std::string::npos);
}

TEST_F(DaySlots, CommonAndAvailableSlots) {
    parent->SetTimes(day.get(), At(19, 0), At(19, 50));
    parent->SetArrivesLate(day.get(), true);
    parent->SetLeavesEarly(day.get(), true);
    // Both present over the same ten slots: one less than that.
    EXPECT_EQ(day->CountCommonSlots(parent, ann), 9);
    EXPECT_EQ(day->CountCommonSlots(ann, bob), 47);
    EXPECT_EQ(day->CountCommonSlots(parent, nullptr), 0);
    bob->SetAttending(day.get(), false);
    EXPECT_EQ(day->CountCommonSlots(ann, bob), 0);
    EXPECT_EQ(day->CountTeacherAvailableSlots(bob), 0);

    EXPECT_EQ(day->CountTeacherAvailableSlots(ann), 48);
    ann->AddBreak(DateTime(Date(5, 3, 2024), At(19, 0)));
    ann->AddBreak(DateTime(Date(5, 3, 2024), At(19, 5)));
    ann->AddBreak(DateTime(Date(6, 3, 2024), At(19, 0)));
    EXPECT_EQ(day->CountTeacherAvailableSlots(ann), 46);
    EXPECT_EQ(day->CountTeacherAvailableSlots(nullptr), 0);
}

TEST_F(DaySlots, CopiesAreModifiedAssignmentsKeepTheirFlag) {
    Book(3, 1, 1);
    EXPECT_FALSE(day->IsModified());
    Schedule copy(*day);
    EXPECT_TRUE(copy.IsModified());
    EXPECT_EQ(copy.GetDate(), day->GetDate());
    EXPECT_TRUE(copy.IsRequestBooked(sam->GetRequest(1), nullptr));
    // The copy's bookings are its own.
    EXPECT_TRUE(copy.RemoveAppointment(3, 1));
    EXPECT_TRUE(day->IsRequestBooked(sam->GetRequest(1), nullptr));

    copy.ClearModified();
    event->ClearModified();
    copy = *day;
    EXPECT_FALSE(copy.IsModified());
    EXPECT_TRUE(copy.IsRequestBooked(sam->GetRequest(1), nullptr));

    // Without its own flag the day follows the event and then its print settings.
    event->SetModified();
    EXPECT_TRUE(copy.IsModified());
    event->ClearModified();
    event->GetPrintSettings().SetModified(true);
    EXPECT_TRUE(copy.IsModified());
    event->GetPrintSettings().SetModified(false);
    copy.ResetEvent();
    EXPECT_FALSE(copy.IsModified());
}

TEST_F(DaySlots, SwapPassThroughMarksTheDayModified) {
    Book(3, 0, 0);
    Book(4, 1, 1);
    EXPECT_FALSE(day->SwapSlots(1, 5, 9));  // not the booking's first cell
    EXPECT_TRUE(day->IsModified());         // marked even when refused
    day->ClearModified();
    EXPECT_TRUE(day->SwapSlots(0, 3, 10));
    EXPECT_TRUE(day->IsModified());
    EXPECT_EQ(day->GetGrid().FindParentRow(10, parent), 0);
    day->ClearModified();
    day->ClearBookings();
    EXPECT_TRUE(day->IsModified());
    EXPECT_FALSE(day->ParentHasAppointments(parent));
}

}  // namespace
