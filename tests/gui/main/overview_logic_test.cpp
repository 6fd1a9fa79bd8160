#include <gtest/gtest.h>

#include <functional>

#include "app/user_settings.h"
#include "gui/main/frame_commands.h"
#include "gui/main/overview_layout.h"
#include "gui/main/overview_school.h"
#include "gui/main/popup_menus.h"
#include "gui/support/recording_sink.h"

namespace {

// One teacher and three families: Smith with two children, Jones and Brown with one each.
struct CellWorld {
    CellWorld() {
        teacher = school.AddTeacher("Ann Able", "AA");
        smith = school.AddFamily("Smith", {"7B", "9C"});
        jones = school.AddFamily("Jones", {"8A"});
        brown = school.AddFamily("Brown", {"8A"});
    }

    void Book(Parent* parent, int slot, int priority = 1, unsigned kid = 0) {
        school.Book(school.Request(parent->GetPupil(kid), teacher, priority), slot);
    }

    std::vector<Colour> Cells(const Parent* parent) {
        std::vector<Colour> cells;
        int count = 0;
        if (parent == nullptr) {
            TeacherDayColours(school.Day(), 0, school.event->GetOptions(), palette, &cells, &count);
        } else {
            ParentDayColours(school.Day(), parent, school.event->GetOptions(), palette, &cells,
                             &count);
        }
        return cells;
    }

    Parent* RowParent(const std::string& row) {
        return row == "jones" ? jones : row == "smith" ? smith : nullptr;
    }

