#include "gui/main/file_commands.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/toplevel.h>

#include "app/qm_controller.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/about_dlg.h"
#include "gui/dialogs/new_event_dlg.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/main/command_context.h"
#include "gui/main/event_file_names.h"
#include "gui/main/frame_commands.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

namespace {

void LoadEvent(const CommandContext& context) {
    FileChoice choice;
    // A name that does not exist gets the load's own message, naming it.
    if (PromptService::Current().ChooseFile(
            context.parent, {"Choose an event file", kEventFileWildcard, wxFD_OPEN}, &choice)) {
        OpenEventFileAsked(context, choice.path);
    }
}

void ChooseMergeFile(const CommandContext& context) {
    FileChoice choice;
    if (PromptService::Current().ChooseFile(context.parent,
                                            {"Choose an event file to merge from",
                                             kEventFileWildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST},
                                            &choice)) {
        MergeChanges(context, choice.path);
    }
}

}  // namespace

const CommandFamily& FileCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    using X = const CommandContext&;
    static const CommandFamily family = {
        {C::NewEvent, "&New Event...", "Create a new event", N::Nothing, NewEvent},
        {C::LoadEvent, "&Load Event...", "Load an event file", N::Nothing, LoadEvent},
        {C::MergeChanges, "&Merge Changes...", "Merge changes from another copy of this event",
         N::Loaded, ChooseMergeFile},
        {C::SaveEvent, "&Save Event", "Save the current event file", N::LoadedAndNamed,
         SaveEventCommand},
        // The tool saves a new event too: it asks for a name.
        {C::ToolSaveEvent, "Save Event", "Save the current event", N::Loaded, SaveEventCommand},
        {C::SaveEventAs, "S&ave Event As...", "Save an event file with a different filename",
         N::Loaded, [](X context) { SaveEventAs(context); }},
        {C::Exit, "E&xit", "Quit this program", N::Nothing,
         [](X context) { wxGetTopLevelParent(context.parent)->Close(false); }},
        {C::About, "&About...\tF1", "Show about dialog", N::Nothing,
         [](X context) {
             AboutDlg about(context.parent);
             about.ShowModal();
         }},
        {C::Ignored, "", "", N::Nothing, [](X) {}},
    };
    return family;
}

bool ShowNewEventDialog(wxWindow* parent, MultiDaySchedule& schedule, QMController& controller) {
    NewEventDlg dialog(parent, &schedule, &controller);
    return dialog.ShowModal() == wxID_OK;
}

bool LoadEventFile(const CommandContext& context, const wxString& path) {
    const QMController::ChangeScope change(context.controller);
    return context.controller.OpenEventFile(ToUtf8(path).c_str());
}

bool OpenEventFileAsked(const CommandContext& context, const wxString& path) {
    const QMController::ChangeScope change(context.controller);
    // Opening the file already open replaces nothing, unless another program changed it.
    if ((!context.controller.IsTheOpenFile(ToUtf8(path)) ||
         context.controller.IsOpenFileChangedOnDisk()) &&
        !ConfirmReplaceEvent(context)) {
        return false;
    }
    return LoadEventFile(context, path);
}

bool ConfirmReplaceEvent(const CommandContext& context) {
    if (!context.controller.IsEventChanged()) {
        return true;
    }
    switch (AskYesNoCancel(context.parent,
                           "The schedule has been changed since it was last saved. "
                           "Do you wish to save the changed data?")) {
        case wxID_YES:
            return SaveEvent(context);
        case wxID_NO:
            return true;
        default:
            return false;
    }
}

void MergeChanges(const CommandContext& context, const wxString& path) {
    const QMController::ChangeScope change(context.controller);
    std::string log;
    if (context.controller.MergeEventFile(ToUtf8(path).c_str(), &log)) {
        ReportDlg report(context.parent, "Merge succeeded", log);
        report.ShowModal();
    }
}

void NewEvent(const CommandContext& context) {
    const QMController::ChangeScope change(context.controller);
    if (!context.newEventEditor || !ConfirmReplaceEvent(context)) {
        return;
    }
    auto event = std::make_shared<Event>();
    auto schedule = std::make_unique<MultiDaySchedule>(event);
    if (!context.newEventEditor(context.parent, *schedule, context.controller)) {
        return;
    }
    context.controller.SetEvent(std::move(schedule));
}

void SaveEventCommand(const CommandContext& context) {
    if (!context.controller.GetSchedule()) {
        ReportMessage(SeverityWarning,
                      "There is no event to save yet. When you click OK you will be prompted to "
                      "set one up.");
        NewEvent(context);
        return;
    }
    SaveEvent(context);
}

static QMController::Question AskBeforeReplacing(const CommandContext& context) {
    return [parent = context.parent](const std::string& question) {
        return AskYesNo(parent, question);
    };
}

bool SaveEvent(const CommandContext& context) {
    // The title follows the file.
    const QMController::ChangeScope change(context.controller);
    const std::string fileName = context.controller.GetFileName();
    // A file opened read-only can't take the changes: they go elsewhere.
    if (fileName.empty() || context.controller.IsReadOnly()) {
        return SaveEventAs(context);
    }
    return context.controller.SaveEvent(fileName.c_str(), AskBeforeReplacing(context));
}

bool MayWriteSavePath(wxWindow* parent, const std::string& chosen, const std::string& path) {
    // The dialog asked about the name as typed, not the one with the extension added.
    return path == chosen || !wxFileName::Exists(FromUtf8(path)) ||
           AskYesNo(parent, "The file '" + path + "' already exists. Do you want to replace it?");
}

bool SaveEventAs(const CommandContext& context) {
    const QMController::ChangeScope change(context.controller);
    FileChoice choice;
    bool saved = false;
    if (PromptService::Current().ChooseFile(
            context.parent,
            {"Choose a filename to save as", kEventFileWildcard, wxFD_SAVE | wxFD_OVERWRITE_PROMPT},
            &choice)) {
        const std::string chosen = ToUtf8(choice.path);
        const std::string path = EventSavePath(chosen, choice.filterIndex);
        saved = MayWriteSavePath(context.parent, chosen, path) &&
                context.controller.SaveEvent(path.c_str(), AskBeforeReplacing(context));
    }
    return saved;
}
