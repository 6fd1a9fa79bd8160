#pragma once

#include "gui/main/frame_commands.h"

class Selection;
class wxWindow;

// What the event tree and the timetable overview ask of the main window, so that neither
// includes the frame. The frame registers itself for its life; tests register a recording double.
class FrameActions {
public:
    virtual ~FrameActions() = default;

    // Whether the window runs the command (a preview tree's window may not).
    virtual bool HasCommand(CommandId id) const = 0;
    // The state of the event that the commands' needs are checked against.
    virtual FrameState GetFrameState() const = 0;
    // Runs the command in a change, as the window's menu would, on what the pane picked and
    // with the pane's window as the parent of its dialogs; false when the window lacks it.
    virtual bool RunCommand(CommandId id, const Selection& selection, wxWindow* parent) = 0;
    // Closes the window without its save question, which the caller has asked already.
    virtual void CloseWithoutAsking() = 0;
};

// The registered window; null while there is none.
FrameActions* TheFrameActions();
void SetFrameActions(FrameActions* actions);
