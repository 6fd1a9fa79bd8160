#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/toolbar.h>

#include <string>
#include <vector>

#include "frame_fixture.h"
#include "gui/main/popup_menus.h"

namespace {

// One line of a menu as the user sees it: separators have id 0, a submenu's own entry id -1;
// depth 1 marks the entries of a submenu.
struct Line {
    int id;
    std::string label;
    std::string help;
    int depth;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << line.id << " '" << line.label << "' '" << line.help << "' " << line.depth;
}

void ReadMenu(const wxMenu& menu, int depth, std::vector<Line>* lines) {
    for (const wxMenuItem* item : menu.GetMenuItems()) {
        if (item->IsSeparator()) {
            lines->push_back({0, "", "", depth});
        } else if (item->IsSubMenu()) {
            lines->push_back(
                {-1, ToUtf8(item->GetItemLabel()), ToUtf8(item->GetHelp()), depth});
            ReadMenu(*item->GetSubMenu(), depth + 1, lines);
        } else {
            EXPECT_FALSE(item->IsCheckable()) << item->GetId();
            lines->push_back(
                {item->GetId(), ToUtf8(item->GetItemLabel()), ToUtf8(item->GetHelp()), depth});
        }
    }
}

struct Menu {
    std::string title;
    std::vector<Line> lines;
};

class CommandTexts : public MainWindow {};

// The whole menu bar as built: titles, order, ids, labels with their mnemonics and the one
// accelerator, help strings, separators and the submenu.
TEST_F(CommandTexts, TheMenuBarHoldsEveryCommandWithItsLabelAndHelp) {
    const std::vector<Menu> expected = {
        {"&File",
         {
          {6, "&New Event...", "Create a new event", 0},
          {0, "", "", 0},
          {7, "&Load Event...", "Load an event file", 0},
          {8, "&Merge Changes...", "Merge changes from another copy of this event", 0},
          {9, "&Save Event", "Save the current event file", 0},
          {10, "S&ave Event As...", "Save an event file with a different filename", 0},
          {0, "", "", 0},
          {13, "P&rint Settings...", "Change how the printouts look", 0},
          {11, "&Print...", "Print the current schedule", 0},
          {12, "Print to PD&F...", "Print the current schedule to a PDF file", 0},
          {14, "Print Previe&w...", "Preview what a printout would look like", 0},
          {0, "", "", 0},
          {19, "Send &Invitation Emails...", "Email the invitations to parents", 0},
          {20, "Send Reminder Emails...", "Email the reminders to parents", 0},
          {18, "Send Result &Emails...", "Email the current schedule to parents", 0},
          {0, "", "", 0},
          {15, "Lock Schedule", "Lock the schedule to prevent modification", 0},
          {16, "Remove Loc&k", "Remove the current schedule lock", 0},
          {0, "", "", 0},
          {1, "E&xit", "Quit this program", 0},
         }},
        {"&Edit",
         {
          {2, "Add &Teacher...", "Add a teacher", 0},
          {3, "Add &Parent...", "Add a parent", 0},
          {4, "Add Presentation...", "Add a presentation", 0},
          {5, "Add &Break to all Teachers...", "Add a break to all teachers", 0},
          {0, "", "", 0},
          {35, "Edit T&eacher...", "Edit the currently selected teacher", 0},
          {36, "Edit P&arent...", "Edit the currently selected parent", 0},
          {37, "Edit P&upil...", "Edit the currently selected pupil", 0},
          {38, "Edit Presentation...", "Edit the currently selected presentation", 0},
          {39, "Edit E&vent Details...", "Edit the details of the current event", 0},
          {40, "Edit Emai&l Server...", "Edit the current email server's details", 0},
          {-1, "Edit Email Text", "Edit the text of emails to send", 0},
          {30, "Parent Invitations...", "Invitation emails for parents", 1},
          {31, "Parent Reminders...", "Reminder emails for parents", 1},
          {27, "Parent Results...", "Result emails for parents", 1},
          {29, "Pupil Results...", "Result emails for pupils", 1},
          {28, "Teacher Results...", "Result emails for teachers", 1},
          {41, "Edit Appoint&ments...", "Edit the appointments for all pupils", 0},
          {49, "Edit &Scoring...", "Edit the scoring system", 0},
          {0, "", "", 0},
          {53, "Delete Teacher", "Delete the selected teacher", 0},
          {52, "Delete Parent", "Delete the selected parent", 0},
          {54, "Delete Presentation", "Delete the selected presentation", 0},
          {55, "Delete Break from all Teachers...", "Delete a break from all teachers", 0},
          {56, "Delete All Teacher Breaks", "Delete all breaks from all teachers", 0},
          {69, "Delete Unbooked Parents", "Delete all parents who have no appointments", 0},
          {57, "Reset Attendance Times", "Reset attendance times for everyone back to event default", 0},
          {0, "", "", 0},
          {51, "Delete Appointments", "Delete all appointments from this event", 0},
          {50, "Delete Parents and Pupils", "Delete all parents and pupils from this event", 0},
         }},
        {"&Import",
         {
          {43, "Import &Teachers...", "Import a list of teachers", 0},
          {44, "Import &Pupils...", "Import a list of pupils", 0},
          {0, "", "", 0},
          {47, "Import 'Taught &By' List from File...", "Import the list of which teachers teach which pupils from a file", 0},
          {48, "Import &Request List from File...", "Import the list of which teachers should be seen from a file", 0},
         }},
        {"E&xport",
         {
          {70, "Export &Teachers to File...", "Export the teachers to a file", 0},
          {71, "Export &Pupils to File...", "Export the parents and pupils to a file", 0},
          {72, "Export &Appointments to File...", "Export the appointments to a file", 0},
          {0, "", "", 0},
          {73, "Export Teacher Handouts...", "Export the teacher handouts to a file", 0},
          {74, "Export Parent Handouts...", "Export the parent handouts to a file", 0},
         }},
        {"&Report",
         {
          {59, "&Teachers with no appointments...", "Report on all teachers who have no appointments", 0},
          {60, "&Parents with no appointments...", "Report on all parents who have no appointments", 0},
          {61, "P&upils with no appointments...", "Report on all pupils who have no appointments", 0},
          {0, "", "", 0},
          {62, "Teachers with &appointments...", "Report on all teachers who have appointments", 0},
          {0, "", "", 0},
          {63, "Un&booked appointments...", "Report on appointments that are not yet booked", 0},
          {0, "", "", 0},
          {64, "Run a &scripted report...", "Run a Lua script to create a report", 0},
         }},
        {"&Action",
         {
          {32, "Clear and &rebook all appointments", "Delete all current appointments and rebook them all from scratch", 0},
          {33, "&Book in only the unbooked requests", "Create appointments for the currently unbooked requests", 0},
          {34, "&Optimise...", "Optimise the schedule", 0},
         }},
        {"&Help",
         {
          {75, "&Check for Updates...", "Check online for updates to Quillmoot", 0},
          {5014, "&About...\tF1", "Show about dialog", 0},
         }},

    };
    Open();
    wxMenuBar* bar = frame_->GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), expected.size());
    for (size_t m = 0; m < expected.size(); ++m) {
        SCOPED_TRACE(expected[m].title);
        EXPECT_EQ(ToUtf8(bar->GetMenuLabel(m)), expected[m].title);
        std::vector<Line> lines;
        ReadMenu(*bar->GetMenu(m), 0, &lines);
        EXPECT_EQ(lines, expected[m].lines);
    }
    EXPECT_EQ(frame_->GetStatusBar()->GetFieldsCount(), 2);
}

