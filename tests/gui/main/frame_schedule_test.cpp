#include <gtest/gtest.h>
#include <wx/testing.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/event_file_writer.h"
#include "app/optimise_session.h"
#include "comms/wx/email_server_dlg.h"
#include "frame_fixture.h"
#include "gui/dialogs/edit_scoring_dlg.h"
#include "gui/dialogs/new_event_dlg.h"
#include "gui/dialogs/optimise_dlg.h"
#include "gui/main/event_summary_pane.h"
#include "gui/main/frame_commands.h"
#include "gui/main/overview_pane.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "print/wx/print_settings_dlg.h"

namespace {

// Answers a modal dialog of type T by running the action on it.
template <class T>
class Answering : public wxExpectModalBase<T, Answering<T>> {
public:
    explicit Answering(std::function<int(T&)> action) : action_(std::move(action)) {}

protected:
    int OnInvoked(T* dialog) const override { return action_(*dialog); }

private:
    std::function<int(T&)> action_;
};

const char* const kRebookQuestion =
    "This will clear all the existing appointments and rebook them in from scratch. The "
    "resulting schedule will need a lot of optimisation. Are you sure you want to do this?";
const char* const kUnlockQuestion =
    "WARNING: Removing the lock on a schedule allows the currently booked appointments to "
    "change. This will make all printouts and sent emails invalid. Are you absolutely sure you "
    "want to remove the lock?";

class FrameSchedule : public CommandWindow {
protected:
    // The event settings' side editors are the window's to install; no test may depend on an
    // earlier one having built a window.
    FrameSchedule() {
        InstallScheduleEditors();
        InstallEmailEditors();
    }
    ~FrameSchedule() override { Score::SetCompareSwitches(switches_); }

    void OpenExample() {
        Open(Example());
        ASSERT_NE(Schedule(), nullptr);
    }
    Event& TheEvent() { return *Schedule()->GetEvent(); }
    std::string EventText() {
        srand(1);
        return EventFileWriter(*Schedule()).FormatEventFile();
    }
    void MarkEveryEmailSent() {
        ParentList& parents = TheEvent().GetParents();
        for (unsigned i = 0; i < parents.Count(); ++i) {
            for (EmailTextKind kind : {EmailInvitation, EmailReminder, EmailResults}) {
                parents.At(i)->SetEmailSent(kind, true);
            }
        }
    }
    int CountEmailSent() {
        int sent = 0;
        ParentList& parents = TheEvent().GetParents();
        for (unsigned i = 0; i < parents.Count(); ++i) {
            for (EmailTextKind kind : {EmailInvitation, EmailReminder, EmailResults}) {
                sent += parents.At(i)->GetEmailSent(kind);
            }
        }
        return sent;
    }
    std::vector<std::string> Questions() const {
        std::vector<std::string> texts;
        for (const ScriptedPrompts::Shown& box : prompts_.shown) {
            if (box.style & wxYES_NO) {
                texts.push_back(ToUtf8(box.message));
            }
        }
        return texts;
    }

    ScoreCompareSwitches switches_ = Score::GetCompareSwitches();
};

TEST_F(FrameSchedule, WithoutAnEventEveryTimetableCommandDoesNothing) {
    Open();
    for (int id : {33, 83, 32, 82, 34, 84, 39, 15, 16, 49}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(host_->IsCommandBound(CommandOfWxId(id)));
        EXPECT_TRUE(host_->RunCommand(CommandOfWxId(id)));
    }
    EXPECT_TRUE(prompts_.shown.empty());
    EXPECT_EQ(Schedule(), nullptr);
}

TEST_F(FrameSchedule, BookingOnlyTheUnbookedSaysHowItWent) {
    OpenExample();
    ASSERT_FALSE(Schedule()->AllRequestsBooked());
    host_->RunCommand(CommandId::BookIncomplete);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("Booked ", 0), 0u) << Boxes()[0];
    const std::string booked = EventText();
    host_->RunCommand(CommandId::ToolBookIncomplete);
    EXPECT_EQ(Boxes().back(), "There were no unbooked requests");
    EXPECT_EQ(EventText(), booked);
    EXPECT_FALSE(MenuEnabled(CommandId::BookIncomplete));
}

TEST_F(FrameSchedule, RebookingAllAsksFirstAndNoLeavesTheTimetable) {
    OpenExample();
    const std::string before = EventText();
    prompts_.Answer(wxID_NO);
    host_->RunCommand(CommandId::RebookAll);
    EXPECT_EQ(EventText(), before);
    prompts_.Answer(wxID_YES);
    host_->RunCommand(CommandId::ToolRebookAll);
    EXPECT_EQ(Questions(), (std::vector<std::string>{kRebookQuestion, kRebookQuestion}));
    EXPECT_NE(EventText(), before);
    EXPECT_TRUE(EventChanged());
}

