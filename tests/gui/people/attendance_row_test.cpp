// The one attendance row of the four editors that show a day's attendance: its rules once, its
// controls in each editor.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/sizer.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/dialogs/time_entry.h"
#include "gui/people/appt_entry_dlg.h"
#include "gui/people/attendance_row.h"
#include "gui/people/parent_dlg.h"
#include "gui/people/t_appt_entry_dlg.h"
#include "gui/people/teacher_dlg.h"
#include "gui/support/user_input.h"
#include "people_school.h"

namespace {

// attending, late, early, arrival, departure
using Enabled = std::vector<bool>;

Enabled AsList(const AttendanceEnabled& e) {
    return {e.attending, e.late, e.early, e.arrival, e.departure};
}

Enabled AsList(const AttendanceRow& row) {
    return {row.GetAttendingBox()->IsEnabled(), row.GetLateBox()->IsEnabled(),
            row.GetEarlyBox()->IsEnabled(), row.GetArrivalCombo()->IsEnabled(),
            row.GetDepartureCombo()->IsEnabled()};
}

DayAttendance Boxes(bool attending, bool late, bool early) {
    DayAttendance shown;
    shown.attending = attending;
    shown.arrivesLate = late;
    shown.leavesEarly = early;
    return shown;
}

// What each editor lets the user change, as the designs of the editors give it.
TEST(AttendanceRules, EachEditorOpensItsControlsByItsOwnRule) {
    const struct {
        const char* name;
        const AttendanceLook& look;
        bool locked;
        DayAttendance shown;
        Enabled expected;
    } cases[] = {
        {"appointments: present, on time",
         kAppointmentAttendance,
         false,
         Boxes(true, false, false),
         {true, true, true, false, false}},
        {"appointments: late and early",
         kAppointmentAttendance,
         false,
         Boxes(true, true, true),
         {true, true, true, true, true}},
        {"appointments: absent keeps its values but fixes them",
         kAppointmentAttendance,
         false,
         Boxes(false, true, true),
         {true, false, false, false, false}},
        {"appointments: locked",
         kAppointmentAttendance,
         true,
         Boxes(true, true, true),
         {false, false, false, false, false}},
        {"teacher: on time",
         kTeacherAttendance,
         false,
         Boxes(true, false, false),
         {true, true, true, false, false}},
        {"teacher: absent still opens the times by their boxes",
         kTeacherAttendance,
         false,
         Boxes(false, true, false),
         {true, true, true, true, false}},
        {"teacher: locked",
         kTeacherAttendance,
         true,
         Boxes(true, true, true),
         {false, false, false, false, false}},
        {"parents: everything open",
         kParentAttendance,
         false,
         Boxes(false, false, false),
         {true, true, true, true, true}},
        {"parents: locked leaves only attending",
         kParentAttendance,
         true,
         Boxes(true, true, true),
         {true, false, false, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AsList(EnabledAttendance(c.look.rules, c.locked, c.shown)), c.expected);
    }
}

class AttendanceRows : public PeopleSchool {
protected:
    struct Editor {
        const char* name;
        // The editor open on the person; its day's row; whom OK wrote into.
        std::function<wxDialog*()> open;
        std::function<const AttendanceRow&(wxDialog*)> row;
        std::function<bool(wxDialog*)> accept;
        std::function<const Attendee&(wxDialog*)> written;
        const char* attendingLabel;
        const AttendanceLook* look;
    };

    std::vector<Editor> Editors() {
        return {
            {"all pupils' appointments",
             [this] { return new ApptEntryDlg(TopWindow(), days_.get(), amy_); },
             [](wxDialog* d) -> const AttendanceRow& {
                 return *static_cast<ApptEntryDlg*>(d)->GetRow(0);
             },
             [](wxDialog* d) { return static_cast<ApptEntryDlg*>(d)->TransferDataFromWindow(); },
             [this](wxDialog*) -> const Attendee& { return *jones_; }, "Can attend",
             &kAppointmentAttendance},
            {"one teacher's appointments",
             [this] { return new TApptEntryDlg(TopWindow(), days_.get(), mrA_); },
             [](wxDialog* d) -> const AttendanceRow& {
                 return *static_cast<TApptEntryDlg*>(d)->GetRow(0);
             },
             [](wxDialog* d) { return static_cast<TApptEntryDlg*>(d)->TransferDataFromWindow(); },
             [this](wxDialog*) -> const Attendee& { return *mrA_; }, "Can attend",
             &kAppointmentAttendance},
            {"teacher",
             [this] { return new TeacherDlg(TopWindow(), days_.get(), mrA_, EditMode::Edit); },
             [](wxDialog* d) -> const AttendanceRow& {
                 return static_cast<TeacherDlg*>(d)->GetAttendance();
             },
             [](wxDialog* d) { return static_cast<TeacherDlg*>(d)->TransferDataFromWindow(); },
             [](wxDialog* d) -> const Attendee& {
                 return static_cast<TeacherDlg*>(d)->GetWorkingCopy();
             },
             "The teacher is attending", &kTeacherAttendance},
            {"parents",
             [this] { return new ParentDlg(TopWindow(), jones_, days_.get(), EditMode::Edit); },
             [](wxDialog* d) -> const AttendanceRow& {
                 return static_cast<ParentDlg*>(d)->GetAttendance();
             },
             [](wxDialog* d) { return static_cast<ParentDlg*>(d)->TransferDataFromWindow(); },
             [this](wxDialog*) -> const Attendee& { return *jones_; }, "The parents are attending",
             &kParentAttendance},
        };
    }

    const Schedule* Day() const { return days_->GetDay(0); }
};

// Every editor shows the times it was given as they are, so OK without a change keeps them: an
// early departure at the day's very end (the appointment editors offer it), and times between
// two slot starts, which a CSV import keeps as written.
TEST_F(AttendanceRows, EveryEditorShowsAndKeepsTheTimesItWasGiven) {
    const std::pair<const char*, DayAttendance> cases[] = {
        {"leaving at the day's end", {true, true, TimeOfDay(18, 30, 0), true, TimeOfDay(21, 0, 0)}},
        {"between two slots", {true, true, TimeOfDay(19, 7, 30), true, TimeOfDay(20, 5, 0)}},
    };
    for (const auto& [name, stored] : cases) {
        for (Attendee* person : std::initializer_list<Attendee*>{jones_, mrA_}) {
            ASSERT_TRUE(WriteDayAttendance(*person, *Day(), stored));
        }
        for (const Editor& editor : Editors()) {
            SCOPED_TRACE(std::string(name) + ", " + editor.name);
            std::unique_ptr<wxDialog> dialog(editor.open());
            const AttendanceRow& row = editor.row(dialog.get());
            EXPECT_EQ(ToUtf8(row.GetAttendingBox()->GetLabel()), editor.attendingLabel);
            EXPECT_EQ(row.GetArrivalCombo()->GetTime(), stored.arrival);
            EXPECT_EQ(row.GetDepartureCombo()->GetTime(), stored.departure);
            ASSERT_TRUE(editor.accept(dialog.get()));
            const Attendee& written = editor.written(dialog.get());
            EXPECT_TRUE(written.LeavesEarly(Day()));
            EXPECT_EQ(written.GetStartTime(Day()), stored.arrival);
            EXPECT_EQ(written.GetEndTime(Day()), stored.departure);
        }
    }
}

TEST_F(AttendanceRows, EveryEditorFollowsItsRuleAsBoxesAreClicked) {
    for (const Editor& editor : Editors()) {
        SCOPED_TRACE(editor.name);
        std::unique_ptr<wxDialog> dialog(editor.open());
        const AttendanceRow& row = editor.row(dialog.get());
        const AttendanceRules& rules = editor.look->rules;
        const struct {
            wxCheckBox* box;
            bool value;
        } clicks[] = {{row.GetLateBox(), true},
                      {row.GetAttendingBox(), false},
                      {row.GetEarlyBox(), true},
                      {row.GetAttendingBox(), true},
                      {row.GetLateBox(), false}};
        EXPECT_EQ(AsList(row), AsList(EnabledAttendance(rules, false, row.Read())));
        for (const auto& click : clicks) {
            if (!click.box->IsEnabled()) {
                continue;
            }
            Tick(click.box, click.value);
            EXPECT_EQ(AsList(row), AsList(EnabledAttendance(rules, false, row.Read())))
                << ToUtf8(click.box->GetLabel());
        }
    }
}

// The row answers its own boxes: it needs no editor to pass their clicks on.
TEST_F(AttendanceRows, ARowFollowsItsOwnBoxesInAnyWindow) {
    for (const AttendanceLook* look :
         {&kAppointmentAttendance, &kTeacherAttendance, &kParentAttendance}) {
        SCOPED_TRACE(look->attendingLabel);
        wxDialog plain(TopWindow(), wxID_ANY, "Plain");
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        plain.SetSizer(sizer);
        AttendanceRow row;
        row.Create(&plain, sizer, days_->GetDay(0), *look);
        row.Load(jones_);
        for (wxCheckBox* box : {row.GetLateBox(), row.GetEarlyBox(), row.GetAttendingBox()}) {
            Tick(box, !box->GetValue());
            EXPECT_EQ(AsList(row), AsList(EnabledAttendance(look->rules, false, row.Read())))
                << ToUtf8(box->GetLabel());
        }
        EXPECT_TRUE(row.GetArrivalCombo()->IsEnabled() || look->rules.absenceFixesTimes);
    }
}

// Leaving before arriving is refused by the model with its message; the day stays whole and
// the editor open.
TEST_F(AttendanceRows, EveryEditorRefusesAnArrivalAfterTheDeparture) {
    for (const Editor& editor : Editors()) {
        SCOPED_TRACE(editor.name);
        std::unique_ptr<wxDialog> dialog(editor.open());
        const AttendanceRow& row = editor.row(dialog.get());
        Tick(row.GetLateBox(), true);
        Tick(row.GetEarlyBox(), true);
        row.GetArrivalCombo()->SetTime(TimeOfDay(20, 0, 0));
        row.GetDepartureCombo()->SetTime(TimeOfDay(19, 0, 0));
        sink_.entries.clear();
        EXPECT_FALSE(row.Save(jones_));
        EXPECT_EQ(sink_.Texts(),
                  std::vector<std::string>{"The arrival time must be before the departure time"});
        EXPECT_FALSE(jones_->ArrivesLate(Day()));
        EXPECT_EQ(jones_->GetStartTime(Day()), TimeOfDay(18, 0, 0));
        EXPECT_EQ(jones_->GetEndTime(Day()), TimeOfDay(21, 0, 0));
    }
}

// A control the lock fixes writes nothing, whatever it shows: OK keeps the stored times.
TEST_F(AttendanceRows, ALockedEventFixesWhatEachEditorFixesAndKeepsItsTimes) {
    const DayAttendance stored{true, true, TimeOfDay(18, 5, 0), true, TimeOfDay(20, 5, 0)};
    for (Attendee* person : std::initializer_list<Attendee*>{jones_, mrA_}) {
        ASSERT_TRUE(WriteDayAttendance(*person, *Day(), stored));
    }
    Lock();
    const Enabled appointments = {false, false, false, false, false};
    const Enabled parents = {true, false, false, false, false};
    const Enabled expected[] = {appointments, appointments, appointments, parents};
    size_t k = 0;
    for (const Editor& editor : Editors()) {
        SCOPED_TRACE(editor.name);
        std::unique_ptr<wxDialog> dialog(editor.open());
        const AttendanceRow& row = editor.row(dialog.get());
        EXPECT_EQ(AsList(row), expected[k++]);
        row.GetArrivalCombo()->SetTime(TimeOfDay(20, 0, 0));
        row.GetDepartureCombo()->SetTime(TimeOfDay(19, 0, 0));
        ASSERT_TRUE(editor.accept(dialog.get()));
        const Attendee& written = editor.written(dialog.get());
        EXPECT_EQ(written.GetStartTime(Day()), stored.arrival);
        EXPECT_EQ(written.GetEndTime(Day()), stored.departure);
    }
}

}  // namespace
