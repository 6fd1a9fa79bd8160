#include "gui/main/frame_commands.h"

#include <map>

#include "app/qm_controller.h"
#include "gui/main/pictures.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

FrameState ComputeFrameState(const QMController& controller) {
    FrameState state;
    const MultiDaySchedule* schedule = controller.GetSchedule();
    state.loaded = schedule != nullptr && schedule->GetDayCount() > 0;
    state.locked = state.loaded && schedule->GetEvent() && schedule->GetEvent()->IsLocked();
    state.editable = state.loaded && !state.locked;
    state.unbooked = state.loaded && !schedule->AllRequestsBooked();
    state.named = !controller.GetFileName().empty();
    state.changed = controller.IsEventChanged();
    return state;
}

bool IsCommandAllowed(CommandNeeds needs, const FrameState& state) {
    switch (needs) {
        case CommandNeeds::Nothing:
            return true;
        case CommandNeeds::Loaded:
            return state.loaded;
        case CommandNeeds::Changed:
            return state.loaded && state.changed;
        case CommandNeeds::ChangedAndNamed:
            return state.loaded && state.changed && state.named;
        case CommandNeeds::Editable:
            return state.editable;
        case CommandNeeds::Locked:
            return state.locked;
        case CommandNeeds::Unbooked:
            return state.unbooked;
    }
    return false;
}

CommandNeeds NeedsOfCommand(int id) {
    static const std::map<int, CommandNeeds> needs = [] {
        std::map<int, CommandNeeds> table;
        for (int id : {8,  10, 13, 2,  3,  4,  11, 12, 14, 18, 19, 20, 35, 36, 37, 38, 40, 28, 27,
                       29, 30, 31, 43, 44, 47, 59, 60, 61, 62, 63, 64, 70, 71, 72, 73, 74, 85}) {
            table[id] = CommandNeeds::Loaded;
        }
        table[ID_SAVE_EVENT] = CommandNeeds::ChangedAndNamed;
        table[ID_TOOL_SAVE_EVENT] = CommandNeeds::Changed;
        for (int id : {32, 34, 53, 52, 54, 15, 39, 41, 49, 48, 50, 51, 5, 55, 56, 57, 69, 82, 84}) {
            table[id] = CommandNeeds::Editable;
        }
        table[ID_REMOVE_LOCK] = CommandNeeds::Locked;
        table[ID_BOOK_INCOMPLETE] = CommandNeeds::Unbooked;
        table[ID_TOOL_BOOK_INCOMPLETE] = CommandNeeds::Unbooked;
        return table;
    }();
    const auto found = needs.find(id);
    return found == needs.end() ? CommandNeeds::Nothing : found->second;
}

