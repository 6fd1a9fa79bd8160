#pragma once

#include <set>
#include <string>
#include <vector>

#include "gui/main/frame_actions.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/teacher.h"

// Stands in for the main window while registered: records what the views ask of it.
class RecordingFrame : public FrameActions {
public:
    RecordingFrame() : previous_(TheFrameActions()) { SetFrameActions(this); }
    ~RecordingFrame() override { SetFrameActions(previous_); }

    bool HasCommand(CommandId id) const override { return missing.count(id) == 0; }
    bool RunCommand(CommandId id, const Selection&, wxWindow*) override {
        ran.push_back(id);
        return HasCommand(id);
    }
    void EditTeacher(Teacher* teacher) override {
        calls.push_back("teacher " + teacher->GetName());
    }
    void EditParent(Parent* parent) override { calls.push_back("parent " + parent->GetName()); }
    void EditPupil(Pupil* pupil) override { calls.push_back("pupil " + pupil->GetName()); }
    void EditPresentation(Presentation* presentation) override {
        calls.push_back("presentation " + presentation->GetName());
    }
    void RefreshViews() override { ++refreshes; }

    // Commands the window does not handle yet.
    std::set<CommandId> missing;
    std::vector<std::string> calls;
    std::vector<CommandId> ran;
    int refreshes = 0;

private:
    FrameActions* previous_;
};
