#pragma once

#include <functional>
#include <vector>

#include "gui/main/frame_commands.h"

class wxMenu;

// One line of a popup menu; CommandId::None is a separator.
struct PopupEntry {
    CommandId id;
    const char* label;
    const char* help;
    bool enabled;
};
using PopupMenuTable = std::vector<PopupEntry>;
// Whether the main window can run a command yet.
using CommandAvailable = std::function<bool(CommandId id)>;

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

// A line is enabled when the window runs its command (available; null: it runs every one) and
// the event's state meets its record's needs, or the line's own where its place has a rule of
// its own. Empty for items that get no menu.
PopupMenuTable TreeMenu(TreeItemKind kind, const FrameState& state,
                        const CommandAvailable& available);

enum class OverviewMenuKind { Background, Parent, Teacher, Appointment };

// teacherRowHit: the click was on a teacher's row (a break can be added only there).
PopupMenuTable OverviewMenu(OverviewMenuKind kind, const FrameState& state, bool teacherRowHit,
                            const CommandAvailable& available);

// Every command that a popup menu of the tree or the overview can post.
std::vector<CommandId> PopupCommands();

// The caller owns the menu.
wxMenu* BuildPopupMenu(const PopupMenuTable& table);