const std::vector<MenuSpec>& MainMenus() {
    using L = MenuLine;
    static const L separator{L::Separator, 0, "", ""};
    static const std::vector<MenuSpec> menus = {
        {"&File",
         {{L::Command, 6, "&New Event...", "Create a new event"},
          separator,
          {L::Command, 7, "&Load Event...", "Load an event file"},
          {L::Command, 8, "&Merge Changes...", "Merge changes from another copy of this event"},
          {L::Command, 9, "&Save Event", "Save the current event file"},
          {L::Command, 10, "S&ave Event As...", "Save an event file with a different filename"},
          separator,
          {L::Command, 13, "P&rint Settings...", "Change how the printouts look"},
          {L::Command, 11, "&Print...", "Print the current schedule"},
          {L::Command, 12, "Print to PD&F...", "Print the current schedule to a PDF file"},
          {L::Command, 14, "Print Previe&w...", "Preview what a printout would look like"},
          separator,
          {L::Command, 19, "Send &Invitation Emails...", "Email the invitations to parents"},
          {L::Command, 20, "Send Reminder Emails...", "Email the reminders to parents"},
          {L::Command, 18, "Send Result &Emails...", "Email the current schedule to parents"},
          separator,
          {L::Command, 15, "Lock Schedule", "Lock the schedule to prevent modification"},
          {L::Command, 16, "Remove Loc&k", "Remove the current schedule lock"},
          separator,
          {L::Command, 1, "E&xit", "Quit this program"}}},
        {"&Edit",
         {{L::Command, 2, "Add &Teacher...", "Add a teacher"},
          {L::Command, 3, "Add &Parent...", "Add a parent"},
          {L::Command, 4, "Add Presentation...", "Add a presentation"},
          {L::Command, 5, "Add &Break to all Teachers...", "Add a break to all teachers"},
          separator,
          {L::Command, 35, "Edit T&eacher...", "Edit the currently selected teacher"},
          {L::Command, 36, "Edit P&arent...", "Edit the currently selected parent"},
          {L::Command, 37, "Edit P&upil...", "Edit the currently selected pupil"},
          {L::Command, 38, "Edit Presentation...", "Edit the currently selected presentation"},
          {L::Command, 39, "Edit E&vent Details...", "Edit the details of the current event"},
          {L::Command, 40, "Edit Emai&l Server...", "Edit the current email server's details"},
          {L::SubmenuStart, -1, "Edit Email Text", "Edit the text of emails to send"},
          {L::Command, 30, "Parent Invitations...", "Invitation emails for parents"},
          {L::Command, 31, "Parent Reminders...", "Reminder emails for parents"},
          {L::Command, 27, "Parent Results...", "Result emails for parents"},
          {L::Command, 29, "Pupil Results...", "Result emails for pupils"},
          {L::Command, 28, "Teacher Results...", "Result emails for teachers"},
          {L::SubmenuEnd, 0, "", ""},
          {L::Command, 41, "Edit Appoint&ments...", "Edit the appointments for all pupils"},
          {L::Command, 49, "Edit &Scoring...", "Edit the scoring system"},
          separator,
          {L::Command, 53, "Delete Teacher", "Delete the selected teacher"},
          {L::Command, 52, "Delete Parent", "Delete the selected parent"},
          {L::Command, 54, "Delete Presentation", "Delete the selected presentation"},
          {L::Command, 55, "Delete Break from all Teachers...", "Delete a break from all teachers"},
          {L::Command, 56, "Delete All Teacher Breaks", "Delete all breaks from all teachers"},
          {L::Command, 69, "Delete Unbooked Parents",
           "Delete all parents who have no appointments"},
          {L::Command, 57, "Reset Attendance Times",
           "Reset attendance times for everyone back to event default"},
          separator,
          {L::Command, 51, "Delete Appointments", "Delete all appointments from this event"},
          {L::Command, 50, "Delete Parents and Pupils",
           "Delete all parents and pupils from this event"}}},
        {"&Import",
         {{L::Command, 43, "Import &Teachers...", "Import a list of teachers"},
          {L::Command, 44, "Import &Pupils...", "Import a list of pupils"},
          separator,
          {L::Command, 47, "Import 'Taught &By' List from File...",
           "Import the list of which teachers teach which pupils from a file"},
          {L::Command, 48, "Import &Request List from File...",
           "Import the list of which teachers should be seen from a file"}}},
        {"E&xport",
         {{L::Command, 70, "Export &Teachers to File...", "Export the teachers to a file"},
          {L::Command, 71, "Export &Pupils to File...", "Export the parents and pupils to a file"},
          {L::Command, 72, "Export &Appointments to File...", "Export the appointments to a file"},
          separator,
          {L::Command, 73, "Export Teacher Handouts...", "Export the teacher handouts to a file"},
          {L::Command, 74, "Export Parent Handouts...", "Export the parent handouts to a file"}}},
        {"&Report",
         {{L::Command, 59, "&Teachers with no appointments...",
           "Report on all teachers who have no appointments"},
          {L::Command, 60, "&Parents with no appointments...",
           "Report on all parents who have no appointments"},
          {L::Command, 61, "P&upils with no appointments...",
           "Report on all pupils who have no appointments"},
          separator,
          {L::Command, 62, "Teachers with &appointments...",
           "Report on all teachers who have appointments"},
          separator,
          {L::Command, 63, "Un&booked appointments...",
           "Report on appointments that are not yet booked"},
          separator,
          {L::Command, 64, "Run a &scripted report...", "Run a Lua script to create a report"}}},
        {"&Action",
         {{L::Command, 32, "Clear and &rebook all appointments",
           "Delete all current appointments and rebook them all from scratch"},
          {L::Command, 33, "&Book in only the unbooked requests",
           "Create appointments for the currently unbooked requests"},
          {L::Command, 34, "&Optimise...", "Optimise the schedule"}}},
        {"&Help",
         {{L::Command, 75, "&Check for Updates...", "Check online for updates to Quillmoot"},
          {L::Command, ID_ABOUT, "&About...\tF1", "Show about dialog"}}},
    };
    return menus;
}

const std::vector<ToolSpec>& MainTools() {
    static const std::vector<ToolSpec> tools = {
        {6, "New Event", "Create a new event", &kPictureToolNewEvent},
        {7, "Load Event", "Load an event file", &kPictureToolLoadEvent},
        {81, "Save Event", "Save the current event", &kPictureToolSaveEvent},
        {85, "Print", "Print the current event", &kPictureToolPrint},
        {0, "", "", nullptr},
        {43, "Import Teachers", "Import a list of teachers", &kPictureToolImportTeachers},
        {44, "Import Pupils", "Import a list of pupils", &kPictureToolImportPupils},
        {0, "", "", nullptr},
        {82, "Rebook All", "Clear and rebook all appointments", &kPictureToolRebookAll},
        {83, "Book Incomplete", "Book in any unbooked appointments", &kPictureToolBookIncomplete},
        {84, "Optimise", "Optimise the schedule", &kPictureToolOptimise},
    };
    return tools;
}

const std::vector<int>& PopupOnlyCommands() {
    static const std::vector<int> ids = {21, 22, 23, 24, 25, 26, 42, 45, 46, 67, 68, 79, 80};
    return ids;
}
