#include <memory>

#include "app/qm_controller.h"
#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "import/import_factory.h"
#include "model/event.h"
#include "model/importer_csv.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/teacher.h"
#include "scripting/qm_lua_script.h"
#include "scripting/script_call.h"

namespace {

// Hands the imported people to the event one by one through the timetable, so every day
// gets each new teacher's row; the first refusal stops the move and the rest are dropped with
// the separate event.
template <typename T>
bool MovePeople(PersonListOf<T>& from, MultiDaySchedule& to,
                bool (MultiDaySchedule::*add)(std::unique_ptr<T>), const char* role) {
    while (from.Count() > 0) {
        std::unique_ptr<T> person(static_cast<T*>(from.RemoveAt(0)));
        if (!person) {
            continue;
        }
        const std::string name = person->GetName();
        if (!(to.*add)(std::move(person))) {
            ReportMessage(SeverityError, std::string(role) + " '" + name + "' failed to import");
            return false;
        }
    }
    return true;
}

// The file is read into an event of its own with the open event's days, and only a whole
// import reaches the open event: a broken file leaves it as it was, and the lists that number
// the timetable's rows are never re-sorted under it.
int CSVImport(ScriptCall& call) {
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
    StdioFile file(path.c_str(), "rb");
    if (file.GetFile() == nullptr) {
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
    bool imported = RunImport(*run) == ImportOutcome::Finished;
    if (imported) {
        imported = kind == 1 ? MovePeople(separateEvent->GetParents(), *days,
                                          &MultiDaySchedule::AddParent, "Parent")
                             : MovePeople(separateEvent->GetTeachers(), *days,
                                          &MultiDaySchedule::AddTeacher, "Teacher");
        // Parents number no rows of the timetable, so their list may take its order again.
        days->GetEvent()->GetParents().Sort();
    }
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
