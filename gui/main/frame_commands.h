#pragma once

#include <wx/defs.h>

#include <functional>
#include <vector>

#include "gui/dialogs/window_id.h"

class MultiDaySchedule;
class QMController;
struct CommandContext;
struct SvgPicture;

// Every command of the main window and of its panes' popup menus: one id space, so no two
// commands can post the same number. The values are what wx menus, tools and events carry.
enum class CommandId : int {
    None = 0,  // a separator's place
    Exit = 1,
    AddTeacher = 2,
    AddParent = 3,
    AddPresentation = 4,
    AddBreakToAllTeachers = 5,
    NewEvent = 6,
    LoadEvent = 7,
    MergeChanges = 8,
    SaveEvent = 9,
    SaveEventAs = 10,
    Print = 11,
    PrintToPdf = 12,
    PrintSettings = 13,
    PrintPreview = 14,
    LockSchedule = 15,
    RemoveLock = 16,
    SendResultEmails = 18,
    SendInvitationEmails = 19,
    SendReminderEmails = 20,
    SendPersonResultsEmail = 21,
    SendPersonInvitationEmail = 22,
    SendPersonReminderEmail = 23,
    PreviewResultsEmail = 24,
    PreviewInvitationEmail = 25,
    PreviewReminderEmail = 26,
    EditParentResultsText = 27,
    EditTeacherResultsText = 28,
    EditPupilResultsText = 29,
    EditParentInvitationsText = 30,
    EditParentRemindersText = 31,
    RebookAll = 32,
    BookIncomplete = 33,
    Optimise = 34,
    EditTeacher = 35,
    EditParent = 36,
    EditPupil = 37,
    EditPresentation = 38,
    EditEventDetails = 39,
    EditEmailServer = 40,
    EditAppointments = 41,
    EditTeacherAppointments = 42,
    ImportTeachers = 43,
    ImportPupils = 44,
    EditPresentationsAttended = 45,
    Ignored = 46,
    ImportTaughtByList = 47,
    ImportRequestList = 48,
    EditScoring = 49,
    DeleteParentsAndPupils = 50,
    DeleteAppointments = 51,
    DeleteParent = 52,
    DeleteTeacher = 53,
    DeletePresentation = 54,
    DeleteBreakFromAllTeachers = 55,
    DeleteAllTeacherBreaks = 56,
    ResetAttendanceTimes = 57,
    ReportTeachersWithoutAppointments = 59,
    ReportParentsWithoutAppointments = 60,
    ReportPupilsWithoutAppointments = 61,
    ReportTeachersWithAppointments = 62,
    ReportUnbookedAppointments = 63,
    RunScriptedReport = 64,
    UnbookAppointment = 65,
    DeleteRequest = 66,
    PrintPreviewSelected = 67,
    BookFormAppointment = 68,
    DeleteUnbookedParents = 69,
    ExportTeachers = 70,
    ExportPupils = 71,
    ExportAppointments = 72,
    ExportTeacherHandouts = 73,
    ExportParentHandouts = 74,
    CheckForUpdates = 75,
    AddBreak = 76,
    RemoveBreak = 77,
    ChangeAppearance = 78,
    SetAllTeachersAttending = 79,
    SetAllParentsAttending = 80,
    ToolSaveEvent = 81,
    ToolRebookAll = 82,
    ToolBookIncomplete = 83,
    ToolOptimise = 84,
    ToolPrint = 85,
    About = wxID_ABOUT,
};

// Back from the int a wx event carries; WxId (window_id.h) is the way there.
constexpr CommandId CommandOfWxId(int id) {
    return static_cast<CommandId>(id);
}

// When a command can run, from the state of the loaded event. Whether the event changed since
// it was saved is no part of it: that answer costs a formatting of the whole event.
enum class CommandNeeds { Nothing, Loaded, LoadedAndNamed, Editable, Locked, Unbooked };

struct FrameState {
    bool loaded = false;    // a schedule with at least one day
    bool locked = false;    // loaded and its event locked
    bool editable = false;  // loaded and not locked
    bool unbooked = false;  // loaded and some request booked on no day
    bool named = false;     // the event has a file
};
FrameState ComputeFrameState(const QMController& controller);
// The state of a schedule (null: none) without a file.
FrameState StateOfSchedule(const MultiDaySchedule* schedule);
bool IsCommandAllowed(CommandNeeds needs, const FrameState& state);

// One command: the texts its menu item or tool shows, when it can run and what it does. A
// tool's label is its record's; a popup line may say its own texts, and keep a rule of its own,
// where its place asks.
struct Command {
    CommandId id;
    const char* label;
    const char* help;
    CommandNeeds needs;
    std::function<void(const CommandContext&)> run;
};
// One family's commands, kept beside the family's code.
using CommandFamily = std::vector<Command>;

// Every family's commands; each id once.
const std::vector<const Command*>& AllCommands();
// Null for an id that no record holds.
const Command* FindCommand(CommandId id);
// What the command with this id needs; Nothing for ids no record holds.
CommandNeeds NeedsOfCommand(CommandId id);

// One menu line: a command, a separator or the start and end of a submenu (whose own label
// and help the start line holds).
struct MenuLine {
    enum Kind { Command, Separator, SubmenuStart, SubmenuEnd };
    // A menu lists its commands by id alone.
    MenuLine(CommandId command) : kind(Command), id(command) {}  // NOLINT: implicit on purpose
    MenuLine(Kind lineKind, const char* lineLabel = "", const char* lineHelp = "")
        : kind(lineKind), label(lineLabel), help(lineHelp) {}
    Kind kind;
    CommandId id = CommandId::None;
    const char* label = "";
    const char* help = "";
};
struct MenuSpec {
    const char* title;
    std::vector<MenuLine> lines;
};
const std::vector<MenuSpec>& MainMenus();

// One toolbar tool (CommandId::None is a separator) and its picture, drawn for the program
// (the disabled tool shows it greyed). A tool says its own short label where the menu's would
// be long; its tooltip is its record's help.
struct ToolSpec {
    CommandId id;
    const SvgPicture* picture = nullptr;
    const char* shortLabel = nullptr;
};
const std::vector<ToolSpec>& MainTools();
const char* ToolLabel(const ToolSpec& tool);
const char* ToolTip(const ToolSpec& tool);

// Commands that only the panes' popup menus post, and the overview's break removal, which
// nothing offers.
const std::vector<CommandId>& PopupOnlyCommands();

// The families, each defined beside its code.
const CommandFamily& FileCommands();
const CommandFamily& PeopleCommands();
const CommandFamily& TeacherCommands();
const CommandFamily& ScheduleCommands();
const CommandFamily& OutputCommands();
const CommandFamily& EmailCommands();
const CommandFamily& ImportCommands();
const CommandFamily& ScriptCommands();
// What the overview's popup acts on: the cell it was raised over (Selection::GetSelectedCell).
const CommandFamily& OverviewCommands();

// What the dialogs of the lower libraries open from inside themselves, each installed by the
// family that owns it: the event settings' logo and notes, the import's preview tree, the mail
// server settings.
void InstallScheduleEditors();
void InstallImportPreview();
void InstallEmailEditors();
