#include <wx/filedlg.h>
#include <wx/filename.h>

#include "foundation/uc_error.h"
#include "gui/dialogs/about_dlg.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/main/event_file_names.h"
#include "gui/main/frame_commands.h"
#include "gui/main/quillmoot_frame.h"
#include "gui/main/schedule_views.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

const CommandFamily& FileCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    using F = QuillmootFrame;
    static const CommandFamily family = {
        {C::NewEvent, "&New Event...", "Create a new event", N::Nothing, &F::OnNewEvent},
        {C::LoadEvent, "&Load Event...", "Load an event file", N::Nothing, &F::OnLoadEvent},
        {C::MergeChanges, "&Merge Changes...", "Merge changes from another copy of this event",
         N::Loaded, &F::OnMergeChanges},
        {C::SaveEvent, "&Save Event", "Save the current event file", N::LoadedAndNamed,
         &F::OnSaveEvent},
        // The tool saves a new event too: it asks for a name.
        {C::ToolSaveEvent, "Save Event", "Save the current event", N::Loaded, &F::OnSaveEvent},
        {C::SaveEventAs, "S&ave Event As...", "Save an event file with a different filename",
         N::Loaded, &F::OnSaveEventAs},
        {C::Exit, "E&xit", "Quit this program", N::Nothing, [](F& frame) { frame.Close(false); }},
        {C::About, "&About...\tF1", "Show about dialog", N::Nothing,
         [](F& frame) {
             AboutDlg about(&frame);
             about.ShowModal();
         }},
        {C::Ignored, "", "", N::Nothing, [](F&) {}},
    };
    return family;
}

bool QuillmootFrame::LoadEventFile(const wxString& path) {
    const ChangeScope change(controller_);
    return controller_.OpenEventFile(ToUtf8(path).c_str());
}

bool QuillmootFrame::OpenEventFileAsked(const wxString& path) {
    const ChangeScope change(controller_);
    // Opening the file already open replaces nothing.
    if (ToUtf8(path) != controller_.GetFileName() && !ConfirmReplaceEvent()) {
        return false;
    }
    return LoadEventFile(path);
}

bool QuillmootFrame::ConfirmReplaceEvent() {
    if (!controller_.IsEventChanged()) {
        return true;
    }
    switch (AskYesNoCancel(this,
                           "The schedule has been changed since it was last saved. "
                           "Do you wish to save the changed data?")) {
        case wxID_YES:
            return SaveEvent();
        case wxID_NO:
            return true;
        default:
            return false;
    }
}

void QuillmootFrame::OnLoadEvent() {
    FileChoice choice;
    if (PromptService::Current().ChooseFile(
            this, {"Choose an event file", kEventFileWildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST},
            &choice)) {
        OpenEventFileAsked(choice.path);
    }
}

void QuillmootFrame::OnMergeChanges() {
    FileChoice choice;
    if (PromptService::Current().ChooseFile(this,
                                            {"Choose an event file to merge from",
                                             kEventFileWildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST},
                                            &choice)) {
        MergeChanges(choice.path);
    }
}

void QuillmootFrame::MergeChanges(const wxString& path) {
    const ChangeScope change(controller_);
    const std::shared_ptr<Event>& event = controller_.GetEvent();
    if (event && event->IsLocked()) {
        ReportMessage(SeverityError, "Cannot merge changes because the schedule is locked");
        return;
    }
    std::string log;
    if (controller_.MergeEventFile(ToUtf8(path).c_str(), &log)) {
        ReportDlg report(this, "Merge succeeded", log);
        report.ShowModal();
    }
}

void QuillmootFrame::OnNewEvent() {
    const ChangeScope change(controller_);
    if (!newEventEditor_ || !ConfirmReplaceEvent()) {
        return;
    }
    auto event = std::make_shared<Event>();
    auto schedule = std::make_unique<MultiDaySchedule>(event);
    if (!newEventEditor_(this, *schedule, controller_)) {
        return;
    }
    controller_.SetEvent(std::move(schedule));
}

void QuillmootFrame::OnSaveEvent() {
    if (!controller_.GetSchedule()) {
        ReportMessage(SeverityWarning,
                      "There is no event to save yet. When you click OK you will be prompted to "
                      "set one up.");
        OnNewEvent();
        return;
    }
    SaveEvent();
}

void QuillmootFrame::OnSaveEventAs() {
    SaveEventAs();
}

bool QuillmootFrame::SaveEvent() {
    // The title follows the file.
    const ChangeScope change(controller_);
    const std::string fileName = controller_.GetFileName();
    // A file opened read-only can't take the changes: they go elsewhere.
    if (fileName.empty() || controller_.IsReadOnly()) {
        return SaveEventAs();
    }
    return controller_.SaveEvent(fileName.c_str());
}

bool QuillmootFrame::SaveEventAs() {
    const ChangeScope change(controller_);
    FileChoice choice;
    bool saved = false;
    if (PromptService::Current().ChooseFile(
            this,
            {"Choose a filename to save as", kEventFileWildcard, wxFD_SAVE | wxFD_OVERWRITE_PROMPT},
            &choice)) {
        const std::string chosen = ToUtf8(choice.path);
        const std::string path = EventSavePath(chosen, choice.filterIndex);
        // The dialog asked about the name as typed, not the one with the extension added.
        const bool mayWrite =
            path == chosen || !wxFileName::Exists(FromUtf8(path)) ||
            AskYesNo("The file '" + path + "' already exists. Do you want to replace it?");
        saved = mayWrite && controller_.SaveEvent(path.c_str());
    }
    return saved;
}
