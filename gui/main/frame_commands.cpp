#include "gui/main/frame_commands.h"

#include <stdexcept>
#include <string>
#include <unordered_map>

#include "app/qm_controller.h"
#include "gui/main/pictures.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

FrameState ComputeFrameState(const QMController& controller) {
    FrameState state;
    const MultiDaySchedule* schedule = controller.GetSchedule();
    state.loaded = schedule != nullptr && schedule->GetDayCount() > 0;
    state.locked = state.loaded && schedule->GetEvent() && schedule->GetEvent()->IsLocked();
    state.editable = state.loaded && !state.locked;
    state.unbooked = state.loaded && !schedule->AllRequestsBooked();
    state.named = !controller.GetFileName().empty();
    state.changed = controller.IsEventChanged();
    return state;
}

bool IsCommandAllowed(CommandNeeds needs, const FrameState& state) {
    switch (needs) {
        case CommandNeeds::Nothing:
            return true;
        case CommandNeeds::Loaded:
            return state.loaded;
        case CommandNeeds::Changed:
            return state.loaded && state.changed;
        case CommandNeeds::ChangedAndNamed:
            return state.loaded && state.changed && state.named;
        case CommandNeeds::Editable:
            return state.editable;
        case CommandNeeds::Locked:
            return state.locked;
        case CommandNeeds::Unbooked:
            return state.unbooked;
    }
    return false;
}

const std::vector<const Command*>& AllCommands() {
    static const std::vector<const Command*> all = [] {
        std::vector<const Command*> commands;
        for (const CommandFamily* family :
             {&FileCommands(), &PeopleCommands(), &TeacherCommands(), &ScheduleCommands(),
              &OutputCommands(), &EmailCommands(), &ImportCommands(), &ScriptCommands(),
              &OverviewCommands()}) {
            for (const Command& command : *family) {
                commands.push_back(&command);
            }
        }
        return commands;
    }();
    return all;
}

const Command* FindCommand(CommandId id) {
    static const std::unordered_map<int, const Command*> byId = [] {
        std::unordered_map<int, const Command*> table;
        for (const Command* command : AllCommands()) {
            // Two records under one id would run one and show the other.
            if (!table.emplace(WxId(command->id), command).second) {
                throw std::logic_error("Two commands have the id " +
                                       std::to_string(WxId(command->id)));
            }
        }
        return table;
    }();
    const auto found = byId.find(WxId(id));
    return found == byId.end() ? nullptr : found->second;
}

CommandNeeds NeedsOfCommand(CommandId id) {
    const Command* command = FindCommand(id);
    return command ? command->needs : CommandNeeds::Nothing;
}

