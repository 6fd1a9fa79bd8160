#include "import/wx/import_commands.h"

#include <wx/filedlg.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "app/qm_controller.h"
#include "foundation/files.h"
#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "import/imported_people.h"
#include "import/pt_csv_importer.h"
#include "import/run_messages.h"
#include "import/wx/define_csv_dlg.h"
#include "import/wx/import_dlg.h"
#include "import/wx/import_priority_dlg.h"
#include "import/wx/import_progress_dlg.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

bool ImportPeople(wxWindow* parent, QMController& controller, PeopleImport who) {
    MultiDaySchedule* schedule = controller.GetSchedule();
    if (schedule == nullptr || !schedule->GetEvent()) {
        return false;
    }
    ImportDlg dialog(parent, &controller, who);
    if (dialog.ShowModal() != wxID_OK) {
        return false;
    }
    return MoveImportedPeople(*dialog.GetPreviewEvent(), *schedule, who).added > 0;
}

std::string RequestListResultText(ImportOutcome outcome, unsigned linesImported) {
    const int lines = static_cast<int>(linesImported);
    switch (outcome) {
        case ImportOutcome::Finished:
        case ImportOutcome::Stopped:
            return StringPrintf("Done, %d lines imported successfully", lines);
        case ImportOutcome::Failed:
        default:
            return StringPrintf("Import failed, %d lines imported before the failure", lines);
    }
}

bool ImportRequestList(wxWindow* parent, QMController& controller, ImporterPTCSV::ListKind list) {
    MultiDaySchedule* schedule = controller.GetSchedule();
    if (schedule == nullptr || !schedule->GetEvent()) {
        return false;
    }
    const bool requests = list == ImporterPTCSV::RequestList;
    if (requests && schedule->GetEvent()->IsLocked()) {
        ReportMessage(SeverityError, "Cannot import a request list because the schedule is locked");
        return false;
    }
    FileChoice choice;
    if (!PromptService::Current().ChooseFile(
            parent,
            {"Choose a file to import", "CSV Files (*.csv)|*.csv;*.CSV|All Files (*.*)|*",
             wxFD_OPEN | wxFD_FILE_MUST_EXIST},
            &choice)) {
        return false;
    }
    const std::string path = ToUtf8(choice.path);
    // A folder holds no list, and a FIFO would hold the window until something wrote to it.
    std::string why;
    StdioFile file(OpenOrdinaryFile(path, &why));
    if (file.GetFile() == nullptr) {
        ReportMessage(SeverityError, "Cannot open data file '" + path + "': " + why);
        return false;
    }
    ImporterPTCSVMapping mapping;
    bool ignoreFirstLine = false;
    {
        DefineCSVDlg define(parent, &file, &mapping);
        if (define.ShowModal() != wxID_OK) {
            return false;
        }
        ignoreFirstLine = define.GetIgnoreFirstLine();
    }
    int priority = 1;
    if (requests && !mapping.HasColumnType(PTCSVPriority)) {
        ImportPTPrioDlg ask(parent);
        if (ask.ShowModal() != wxID_OK) {
            return false;
        }
        priority = ask.GetPriority();
    }
    ImporterPTCSV importer(mapping, list);
    importer.SetIgnoreFirstLine(ignoreFirstLine);
    importer.SetPriority(priority);
    std::rewind(file.GetFile());
    importer.SetInput(&file);
    importer.SetTarget(schedule);
    // No user settings: a list's names must match the event's, so its text is always decoded
    // rather than taken as it stands under "importutf8".
    // The closing notice heads whatever the lines said, in one box.
    RunMessages said;
    ImportOutcome outcome = ImportOutcome::Finished;
    {
        ImportProgressDlg progress(parent, &importer);
        progress.ShowModal();
        outcome = progress.GetOutcome();
    }
    said.SayAfter(SeverityInformation, RequestListResultText(outcome, importer.GetLinesImported()));
    return true;
}