// Whichever road locks, the bookings are locked with the event, so removals are refused alike.
TEST_F(FrameSchedule, LockingLocksTheBookingsAndUnlockingAsksFirst) {
    OpenExample();
    host_->RunCommand(CommandId::BookIncomplete);
    Schedule()->ClearModified();
    Parent* parent = nullptr;
    for (unsigned i = 0; i < TheEvent().GetParents().Count() && !parent; ++i) {
        Parent* candidate = TheEvent().GetParents().At(i);
        if (Schedule()->GetDay(0)->ParentHasAppointments(candidate)) {
            parent = candidate;
        }
    }
    ASSERT_NE(parent, nullptr);

    host_->RunCommand(CommandId::LockSchedule);
    EXPECT_TRUE(TheEvent().IsLocked());
    EXPECT_TRUE(EventChanged());
    EXPECT_TRUE(Questions().empty());
    EXPECT_FALSE(MenuEnabled(CommandId::LockSchedule));
    EXPECT_TRUE(MenuEnabled(CommandId::RemoveLock));
    EXPECT_FALSE(ToolEnabled(CommandId::ToolOptimise));
    // Even with the event's own flag cleared behind the frame's back, the bookings hold.
    TheEvent().SetLocked(false);
    EXPECT_FALSE(Schedule()->UnbookParent(parent));
    EXPECT_TRUE(Schedule()->GetDay(0)->ParentHasAppointments(parent));
    TheEvent().SetLocked(true);

    prompts_.Answer(wxID_NO);
    host_->RunCommand(CommandId::RemoveLock);
    EXPECT_TRUE(TheEvent().IsLocked());
    prompts_.Answer(wxID_YES);
    host_->RunCommand(CommandId::RemoveLock);
    EXPECT_EQ(Questions(), (std::vector<std::string>{kUnlockQuestion, kUnlockQuestion}));
    EXPECT_FALSE(TheEvent().IsLocked());
    EXPECT_TRUE(MenuEnabled(CommandId::LockSchedule));
    EXPECT_TRUE(Schedule()->UnbookParent(parent));
}

// A family marked away while locked keeps its bookings only as long as the lock: removing it
// gives them up, naming each, as the file would open without them; everyone else keeps theirs.
TEST_F(FrameSchedule, RemovingTheLockGivesUpTheBookingsOfAFamilyMarkedAwayAndNamesThem) {
    OpenExample();
    host_->RunCommand(CommandId::BookIncomplete);
    Parent* away = nullptr;
    for (unsigned i = 0; i < TheEvent().GetParents().Count() && !away; ++i) {
        Parent* candidate = TheEvent().GetParents().At(i);
        if (Schedule()->GetDay(0)->ParentHasAppointments(candidate)) {
            away = candidate;
        }
    }
    ASSERT_NE(away, nullptr);
    host_->RunCommand(CommandId::LockSchedule);
    away->SetAttending(Schedule()->GetDay(0), false);
    const std::string before = EventText();
    const size_t boxes = Boxes().size();

    prompts_.Answer(wxID_YES);
    host_->RunCommand(CommandId::RemoveLock);
    EXPECT_FALSE(TheEvent().IsLocked());
    EXPECT_FALSE(Schedule()->GetDay(0)->ParentHasAppointments(away));
    ASSERT_EQ(Boxes().size(), boxes + 1);
    const std::string said = Boxes().back();
    EXPECT_EQ(said.rfind("Warning: These appointments fall where the teacher or the family is "
                         "no longer available",
                         0),
              0u)
        << said;
    EXPECT_NE(said.find(away->GetName() + " about "), std::string::npos);
    // Only the family's own lines went.
    const auto bookingLines = [](const std::string& text) {
        int count = 0;
        for (size_t at = text.find("\nat "); at != std::string::npos;
             at = text.find("\nat ", at + 1)) {
            ++count;
        }
        return count;
    };
    const std::string after = EventText();
    EXPECT_LT(bookingLines(after), bookingLines(before));
    EXPECT_EQ(bookingLines(before) - bookingLines(after),
              static_cast<int>(std::count(said.begin(), said.end(), '\n')));
}

