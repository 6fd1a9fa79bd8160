#include "gui/main/schedule_views.h"

#include "app/qm_controller.h"

void ScheduleView::Follow(QMController& controller) {
    SetSchedule(controller.GetSchedule());
    following_ = controller.Subscribe([this](const EventMessage& message) {
        if (message.kind == EventMessage::Kind::Replaced) {
            SetSchedule(message.schedule);
        } else {
            ShowChanges(message.changes);
        }
    });
}

void EventTreeView::Follow(QMController& controller) {
    following_ = controller.Subscribe([this, &controller](const EventMessage& message) {
        if (message.kind != EventMessage::Kind::Settled) {
            return;
        }
        // Handing the tree its event rebuilds it.
        if (message.changes.event) {
            SetEvent(controller.GetSchedule() ? controller.GetEvent() : nullptr);
        } else if (message.changes.people) {
            RebuildTree();
        } else if (message.changes.names) {
            RefreshItemTexts();
        }
    });
}