TEST_F(CommandTexts, TheToolbarHoldsItsToolsInOrderWithTheirTooltips) {
    struct Tool {
        int id;  // 0: a separator
        std::string label;
        std::string tooltip;
        bool operator==(const Tool&) const = default;
    };
    const std::vector<Tool> expected = {
        {6, "New Event", "Create a new event"},
        {7, "Load Event", "Load an event file"},
        {81, "Save Event", "Save the current event"},
        {85, "Print", "Print the current event"},
        {0, "", ""},
        {43, "Import Teachers", "Import a list of teachers"},
        {44, "Import Pupils", "Import a list of pupils"},
        {0, "", ""},
        {82, "Rebook All", "Clear and rebook all appointments"},
        {83, "Book Incomplete", "Book in any unbooked appointments"},
        {84, "Optimise", "Optimise the schedule"},
    };
    Open();
    wxToolBar* bar = frame_->GetToolBar();
    ASSERT_EQ(bar->GetToolsCount(), expected.size());
    EXPECT_EQ(bar->GetToolBitmapSize(), wxSize(48, 48));
    for (size_t i = 0; i < expected.size(); ++i) {
        const wxToolBarToolBase* tool = bar->GetToolByPos(static_cast<int>(i));
        const Tool shown = tool->IsSeparator()
                               ? Tool{0, "", ""}
                               : Tool{tool->GetId(), ToUtf8(tool->GetLabel()),
                                      ToUtf8(tool->GetShortHelp())};
        EXPECT_EQ(shown, expected[i]) << "position " << i + 1;
        EXPECT_TRUE(tool->GetLongHelp().empty()) << "position " << i + 1;
    }
}

