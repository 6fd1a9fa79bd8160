#pragma once

#include <string>
#include <vector>

class QMController;
struct SvgPicture;

// The main window's command ids. Menu items, tools and the panes' popup menus post them.
enum FrameCommand {
    ID_EXIT = 1,
    ID_ADD_TEACHER = 2,
    ID_ADD_PARENT = 3,
    ID_ADD_PRESENTATION = 4,
    ID_ADD_BREAK_TO_ALL_TEACHERS = 5,
    ID_NEW_EVENT = 6,
    ID_LOAD_EVENT = 7,
    ID_MERGE_CHANGES = 8,
    ID_SAVE_EVENT = 9,
    ID_SAVE_EVENT_AS = 10,
    ID_PRINT = 11,
    ID_PRINT_TO_PDF = 12,
    ID_PRINT_SETTINGS = 13,
    ID_PRINT_PREVIEW = 14,
    ID_LOCK_SCHEDULE = 15,
    ID_REMOVE_LOCK = 16,
    ID_SEND_RESULT_EMAILS = 18,
    ID_SEND_INVITATION_EMAILS = 19,
    ID_SEND_REMINDER_EMAILS = 20,
    ID_SEND_PERSON_RESULTS_EMAIL = 21,
    ID_SEND_PERSON_INVITATION_EMAIL = 22,
    ID_SEND_PERSON_REMINDER_EMAIL = 23,
    ID_PREVIEW_RESULTS_EMAIL = 24,
    ID_PREVIEW_INVITATION_EMAIL = 25,
    ID_PREVIEW_REMINDER_EMAIL = 26,
    ID_EDIT_PARENT_RESULTS_TEXT = 27,
    ID_EDIT_TEACHER_RESULTS_TEXT = 28,
    ID_EDIT_PUPIL_RESULTS_TEXT = 29,
    ID_EDIT_PARENT_INVITATIONS_TEXT = 30,
    ID_EDIT_PARENT_REMINDERS_TEXT = 31,
    ID_REBOOK_ALL = 32,
    ID_BOOK_INCOMPLETE = 33,
    ID_OPTIMISE = 34,
    ID_EDIT_TEACHER = 35,
    ID_EDIT_PARENT = 36,
    ID_EDIT_PUPIL = 37,
    ID_EDIT_PRESENTATION = 38,
    ID_EDIT_EVENT_DETAILS = 39,
    ID_EDIT_EMAIL_SERVER = 40,
    ID_EDIT_APPOINTMENTS = 41,
    ID_EDIT_TEACHER_APPOINTMENTS = 42,
    ID_IMPORT_TEACHERS = 43,
    ID_IMPORT_PUPILS = 44,
    ID_EDIT_PRESENTATIONS_ATTENDED = 45,
    ID_IGNORED = 46,
    ID_IMPORT_TAUGHT_BY_LIST = 47,
    ID_IMPORT_REQUEST_LIST = 48,
    ID_EDIT_SCORING = 49,
    ID_DELETE_PARENTS_AND_PUPILS = 50,
    ID_DELETE_APPOINTMENTS = 51,
    ID_DELETE_PARENT = 52,
    ID_DELETE_TEACHER = 53,
    ID_DELETE_PRESENTATION = 54,
    ID_DELETE_BREAK_FROM_ALL_TEACHERS = 55,
    ID_DELETE_ALL_TEACHER_BREAKS = 56,
    ID_RESET_ATTENDANCE_TIMES = 57,
    ID_REPORT_TEACHERS_WITHOUT_APPOINTMENTS = 59,
    ID_REPORT_PARENTS_WITHOUT_APPOINTMENTS = 60,
    ID_REPORT_PUPILS_WITHOUT_APPOINTMENTS = 61,
    ID_REPORT_TEACHERS_WITH_APPOINTMENTS = 62,
    ID_REPORT_UNBOOKED_APPOINTMENTS = 63,
    ID_RUN_SCRIPTED_REPORT = 64,
    ID_PRINT_PREVIEW_SELECTED = 67,
    ID_BOOK_FORM_APPOINTMENT = 68,
    ID_DELETE_UNBOOKED_PARENTS = 69,
    ID_EXPORT_TEACHERS = 70,
    ID_EXPORT_PUPILS = 71,
    ID_EXPORT_APPOINTMENTS = 72,
    ID_EXPORT_TEACHER_HANDOUTS = 73,
    ID_EXPORT_PARENT_HANDOUTS = 74,
    ID_CHECK_FOR_UPDATES = 75,
    ID_SET_ALL_TEACHERS_ATTENDING = 79,
    ID_SET_ALL_PARENTS_ATTENDING = 80,
    ID_TOOL_SAVE_EVENT = 81,
    ID_TOOL_REBOOK_ALL = 82,
    ID_TOOL_BOOK_INCOMPLETE = 83,
    ID_TOOL_OPTIMISE = 84,
    ID_TOOL_PRINT = 85,
    ID_ABOUT = wxID_ABOUT,
};

inline constexpr int kFirstFrameCommand = ID_EXIT;
inline constexpr int kLastFrameCommand = ID_TOOL_PRINT;

// When a command can run, from the state of the loaded event.
// Save waits for something to save: Changed is loaded and changed since saved.
enum class CommandNeeds { Nothing, Loaded, Changed, ChangedAndNamed, Editable, Locked, Unbooked };

struct FrameState {
    bool loaded = false;    // a schedule with at least one day
    bool locked = false;    // loaded and its event locked
    bool editable = false;  // loaded and not locked
    bool unbooked = false;  // loaded and some request booked on no day
    bool named = false;     // the event has a file
    bool changed = false;   // the event differs from its file (QMController::IsEventChanged)
};
FrameState ComputeFrameState(const QMController& controller);
bool IsCommandAllowed(CommandNeeds needs, const FrameState& state);
// What the command with this id needs; Nothing for ids that are always allowed.
CommandNeeds NeedsOfCommand(int id);

// One menu line: a command, a separator (id 0) or the start and end of a submenu.
struct MenuLine {
    enum Kind { Command, Separator, SubmenuStart, SubmenuEnd };
    Kind kind;
    int id;
    const char* label;
    const char* help;
};
struct MenuSpec {
    const char* title;
    std::vector<MenuLine> lines;
};
const std::vector<MenuSpec>& MainMenus();

// One toolbar tool (id 0 is a separator) and its picture, drawn for the program (the disabled
// tool shows it greyed).
struct ToolSpec {
    int id;
    const char* label;
    const char* tooltip;
    const SvgPicture* picture;
};
const std::vector<ToolSpec>& MainTools();

// Ids that the panes' popup menus post to the frame.
const std::vector<int>& PopupOnlyCommands();
