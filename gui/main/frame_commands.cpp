#include "gui/main/frame_commands.h"

#include <stdexcept>
#include <string>
#include <unordered_map>

#include "app/qm_controller.h"
#include "gui/main/pictures.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

FrameState StateOfSchedule(const MultiDaySchedule* schedule) {
    FrameState state;
    state.loaded = schedule != nullptr && schedule->GetDayCount() > 0;
    state.locked = state.loaded && schedule->GetEvent() && schedule->GetEvent()->IsLocked();
    state.editable = state.loaded && !state.locked;
    state.unbooked = state.loaded && !schedule->AllRequestsBooked();
    return state;
}

FrameState ComputeFrameState(const QMController& controller) {
    FrameState state = StateOfSchedule(controller.GetSchedule());
    state.named = !controller.GetFileName().empty();
    return state;
}

bool IsCommandAllowed(CommandNeeds needs, const FrameState& state) {
    switch (needs) {
        case CommandNeeds::Nothing:
            return true;
        case CommandNeeds::Loaded:
            return state.loaded;
        case CommandNeeds::LoadedAndNamed:
            return state.loaded && state.named;
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
    static const L separator(L::Separator);
    static const std::vector<MenuSpec> menus = {
        {"&File",
         {C::NewEvent,
          separator,
          C::LoadEvent,
          C::MergeChanges,
          C::SaveEvent,
          C::SaveEventAs,
          separator,
          C::PrintSettings,
          C::Print,
          C::PrintToPdf,
          C::PrintPreview,
          separator,
          C::SendInvitationEmails,
          C::SendReminderEmails,
          C::SendResultEmails,
          separator,
          C::LockSchedule,
          C::RemoveLock,
          separator,
          C::Exit}},
        {"&Edit",
         {C::AddTeacher,
          C::AddParent,
          C::AddPresentation,
          C::AddBreakToAllTeachers,
          separator,
          C::EditTeacher,
          C::EditParent,
          C::EditPupil,
          C::EditPresentation,
          C::EditEventDetails,
          C::EditEmailServer,
          {L::SubmenuStart, "Edit Email Text", "Edit the text of emails to send"},
          C::EditParentInvitationsText,
          C::EditParentRemindersText,
          C::EditParentResultsText,
          C::EditPupilResultsText,
          C::EditTeacherResultsText,
          L::SubmenuEnd,
          C::EditAppointments,
          C::EditScoring,
          separator,
          C::DeleteTeacher,
          C::DeleteParent,
          C::DeletePresentation,
          C::DeleteBreakFromAllTeachers,
          C::DeleteAllTeacherBreaks,
          C::DeleteUnbookedParents,
          C::ResetAttendanceTimes,
          separator,
          C::DeleteAppointments,
          C::DeleteParentsAndPupils}},
        {"&Import",
         {C::ImportTeachers, C::ImportPupils, separator, C::ImportTaughtByList,
          C::ImportRequestList}},
        {"E&xport",
         {C::ExportTeachers, C::ExportPupils, C::ExportAppointments, separator,
          C::ExportTeacherHandouts, C::ExportParentHandouts}},
        {"&Report",
         {C::ReportTeachersWithoutAppointments, C::ReportParentsWithoutAppointments,
          C::ReportPupilsWithoutAppointments, separator, C::ReportTeachersWithAppointments,
          separator, C::ReportUnbookedAppointments, separator, C::RunScriptedReport}},
        {"&Action", {C::RebookAll, C::BookIncomplete, C::Optimise}},
        {"&Help", {C::CheckForUpdates, C::About}},
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
    static const std::vector<CommandId> ids = {C::SendPersonResultsEmail,
                                               C::SendPersonInvitationEmail,
                                               C::SendPersonReminderEmail,
                                               C::PreviewResultsEmail,
                                               C::PreviewInvitationEmail,
                                               C::PreviewReminderEmail,
                                               C::EditTeacherAppointments,
                                               C::EditPresentationsAttended,
                                               C::Ignored,
                                               C::PrintPreviewSelected,
                                               C::BookFormAppointment,
                                               C::SetAllTeachersAttending,
                                               C::SetAllParentsAttending,
                                               C::UnbookAppointment,
                                               C::DeleteRequest,
                                               C::AddBreak,
                                               C::RemoveBreak,
                                               C::ChangeAppearance};
    return ids;
}