// An open event, locked or not.
FrameState StateOf(bool locked) {
    FrameState state;
    state.loaded = state.named = true;
    state.locked = locked;
    state.editable = !locked;
    return state;
}

// The tree's popup menus by item kind; a locked event greys out the marked entries only.
TEST_F(CommandTexts, TreeMenusFitTheItemAndTheLock) {
    struct Entry {
        int id;
        std::string label;
        std::string help;
        bool greyedWhenLocked;
    };
    const std::vector<Entry> emails = {
        {22, "Send Invitation Email", "Send just this person's invitation email", false},
        {23, "Send Reminder Email", "Send just this person's reminder email", false},
        {21, "&Send Results Email", "Send just this person's results email", false},
        {25, "Preview &Invitation Email", "Show a preview of the invitation email to this person",
         false},
        {26, "Preview Reminder Email", "Show a preview of the reminder email to this person",
         false},
        {24, "Pre&view Results Email", "Show a preview of the results email to this person",
         false},
    };
    auto withEmails = [&emails](std::vector<Entry> entries) {
        entries.insert(entries.end(), emails.begin(), emails.end());
        return entries;
    };
    const std::vector<std::pair<TreeItemKind, std::vector<Entry>>> cases = {
        {TreeItemKind::Root, {}},
        {TreeItemKind::TeachersBranch, {}},
        {TreeItemKind::ParentsBranch, {}},
        {TreeItemKind::PupilsBranch, {}},
        {TreeItemKind::Other, {}},
        {TreeItemKind::PresentationsBranch,
         {{4, "&Add Presentation", "Add a new presentation", false}}},
        {TreeItemKind::FormGroup,
         {{68, "Book Form Appointment", "Make an appointment for every pupil in this form",
           true}}},
        {TreeItemKind::Teacher,
         {{35, "&Edit Teacher", "Edit the currently selected teacher", false},
          {45, "Edit &Presentations", "View and alter this person's presentations", true},
          {42, "Edit Appointments", "Edit the appointments for the selected teacher", false},
          {53, "&Delete Teacher", "Delete the selected teacher", true},
          {67, "&Print Teacher Handout", "Print the handout for the selected teacher", false},
          emails[2],
          emails[5]}},
        {TreeItemKind::Parent,
         withEmails({{36, "&Edit Parent", "Edit the currently selected parent", false},
                     {45, "Edit &Presentations", "View and alter this person's presentations",
                      true},
                     {52, "&Delete Parent", "Delete the selected parent", true},
                     {67, "&Print Parent Handout", "Print the handout for the selected parent",
                      false}})},
        {TreeItemKind::Pupil,
         withEmails({{37, "&Edit Pupil", "Edit the currently selected pupil", false},
                     {36, "Edit Pupil's Pa&rent", "Edit the currently selected pupil's parent",
                      false},
                     {41, "Edit &Appointments", "Edit the appointments for the selected pupil",
                      false},
                     {67, "&Print Parent Handout",
                      "Print the handout for the selected pupil's parent", false}})},
        {TreeItemKind::Presentation,
         {{79, "Set All &Teachers Attending", "Invite all teachers to the presentation", true},
          {80, "Set All &Parents Attending", "Invite all parents to the presentation", true},
          {38, "&Edit Presentation", "Edit the currently selected presentation", false},
          {54, "&Delete Presentation", "Delete the selected presentation", true}}},
    };
    for (const auto& [kind, entries] : cases) {
        for (bool locked : {false, true}) {
            SCOPED_TRACE(testing::Message() << "kind " << int(kind) << (locked ? " locked" : ""));
            const PopupMenuTable table = TreeMenu(kind, StateOf(locked), nullptr);
            ASSERT_EQ(table.size(), entries.size());
            for (size_t i = 0; i < entries.size(); ++i) {
                EXPECT_EQ(WxId(table[i].id), entries[i].id) << i;
                EXPECT_EQ(table[i].label, entries[i].label) << i;
                EXPECT_EQ(table[i].help, entries[i].help) << i;
                EXPECT_EQ(table[i].enabled, !(locked && entries[i].greyedWhenLocked)) << i;
            }
        }
    }
}

