#include "app/script_run.h"

#include "app/qm_controller.h"

ScriptRun::ScriptRun(QMController* controller) : controller_(controller) {
    if (controller_ == nullptr) {
        return;
    }
    State& state = controller_->GetScriptRunState();
    if (state.depth++ == 0) {
        state.stopped = false;
        state.check = state.offer ? state.offer() : nullptr;
    }
}

ScriptRun::~ScriptRun() {
    if (controller_ == nullptr) {
        return;
    }
    State& state = controller_->GetScriptRunState();
    if (--state.depth == 0) {
        // The window's offer goes with the run that took it.
        state.check = nullptr;
        state.stopped = false;
    }
}

bool ScriptRun::Stopped() const {
    return controller_ != nullptr && controller_->GetScriptRunState().stopped;
}

bool ScriptRun::ShouldStop(QMController* controller) {
    if (controller == nullptr) {
        return false;
    }
    State& state = controller->GetScriptRunState();
    if (!state.stopped && state.depth > 0 && state.check) {
        state.stopped = state.check();
    }
    return state.stopped;
}