const std::vector<MenuSpec>& MainMenus() {
    using L = MenuLine;
    using C = CommandId;
    static const L separator{L::Separator};
    static const std::vector<MenuSpec> menus = {
        {"&File",
         {{L::Command, C::NewEvent},
          separator,
          {L::Command, C::LoadEvent},
          {L::Command, C::MergeChanges},
          {L::Command, C::SaveEvent},
          {L::Command, C::SaveEventAs},
          separator,
          {L::Command, C::PrintSettings},
          {L::Command, C::Print},
          {L::Command, C::PrintToPdf},
          {L::Command, C::PrintPreview},
          separator,
          {L::Command, C::SendInvitationEmails},
          {L::Command, C::SendReminderEmails},
          {L::Command, C::SendResultEmails},
          separator,
          {L::Command, C::LockSchedule},
          {L::Command, C::RemoveLock},
          separator,
          {L::Command, C::Exit}}},
        {"&Edit",
         {{L::Command, C::AddTeacher},
          {L::Command, C::AddParent},
          {L::Command, C::AddPresentation},
          {L::Command, C::AddBreakToAllTeachers},
          separator,
          {L::Command, C::EditTeacher},
          {L::Command, C::EditParent},
          {L::Command, C::EditPupil},
          {L::Command, C::EditPresentation},
          {L::Command, C::EditEventDetails},
          {L::Command, C::EditEmailServer},
          {L::SubmenuStart, C::None, "Edit Email Text", "Edit the text of emails to send"},
          {L::Command, C::EditParentInvitationsText},
          {L::Command, C::EditParentRemindersText},
          {L::Command, C::EditParentResultsText},
          {L::Command, C::EditPupilResultsText},
          {L::Command, C::EditTeacherResultsText},
          {L::SubmenuEnd},
          {L::Command, C::EditAppointments},
          {L::Command, C::EditScoring},
          separator,
          {L::Command, C::DeleteTeacher},
          {L::Command, C::DeleteParent},
          {L::Command, C::DeletePresentation},
          {L::Command, C::DeleteBreakFromAllTeachers},
          {L::Command, C::DeleteAllTeacherBreaks},
          {L::Command, C::DeleteUnbookedParents},
          {L::Command, C::ResetAttendanceTimes},
          separator,
          {L::Command, C::DeleteAppointments},
          {L::Command, C::DeleteParentsAndPupils}}},
        {"&Import",
         {{L::Command, C::ImportTeachers},
          {L::Command, C::ImportPupils},
          separator,
          {L::Command, C::ImportTaughtByList},
          {L::Command, C::ImportRequestList}}},
        {"E&xport",
         {{L::Command, C::ExportTeachers},
          {L::Command, C::ExportPupils},
          {L::Command, C::ExportAppointments},
          separator,
          {L::Command, C::ExportTeacherHandouts},
          {L::Command, C::ExportParentHandouts}}},
        {"&Report",
         {{L::Command, C::ReportTeachersWithoutAppointments},
          {L::Command, C::ReportParentsWithoutAppointments},
          {L::Command, C::ReportPupilsWithoutAppointments},
          separator,
          {L::Command, C::ReportTeachersWithAppointments},
          separator,
          {L::Command, C::ReportUnbookedAppointments},
          separator,
          {L::Command, C::RunScriptedReport}}},
        {"&Action",
         {{L::Command, C::RebookAll}, {L::Command, C::BookIncomplete}, {L::Command, C::Optimise}}},
        {"&Help", {{L::Command, C::CheckForUpdates}, {L::Command, C::About}}},
    };
    return menus;
}

const std::vector<ToolSpec>& MainTools() {
    using C = CommandId;
    static const ToolSpec separator{C::None};
    static const std::vector<ToolSpec> tools = {
        {C::NewEvent, &kPictureToolNewEvent, "New Event"},
        {C::LoadEvent, &kPictureToolLoadEvent, "Load Event"},
        {C::ToolSaveEvent, &kPictureToolSaveEvent},
        {C::ToolPrint, &kPictureToolPrint},
        separator,
        {C::ImportTeachers, &kPictureToolImportTeachers, "Import Teachers"},
        {C::ImportPupils, &kPictureToolImportPupils, "Import Pupils"},
        separator,
        {C::ToolRebookAll, &kPictureToolRebookAll},
        {C::ToolBookIncomplete, &kPictureToolBookIncomplete},
        {C::ToolOptimise, &kPictureToolOptimise},
    };
    return tools;
}

const char* ToolLabel(const ToolSpec& tool) {
    if (tool.shortLabel != nullptr) {
        return tool.shortLabel;
    }
    const Command* command = FindCommand(tool.id);
    return command ? command->label : "";
}

const char* ToolTip(const ToolSpec& tool) {
    const Command* command = FindCommand(tool.id);
    return command ? command->help : "";
}

const std::vector<CommandId>& PopupOnlyCommands() {
    using C = CommandId;
    static const std::vector<CommandId> ids = {
        C::SendPersonResultsEmail,  C::SendPersonInvitationEmail, C::SendPersonReminderEmail,
        C::PreviewResultsEmail,     C::PreviewInvitationEmail,    C::PreviewReminderEmail,
        C::EditTeacherAppointments, C::EditPresentationsAttended, C::Ignored,
        C::PrintPreviewSelected,    C::BookFormAppointment,       C::SetAllTeachersAttending,
        C::SetAllParentsAttending};
    return ids;
}