// The overview's popup menus; which entries a lock or a parent-row hit greys out.
TEST_F(CommandTexts, OverviewMenusFitTheCellAndTheLock) {
    struct Entry {
        int id;  // 0: a separator
        std::string label;
        std::string help;
        bool enabled;
    };
    const Entry separator = {0, "", "", true};
    const Entry appearance = {78, "Change Appearance", "Change the appearance of this view", true};
    auto appointment = [&](bool locked, bool teacherRow) {
        return std::vector<Entry>{
            {65, "Unbook Appointment", "Unbook the current appointment but keep the request",
             !locked},
            {66, "Delete Request", "Unbook the current appointment and delete the request",
             !locked},
            separator,
            {76, "Add Break", "Add a break in this slot", !locked && teacherRow},
            separator,
            {35, "Edit Teacher", "Edit the teacher for this appointment", true},
            {36, "Edit Parent", "Edit the parent for this appointment", true},
            {37, "Edit Pupil", "Edit the pupil for this appointment", !locked},
            separator,
            appearance};
    };
    struct Case {
        OverviewMenuKind kind;
        bool locked;
        bool teacherRow;
        std::vector<Entry> entries;
    };
    const std::vector<Entry> teacher = {
        {35, "Edit Teacher", "Edit the currently selected teacher", true},
        {76, "Add Break", "Add a break in this slot", true},
        separator,
        appearance};
    const std::vector<Entry> parent = {
        {36, "Edit Parent", "Edit the currently selected parent", true}, separator, appearance};
    const std::vector<Case> cases = {
        {OverviewMenuKind::Background, true, false, {appearance}},
        {OverviewMenuKind::Parent, true, false, parent},
        {OverviewMenuKind::Teacher, false, true, teacher},
        // The lock leaves the teacher's Add Break alone: the day refuses it with a message.
        {OverviewMenuKind::Teacher, true, true, teacher},
        {OverviewMenuKind::Appointment, false, true, appointment(false, true)},
        {OverviewMenuKind::Appointment, false, false, appointment(false, false)},
        {OverviewMenuKind::Appointment, true, true, appointment(true, true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << " locked " << c.locked
                                        << " teacher row " << c.teacherRow);
        const PopupMenuTable table = OverviewMenu(c.kind, StateOf(c.locked), c.teacherRow, nullptr);
        ASSERT_EQ(table.size(), c.entries.size());
        for (size_t i = 0; i < table.size(); ++i) {
            EXPECT_EQ(WxId(table[i].id), c.entries[i].id) << i;
            EXPECT_EQ(table[i].label, c.entries[i].label) << i;
            EXPECT_EQ(table[i].help, c.entries[i].help) << i;
            if (table[i].id != CommandId::None) {
                EXPECT_EQ(table[i].enabled, c.entries[i].enabled) << i;
            }
        }
    }
}

}  // namespace