    OverviewSchool school;
    UserSettings settings;
    OverviewPalette palette = OverviewPalette::FromSettings(settings);
    Teacher* teacher;
    Parent* smith;
    Parent* jones;
    Parent* brown;
};

TEST(OverviewCells, EachOfTheThirteenColoursMarksItsOwnSituation) {
    RecordingSink sink;
    struct Case {
        const char* name;
        std::function<void(CellWorld&)> setup;
        // Which row: the teacher's when null.
        const char* row;  // "teacher" or a family
        int slot;
        Colour expected;
    };
    const Colour white(255, 255, 255);
    const Case cases[] = {
        {"booked OK, high", [](CellWorld& w) { w.Book(w.jones, 0, 2); }, "teacher", 0,
         Colour(0, 0, 255)},
        {"booked OK, normal", [](CellWorld& w) { w.Book(w.jones, 0, 1); }, "teacher", 0,
         Colour(64, 64, 255)},
        {"booked OK, low", [](CellWorld& w) { w.Book(w.jones, 0, 0); }, "teacher", 0,
         Colour(128, 128, 255)},
        {"wait of four free slots, high",
         [](CellWorld& w) {
             w.Book(w.jones, 0);
             w.Book(w.brown, 5, 2);
         },
         "teacher", 5, Colour(255, 0, 0)},
        {"wait, normal",
         [](CellWorld& w) {
             w.Book(w.jones, 0);
             w.Book(w.brown, 5, 1);
         },
         "teacher", 5, Colour(255, 64, 64)},
        {"wait, low",
         [](CellWorld& w) {
             w.Book(w.jones, 0);
             w.Book(w.brown, 5, 0);
         },
         "teacher", 5, Colour(255, 128, 128)},
        {"three free slots are no wait",
         [](CellWorld& w) {
             w.Book(w.jones, 0);
             w.Book(w.brown, 4);
         },
         "teacher", 4, Colour(64, 64, 255)},
        {"sibling gap, high",
         [](CellWorld& w) {
             w.Book(w.smith, 0);
             w.Book(w.smith, 2, 2, 1);
         },
         "teacher", 2, Colour(128, 0, 128)},
        {"sibling gap, normal",
         [](CellWorld& w) {
             w.Book(w.smith, 0);
             w.Book(w.smith, 2, 1, 1);
         },
         "teacher", 2, Colour(144, 32, 144)},
        {"sibling gap, low",
         [](CellWorld& w) {
             w.Book(w.smith, 0);
             w.Book(w.smith, 2, 0, 1);
         },
         "teacher", 2, Colour(160, 64, 160)},
        {"busy past the block",
         [](CellWorld& w) {
             w.school.SetOptions([](ScheduleOptions& o) { o.TeacherBlockLength = 2; });
             w.Book(w.jones, 0);
             w.Book(w.brown, 1);
             w.Book(w.smith, 2);
         },
         "teacher", 2, Colour(255, 128, 0)},
        {"break",
         [](CellWorld& w) {
             w.teacher->AddBreak(DateTime(Date(4, 3, 2024), TimeOfDay(18, 30, 0)));
         },
         "teacher", 3, Colour(255, 255, 128)},
        {"absent teacher", [](CellWorld& w) { w.teacher->SetAttending(&w.school.Day(), false); },
         "teacher", 7, Colour(160, 160, 160)},
        {"teacher at a presentation", [](CellWorld& w) { w.school.AddPresentation(w.teacher); },
         "teacher", 6, Colour(128, 255, 128)},
        {"free", [](CellWorld&) {}, "teacher", 1, white},
        {"priority outside 0-2", [](CellWorld& w) { w.Book(w.jones, 0, 5); }, "teacher", 0,
         Colour(0, 0, 0)},
        {"parent booked OK", [](CellWorld& w) { w.Book(w.jones, 3, 2); }, "jones", 3,
         Colour(0, 0, 255)},
        {"parent waits five free slots",
         [](CellWorld& w) {
             w.Book(w.jones, 0);
             w.Book(w.jones, 6, 0, 0);
         },
         "jones", 6, Colour(255, 128, 128)},
        {"parent with a sibling gap",
         [](CellWorld& w) {
             w.Book(w.smith, 0);
             w.Book(w.smith, 2, 1, 1);
         },
         "smith", 2, Colour(144, 32, 144)},
        {"absent parent", [](CellWorld& w) { w.jones->SetAttending(&w.school.Day(), false); },
         "jones", 0, Colour(160, 160, 160)},
        {"parent at a presentation", [](CellWorld& w) { w.school.AddPresentation(w.jones); },
         "jones", 7, Colour(128, 255, 128)},
        {"parent free", [](CellWorld&) {}, "jones", 0, white},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CellWorld world;
        c.setup(world);
        const std::vector<Colour> cells = world.Cells(world.RowParent(c.row));
        ASSERT_EQ(cells.size(), 12u);
        EXPECT_EQ(cells[c.slot].ToHex(), c.expected.ToHex());
    }
    EXPECT_TRUE(sink.entries.empty());
}

TEST(OverviewCells, WaitsAndBusyRunsStartAgainEachDay) {
    OverviewSchool school(2);
    Teacher* teacher = school.AddTeacher("Ann Able");
    Parent* jones = school.AddFamily("Jones", {"8A"});
    Parent* brown = school.AddFamily("Brown", {"8A"});
    school.SetOptions([](ScheduleOptions& o) {
        o.TeacherBlockLength = 1;
        o.TeacherCountInitGap = false;
    });
    // Day one ends on a booking; day two opens with one after free slots.
    school.Book(school.Request(jones->GetPupil(0), teacher), 11, 0);
    school.Book(school.Request(brown->GetPupil(0), teacher), 5, 1);
    const OverviewPalette palette = OverviewPalette::FromSettings(UserSettings());
    std::vector<Colour> cells;
    int booked = 0;
    TeacherDayColours(school.Day(1), 0, school.event->GetOptions(), palette, &cells, &booked);
    EXPECT_EQ(cells[5], palette.BookedOK(1));
    EXPECT_EQ(booked, 1);

    school.SetOptions([](ScheduleOptions& o) { o.TeacherCountInitGap = true; });
    cells.clear();
    TeacherDayColours(school.Day(1), 0, school.event->GetOptions(), palette, &cells, &booked);
    EXPECT_EQ(cells[5], palette.BookedBad(1));
    EXPECT_EQ(booked, 2);
}

TEST(OverviewTimeAxis, TicksFallOnTheFirstSlotOfEachHour) {
    struct Case {
        const char* name;
        TimeOfDay start;
        int slotSeconds;
        std::vector<std::pair<int, std::string>> ticks;
    };
    const Case cases[] = {
        {"on the hour, five minutes",
         TimeOfDay(18, 0, 0),
         300,
         {{0, "6:00pm"}, {12, "7:00pm"}, {24, "8:00pm"}, {36, "9:00pm"}}},
        {"ten past, five minutes",
         TimeOfDay(18, 10, 0),
         300,
         {{10, "7:00pm"}, {22, "8:00pm"}, {34, "9:00pm"}}},
        {"ten past, twenty minutes",
         TimeOfDay(18, 10, 0),
         1200,
         {{3, "7:10pm"}, {6, "8:10pm"}, {9, "9:10pm"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto event = std::make_shared<Event>();
        ASSERT_TRUE(event->SetSlotLength(c.slotSeconds));
        Schedule day(event);
        day.SetStartTime(c.start);
        day.SetEndTime(TimeOfDay(22, 0, 0));
        std::vector<std::pair<int, std::string>> ticks;
        for (const HourTick& tick : HourTicks(day)) {
            ticks.emplace_back(tick.slot, tick.time.Format(Time12h));
        }
        EXPECT_EQ(ticks, c.ticks);
    }
    OverviewSchool school;
    EXPECT_EQ(DayCaption(school.Day()), "04 Mar 2024, 6:00pm to 8:00pm");
}

TEST(OverviewLayout, ColumnsLeaveOneEmptyCellBeforeEachDayAndAfterTheLast) {
    OverviewSchool school(2);
    EXPECT_EQ(SlotColumnLeft(*school.schedule, 0, 0, 10), 10);
    EXPECT_EQ(SlotColumnLeft(*school.schedule, 0, 11, 10), 120);
    EXPECT_EQ(SlotColumnLeft(*school.schedule, 1, 0, 10), 140);
    EXPECT_EQ(CountColumnLeft(*school.schedule, 10), 270);
}

TEST(OverviewLayout, HitTestFindsSlotCellsOnlyAndNeverReports) {
    RecordingSink sink;
    OverviewSchool school(2);
    school.AddTeacher("Ann Able");
    school.AddTeacher("Bob Baker");
    school.AddFamily("Jones", {"8A"});
    const OverviewGeometry geometry{10, 50, 200};
    struct Case {
        const char* name;
        int x, y;
        OverviewHitKind kind;
        int day, slot, row;
    };
    const Case cases[] = {
        {"first slot, first teacher", 15, 55, HitTeacherRow, 0, 0, 0},
        {"last slot of day one, second teacher", 129, 69, HitTeacherRow, 0, 11, 1},
        {"first slot of day two", 140, 50, HitTeacherRow, 1, 0, 0},
        {"parent row", 255, 205, HitParentRow, 1, 11, 0},
        {"empty column before day one", 5, 55, HitNone, -1, -1, -1},
        {"separator between the days", 135, 55, HitNone, -1, -1, -1},
        {"after the last day", 275, 55, HitNone, -1, -1, -1},
        {"caption band", 15, 45, HitNone, -1, -1, -1},
        {"between the sections", 15, 70, HitNone, -1, -1, -1},
        {"below the last parent", 15, 210, HitNone, -1, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OverviewHit hit = HitTestOverview(school.schedule.get(), geometry, c.x, c.y);
        EXPECT_EQ(hit.kind, c.kind);
        EXPECT_EQ(hit.x, c.x);
        EXPECT_EQ(hit.y, c.y);
        EXPECT_EQ(hit.day, c.day < 0 ? nullptr : school.schedule->GetDay(c.day));
        EXPECT_EQ(hit.slot, c.slot);
        EXPECT_EQ(hit.row, c.row);
    }
    // Nothing painted yet, or rows not laid out since the last schedule.
    EXPECT_EQ(HitTestOverview(school.schedule.get(), {-1, 50, 200}, 15, 55).kind, HitNone);
    EXPECT_EQ(HitTestOverview(school.schedule.get(), {10, -1, -1}, 15, 55).kind, HitNone);
    EXPECT_EQ(HitTestOverview(nullptr, geometry, 15, 55).kind, HitNone);
    EXPECT_TRUE(sink.entries.empty());
}

TEST(OverviewTexts, CountsLabelsTipsAndQuestions) {
    EXPECT_EQ(OverviewCountText(12, 12), "12");
    EXPECT_EQ(OverviewCountText(10, 12), "10 of 12");
    EXPECT_TRUE(TeacherCountOverbooked(10, 12, 11));
    EXPECT_FALSE(TeacherCountOverbooked(10, 12, 12));
    EXPECT_FALSE(TeacherCountOverbooked(12, 12, 3));

    OverviewSchool school;
    Teacher* teacher = school.AddTeacher("Ann Able", "AA");
    Teacher* plain = school.AddTeacher("Bob Baker");
    Parent* smith = school.AddFamily("Mr Smith", {"7B", ""});
    Parent* alone = school.AddFamily("Ms Alone", {});
    EXPECT_EQ(TeacherLabel(*teacher), "Ann Able (AA)");
    EXPECT_EQ(TeacherLabel(*plain), "Bob Baker");
    EXPECT_EQ(ParentRowLabel(*smith), "Mr Smith [Kid1 Mr Smith (7B), Kid2 Mr Smith]");
    EXPECT_EQ(ParentRowLabel(*alone), "Ms Alone");

    AppointmentRequest* request = school.Request(smith->GetPupil(0), teacher);
    EXPECT_EQ(CellTipText(*teacher, *request, TimeOfDay(19, 5, 0)),
              "Ann Able\nseeing Mr Smith\nabout Kid1 Mr Smith (7B)\nat 7:05pm");
    EXPECT_EQ(UnbookQuestion(*teacher, *request),
              "You are about to unbook the appointment for Ann Able to see Mr Smith about Kid1 "
              "Mr Smith (7B). The request for an appointment will remain and can be rebooked by "
              "clicking the 'Book In' button.\nAre you sure you want to do this?");
    EXPECT_EQ(DeleteRequestQuestion(*teacher, *request),
              "You are about to delete this appointment and also the request for the "
              "appointment. After doing this, pupil Kid1 Mr Smith (7B) will not want to see "
              "teacher Ann Able and no such appointments will be made. THIS ACTION CANNOT BE "
              "UNDONE! If you make a mistake you will have to manually re-enter the request.\nAre "
              "you sure you want to do this?");
    AppointmentRequest orphan(nullptr, teacher, "", 1, 1);
    EXPECT_EQ(CellTipText(*teacher, orphan, TimeOfDay(18, 0, 0)),
              "Ann Able\nseeing \nabout \nat 6:00pm");
}

TEST(OverviewTexts, RecountTalliesEveryRequestedSlotPerTeacher) {
    OverviewSchool school;
    Teacher* ann = school.AddTeacher("Ann Able");
    Teacher* bob = school.AddTeacher("Bob Baker");
    Parent* smith = school.AddFamily("Smith", {"7B", "8C"});
    ann->SetRequestedSlotTally(99);
    ASSERT_TRUE(smith->GetPupil(0)->AddRequest(ann, "", 1, 2));
    ASSERT_TRUE(smith->GetPupil(1)->AddRequest(ann, "", 1, 1));
    RecountTeacherRequests(*school.schedule);
    EXPECT_EQ(ann->GetRequestedSlotTally(), 3);
    EXPECT_EQ(bob->GetRequestedSlotTally(), 0);
}

// The event's states the popups' rules speak of.
FrameState NoEvent() {
    return {};
}
FrameState OpenEvent() {
    FrameState state;
    state.loaded = state.editable = state.named = true;
    return state;
}
FrameState LockedEvent() {
    FrameState state;
    state.loaded = state.locked = state.named = true;
    return state;
}

std::vector<std::tuple<int, std::string, bool>> Lines(const PopupMenuTable& table) {
    std::vector<std::tuple<int, std::string, bool>> lines;
    for (const PopupEntry& entry : table) {
        lines.emplace_back(WxId(entry.id), entry.label, entry.enabled);
    }
    return lines;
}

TEST(OverviewMenus, EntriesAndTheirEnablingFollowTheCellAndTheLock) {
    const CommandAvailable all = [](CommandId) { return true; };
    using L = std::vector<std::tuple<int, std::string, bool>>;
    EXPECT_EQ(Lines(OverviewMenu(OverviewMenuKind::Background, LockedEvent(), false, all)),
              (L{{78, "Change Appearance", true}}));
    EXPECT_EQ(Lines(OverviewMenu(OverviewMenuKind::Parent, LockedEvent(), false, all)),
              (L{{36, "Edit Parent", true}, {0, "", true}, {78, "Change Appearance", true}}));
    EXPECT_EQ(Lines(OverviewMenu(OverviewMenuKind::Teacher, LockedEvent(), true, all)),
              (L{{35, "Edit Teacher", true},
                 {76, "Add Break", true},
                 {0, "", true},
                 {78, "Change Appearance", true}}));
    const L appointment = {{65, "Unbook Appointment", true},
                           {66, "Delete Request", true},
                           {0, "", true},
                           {76, "Add Break", true},
                           {0, "", true},
                           {35, "Edit Teacher", true},
                           {36, "Edit Parent", true},
                           {37, "Edit Pupil", true},
                           {0, "", true},
                           {78, "Change Appearance", true}};
    EXPECT_EQ(Lines(OverviewMenu(OverviewMenuKind::Appointment, OpenEvent(), true, all)),
              appointment);

    L onParentRow = appointment;
    std::get<2>(onParentRow[3]) = false;
    EXPECT_EQ(Lines(OverviewMenu(OverviewMenuKind::Appointment, OpenEvent(), false, all)),
              onParentRow);

    L locked = appointment;
    for (int index : {0, 1, 3, 7}) {
        std::get<2>(locked[index]) = false;
    }
    EXPECT_EQ(Lines(OverviewMenu(OverviewMenuKind::Appointment, LockedEvent(), true, all)), locked);

    // A command the window cannot run yet stays grey, the overview's own as any other.
    L noCommands = appointment;
    for (auto& line : noCommands) {
        std::get<2>(line) = std::get<0>(line) == 0;
    }
    EXPECT_EQ(Lines(OverviewMenu(OverviewMenuKind::Appointment, OpenEvent(), true,
                                 [](CommandId) { return false; })),
              noCommands);
    const PopupMenuTable teacherMenu =
        OverviewMenu(OverviewMenuKind::Teacher, OpenEvent(), true, all);
    EXPECT_STREQ(teacherMenu[0].help, "Edit the currently selected teacher");
    EXPECT_STREQ(OverviewMenu(OverviewMenuKind::Appointment, OpenEvent(), true, all)[5].help,
                 "Edit the teacher for this appointment");
}

TEST(TreeMenus, EachKindOfItemHasItsEntriesGreyedByTheLock) {
    using L = std::vector<std::tuple<int, std::string, bool>>;
    const CommandAvailable all = [](CommandId) { return true; };
    struct Case {
        TreeItemKind kind;
        FrameState state;
        L lines;
    };
    const L emails = {{22, "Send Invitation Email", true},  {23, "Send Reminder Email", true},
                      {21, "&Send Results Email", true},    {25, "Preview &Invitation Email", true},
                      {26, "Preview Reminder Email", true}, {24, "Pre&view Results Email", true}};
    auto with = [&emails](L lines) {
        lines.insert(lines.end(), emails.begin(), emails.end());
        return lines;
    };
    const Case cases[] = {
        {TreeItemKind::Root, OpenEvent(), {}},
        {TreeItemKind::TeachersBranch, OpenEvent(), {}},
        {TreeItemKind::ParentsBranch, OpenEvent(), {}},
        {TreeItemKind::PupilsBranch, OpenEvent(), {}},
        // The add entry is never greyed, not even before there is an event.
        {TreeItemKind::PresentationsBranch, NoEvent(), {{4, "&Add Presentation", true}}},
        {TreeItemKind::PresentationsBranch, OpenEvent(), {{4, "&Add Presentation", true}}},
        {TreeItemKind::PresentationsBranch, LockedEvent(), {{4, "&Add Presentation", true}}},
        {TreeItemKind::FormGroup, OpenEvent(), {{68, "Book Form Appointment", true}}},
        {TreeItemKind::FormGroup, LockedEvent(), {{68, "Book Form Appointment", false}}},
        {TreeItemKind::Teacher,
         LockedEvent(),
         {{35, "&Edit Teacher", true},
          {45, "Edit &Presentations", false},
          {42, "Edit Appointments", true},
          {53, "&Delete Teacher", false},
          {67, "&Print Teacher Handout", true},
          {21, "&Send Results Email", true},
          {24, "Pre&view Results Email", true}}},
        {TreeItemKind::Parent, LockedEvent(),
         with({{36, "&Edit Parent", true},
               {45, "Edit &Presentations", false},
               {52, "&Delete Parent", false},
               {67, "&Print Parent Handout", true}})},
        // A pupil's menu is the same whether or not the event is locked.
        {TreeItemKind::Pupil, LockedEvent(),
         with({{37, "&Edit Pupil", true},
               {36, "Edit Pupil's Pa&rent", true},
               {41, "Edit &Appointments", true},
               {67, "&Print Parent Handout", true}})},
        {TreeItemKind::Presentation,
         LockedEvent(),
         {{79, "Set All &Teachers Attending", false},
          {80, "Set All &Parents Attending", false},
          {38, "&Edit Presentation", true},
          {54, "&Delete Presentation", false}}},
        {TreeItemKind::Other, OpenEvent(), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        EXPECT_EQ(Lines(TreeMenu(c.kind, c.state, all)), c.lines);
    }
    // Open, every entry of every item runs; a command the window lacks stays grey.
    for (TreeItemKind kind : {TreeItemKind::FormGroup, TreeItemKind::Teacher, TreeItemKind::Parent,
                              TreeItemKind::Pupil, TreeItemKind::Presentation}) {
        for (const PopupEntry& entry : TreeMenu(kind, OpenEvent(), all)) {
            EXPECT_TRUE(entry.enabled) << entry.label;
        }
    }
    const PopupMenuTable partial = TreeMenu(TreeItemKind::Teacher, OpenEvent(), [](CommandId id) {
        return id != CommandId::DeleteTeacher;
    });
    EXPECT_FALSE(partial[3].enabled);
    EXPECT_TRUE(partial[0].enabled);
    EXPECT_STREQ(partial[3].help, "Delete the selected teacher");
}

}  // namespace