TEST_F(FrameSchedule, EditingDetailsRebooksAndClearsSentEmailsOnlyForATimingChange) {
    OpenExample();
    host_->RunCommand(CommandId::BookIncomplete);
    MarkEveryEmailSent();
    const int sent = CountEmailSent();
    ASSERT_GT(sent, 0);
    const std::string before = EventText();
    const size_t boxes = Boxes().size();

    wxTEST_DIALOG(host_->RunCommand(CommandId::EditEventDetails),
                  Answering<NewEventDlg>([](NewEventDlg&) { return wxID_CANCEL; }));
    EXPECT_EQ(EventText(), before);

    wxTEST_DIALOG(host_->RunCommand(CommandId::EditEventDetails),
                  Answering<NewEventDlg>([](NewEventDlg& d) {
                      d.GetNameBox()->ChangeValue("Renamed evening");
                      return d.TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
                  }));
    EXPECT_EQ(TheEvent().GetName(), "Renamed evening");
    EXPECT_EQ(CountEmailSent(), sent);
    EXPECT_EQ(Boxes().size(), boxes);

    const int slot = TheEvent().GetSlotLength();
    wxTEST_DIALOG(host_->RunCommand(CommandId::EditEventDetails),
                  Answering<NewEventDlg>([](NewEventDlg& d) {
                      d.GetSlotLengthBox()->ChangeValue("7.5");
                      return d.TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
                  }));
    EXPECT_NE(slot, 450);
    EXPECT_EQ(TheEvent().GetSlotLength(), 450);
    // The limits set in minutes say where the new slots cannot keep them, then the rebooking.
    const std::vector<std::string> all = Boxes();
    const std::vector<std::string> shown(all.begin() + static_cast<long>(boxes), all.end());
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0],
              "Warning: The parent wait length of 20 minutes is not a whole number of the new "
              "slots: it is now 15 minutes");
    EXPECT_EQ(shown.back(),
              "All appointments will be cleared and rebooked because one or more of the timing "
              "parameters has changed. You must then optimise the new schedule.");
    EXPECT_EQ(CountEmailSent(), 0);
    const ::Schedule& day = *Schedule()->GetDay(0);
    EXPECT_EQ(static_cast<int>(day.GetGrid().GetSlotCount()), day.GetNumSlots());
}

TEST_F(FrameSchedule, EventDetailsEditTheEventsLogoAndNotes) {
    OpenExample();
    NewEventDlg dialog(TopWindow(), Schedule(), &host_->GetController());
    ASSERT_TRUE(dialog.FindWindow(WxId(NewEventDlg::Id::EditLogoAndNotes))->IsEnabled());
    wxCommandEvent click(wxEVT_BUTTON, WxId(NewEventDlg::Id::EditLogoAndNotes));
    wxTEST_DIALOG(dialog.ProcessWindowEvent(click),
                  Answering<PrintSettingsAdvDlg>([](PrintSettingsAdvDlg& d) {
                      d.GetParentNotesField()->ChangeValue("Bring the school reports");
                      return d.TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
                  }));
    EXPECT_EQ(TheEvent().GetPrintSettings().GetParentNotes(), "Bring the school reports");
}

TEST_F(FrameSchedule, EventDetailsEditTheEventsMailServerOnlyOnOk) {
    OpenExample();
    NewEventDlg dialog(TopWindow(), Schedule(), &host_->GetController());
    ASSERT_TRUE(dialog.FindWindow(WxId(NewEventDlg::Id::EditEmailServer))->IsEnabled());
    const std::string before = TheEvent().GetEmailServerSettings().GetServer();
    for (const int answer : {wxID_CANCEL, wxID_OK}) {
        wxCommandEvent click(wxEVT_BUTTON, WxId(NewEventDlg::Id::EditEmailServer));
        wxTEST_DIALOG(dialog.ProcessWindowEvent(click),
                      Answering<EmailServerDlg>([answer](EmailServerDlg& d) {
                          d.GetFromField()->ChangeValue("office@school.example");
                          d.GetServerField()->ChangeValue("smtp.school.example");
                          return answer == wxID_OK && d.TransferDataFromWindow() ? wxID_OK
                                                                                 : wxID_CANCEL;
                      }));
        EXPECT_EQ(TheEvent().GetEmailServerSettings().GetServer(),
                  answer == wxID_OK ? "smtp.school.example" : before);
    }
}

