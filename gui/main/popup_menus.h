#pragma once

#include <functional>
#include <vector>

class wxMenu;

// The overview's own popup commands; its edit entries post the frame's ids.
enum OverviewCommand {
    ID_UNBOOK_APPOINTMENT = 65,
    ID_DELETE_REQUEST = 66,
    ID_ADD_BREAK = 76,
    ID_REMOVE_BREAK = 77,
    ID_CHANGE_APPEARANCE = 78,
};

// One line of a popup menu; id 0 is a separator.
struct PopupEntry {
    int id;
    const char* label;
    const char* help;
    bool enabled;
};
using PopupMenuTable = std::vector<PopupEntry>;
// Whether the main window can run a command yet.
using CommandAvailable = std::function<bool(int id)>;

// What a tree item stands for, as far as its popup menu is concerned.
enum class TreeItemKind {
    Root,
    TeachersBranch,
    ParentsBranch,
    PupilsBranch,
    PresentationsBranch,
    FormGroup,
    Teacher,
    Parent,
    Pupil,
    Presentation,
    Other
};

// Empty for items that get no menu.
PopupMenuTable TreeMenu(TreeItemKind kind, bool locked, const CommandAvailable& available);

enum class OverviewMenuKind { Background, Parent, Teacher, Appointment };

// teacherRowHit: the click was on a teacher's row (a break can be added only there).
PopupMenuTable OverviewMenu(OverviewMenuKind kind, bool locked, bool teacherRowHit,
                            const CommandAvailable& available);

// The caller owns the menu.
wxMenu* BuildPopupMenu(const PopupMenuTable& table);
