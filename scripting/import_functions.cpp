#include <cerrno>
#include <memory>

#include "app/qm_controller.h"
#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "import/import_factory.h"
#include "import/imported_people.h"
#include "import/run_messages.h"
#include "model/event.h"
#include "model/importer_csv.h"
#include "model/multi_day_schedule.h"
#include "scripting/qm_lua_script.h"
#include "scripting/script_call.h"

namespace {

// The file is read into an event of its own with the open event's days, and only a whole
// import reaches the open event: a broken file leaves it as it was, and the lists that number
// the timetable's rows are never re-sorted under it.
int CSVImport(ScriptCall& call) {
    call.RefuseInsideOutput("qm_csvimport");
    std::string path;
    std::string definition;
    MultiDaySchedule* days = call.Days();
    if (!call.GetText(2, path) || !call.GetText(3, definition) || days == nullptr ||
        !days->GetEvent()) {
        return 0;
    }
    const int kind = call.GetInteger(1);
    if (kind != 0 && kind != 1) {
        return 0;
    }
    // Only an ordinary file: a folder yields nothing and a FIFO would wait for a writer.
    std::string why;
    StdioFile file(OpenOrdinaryFile(path, &why));
    if (file.GetFile() == nullptr) {
        // A missing file is the script's own question; anything else it is told.
        if (errno != ENOENT) {
            ReportMessage(SeverityError, "Cannot open data file '" + path + "': " + why);
        }
        return 0;
    }
    ImporterCSV importer(kind == 1);
    if (!importer.SetDefinition(definition)) {
        call.PushBoolean(false);
        return 1;
    }
    std::unique_ptr<ImportRun> run = CreateImportRun(importer);
    auto separateEvent = std::make_shared<Event>();
    std::unique_ptr<MultiDaySchedule> separate = days->CreateLike(separateEvent);
    if (!run || !separate) {
        call.PushBoolean(false);
        return 1;
    }
    run->SetTarget(separate.get());
    run->SetInput(&file);
    run->SetSettings(&call.Controller()->GetUserSettings());
    // However many lines the file names, the script's sink is told once.
    RunMessages said;
    bool imported = RunImport(*run) == ImportOutcome::Finished;
    if (imported) {
        // As the window's import moves them: each teacher gets its row on every day, a brother
        // or sister joins its family in the event, and whoever the event refuses is named.
        imported = MoveImportedPeople(*separateEvent, *days,
                                      kind == 1 ? PeopleImport::Pupils : PeopleImport::Teachers)
                       .refused == 0;
    }
    said.Say();
    // Parents number no rows of the timetable, so their list may take its order again.
    days->GetEvent()->GetParents().Sort();
    call.Host().Objects().MarkModelStale();
    call.PushBoolean(imported);
    return 1;
}

constexpr ScriptFunction kImportFunctions[] = {
    {"qm_csvimport", &ScriptFunctionEntry<CSVImport>},
};

}  // namespace

ScriptFunctionTable ImportScriptFunctions() {
    return kImportFunctions;
}