TEST_F(FrameSchedule, OptimiseBooksWhatItCanSilentlyThenRunsTheWindow) {
    OpenExample();
    ASSERT_FALSE(Schedule()->AllRequestsBooked());
    int passes = -1;
    wxTEST_DIALOG(
        host_->RunCommand(CommandId::Optimise), Answering<OptimiseDlg>([&](OptimiseDlg& d) {
            // Booked before the window opened.
            EXPECT_TRUE(Schedule()->AllRequestsBooked());
            for (int tick = 0;
                 tick < 100000 && d.GetSession().GetPasses() < 1 && !d.GetSession().IsFinished();
                 ++tick) {
                wxIdleEvent idle;
                d.OnIdle(idle);
            }
            passes = d.GetSession().GetPasses();
            return wxID_CANCEL;
        }));
    EXPECT_TRUE(passes >= 1 || Schedule()->GetScore().IsPerfect());
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FrameSchedule, ScoringChangesReachTheEventOnlyOnOK) {
    OpenExample();
    const ScheduleOptions before = TheEvent().GetOptions();
    wxTEST_DIALOG(host_->RunCommand(CommandId::EditScoring),
                  Answering<EditScoringDlg>([](EditScoringDlg& d) {
                      d.GetTeacherWaitBox()->ChangeValue("60");
                      return wxID_CANCEL;
                  }));
    EXPECT_EQ(TheEvent().GetOptions(), before);
    wxTEST_DIALOG(host_->RunCommand(CommandId::EditScoring),
                  Answering<EditScoringDlg>([](EditScoringDlg& d) {
                      d.GetTeacherWaitBox()->ChangeValue("60");
                      return d.TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
                  }));
    EXPECT_EQ(TheEvent().GetOptions().TeacherGapLength, 60 * 60 / TheEvent().GetSlotLength());
}

class OverviewInTheWindow : public MainWindow {
protected:
    // The overview's menu over the first booked cell of the first teacher on the first day.
    static OverviewCellSelection FirstBookedCell(MultiDaySchedule* schedule) {
        ::Schedule* day = schedule->GetDay(0);
        int slot = 0;
        while (slot < day->GetNumSlots() && day->GetGrid().PeekBooking(slot, 0) == nullptr) {
            ++slot;
        }
        EXPECT_LT(slot, day->GetNumSlots());
        OverviewCellSelection target;
        target.cell.schedule = schedule;
        target.cell.event = schedule->GetEvent();
        target.cell.hit = {HitTeacherRow, -1, -1, day, slot, 0};
        target.cell.teacherIndex = 0;
        target.cell.appointment = day->GetGrid().GetBooking(slot, 0);
        return target;
    }
};

// A command from the overview's popup is a change like any other: the summary line follows it.
TEST_F(OverviewInTheWindow, ItsCommandsRunInAChangeTheViewsFollow) {
    MultiDaySchedule* schedule = OpenBookedExample();
    ASSERT_NE(schedule, nullptr);
    ASSERT_TRUE(schedule->AllRequestsBooked());
    frame_->RefreshViews();
    OverviewCellSelection target = FirstBookedCell(schedule);
    ::Schedule* day = target.cell.hit.day;
    const int slot = target.cell.hit.slot;
    const wxString before = frame_->GetSummaryPane()->GetScoreLine()->GetLabel();
    EXPECT_FALSE(before.Contains("unbooked"));

    EXPECT_TRUE(
        frame_->RunCommand(CommandId::AddBreak, target, frame_->GetOverview()->GetWindow()));
    EXPECT_EQ(day->GetGrid().PeekBooking(slot, 0), nullptr);
    EXPECT_TRUE(
        frame_->GetSummaryPane()->GetScoreLine()->GetLabel().Contains(", 1 unbooked appointments"));
    EXPECT_TRUE(MenuEnabled(CommandId::BookIncomplete));
}

// An editor run from the overview's menu may remove the very pupil clicked on (Edit Parent, then
// Remove Pupil): the menu holds no booking of its own that outlives the request.
TEST_F(OverviewInTheWindow, TheClickedBookingGoesWithThePupilAnEditorRemoves) {
    MultiDaySchedule* schedule = OpenBookedExample();
    ASSERT_NE(schedule, nullptr);
    const OverviewCellSelection target = FirstBookedCell(schedule);
    Pupil* pupil = target.GetSelectedPupil();
    ASSERT_NE(pupil, nullptr);
    Parent* parent = pupil->GetParent();
    unsigned index = 0;
    while (parent->GetPupil(index) != pupil) {
        ++index;
    }

    ASSERT_TRUE(schedule->DeletePupil(parent, index));
    EXPECT_EQ(target.GetSelectedPupil(), nullptr);
    EXPECT_EQ(target.GetSelectedParent(), nullptr);
}

}  // namespace
