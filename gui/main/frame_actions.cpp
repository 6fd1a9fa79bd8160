#include "gui/main/frame_actions.h"

namespace {
FrameActions* registered = nullptr;
}

FrameActions* TheFrameActions() {
    return registered;
}

void SetFrameActions(FrameActions* actions) {
    registered = actions;
}
