#pragma once

#include <set>
#include <string>
#include <vector>

#include "app/qm_controller.h"
#include "gui/main/command_context.h"
#include "gui/main/frame_actions.h"
#include "gui/main/schedule_views.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/teacher.h"

// Stands in for the main window while registered: records the commands the views run and the
// editors they would open; with a controller it runs every other command as the window would.
class RecordingFrame : public FrameActions {
public:
    RecordingFrame() : previous_(TheFrameActions()) { SetFrameActions(this); }
    ~RecordingFrame() override { SetFrameActions(previous_); }

    bool HasCommand(CommandId id) const override { return missing.count(id) == 0; }
    FrameState GetFrameState() const override { return StateOfSchedule(schedule); }
    bool RunCommand(CommandId id, const Selection& selection, wxWindow* parent) override {
        ran.push_back(id);
        if (!HasCommand(id)) {
            return false;
        }
        const std::string edit = EditorFor(id, selection);
        if (!edit.empty()) {
            calls.push_back(edit);
        } else if (controller != nullptr) {
            const QMController::ChangeScope change(*controller);
            FindCommand(id)->run(
                {.controller = *controller, .selection = selection, .parent = parent});
        }
        return true;
    }
    void CloseWithoutAsking() override { closed = true; }

    // Commands the window does not handle yet.
    std::set<CommandId> missing;
    // The editors opened, as "teacher Ann Able".
    std::vector<std::string> calls;
    std::vector<CommandId> ran;
    bool closed = false;
    // The schedule whose state enables the commands.
    const MultiDaySchedule* schedule = nullptr;
    QMController* controller = nullptr;

private:
    static std::string EditorFor(CommandId id, const Selection& selection) {
        const Person* person = nullptr;
        std::string kind;
        switch (id) {
            case CommandId::EditTeacher:
                person = selection.GetSelectedTeacher();
                kind = "teacher ";
                break;
            case CommandId::EditParent:
                person = selection.GetSelectedParent();
                kind = "parent ";
                break;
            case CommandId::EditPupil:
                person = selection.GetSelectedPupil();
                kind = "pupil ";
                break;
            case CommandId::EditPresentation: {
                const Presentation* presentation = selection.GetSelectedPresentation();
                return presentation ? "presentation " + presentation->GetName() : "";
            }
            default:
                return "";
        }
        return person ? kind + person->GetName() : "";
    }

    FrameActions* previous_;
};
