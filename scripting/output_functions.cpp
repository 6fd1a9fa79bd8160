#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/print_renderer.h"
#include "scripting/qm_lua_script.h"
#include "scripting/script_call.h"

namespace {

int Output(ScriptCall& call) {
    std::string text;
    if (call.GetText(1, text)) {
        call.Host().Output(text.c_str());
    }
    return 0;
}

int Error(ScriptCall& call) {
    std::string text;
    if (call.GetText(1, text)) {
        ReportMessage(SeverityError, text);
    }
    return 0;
}

int PrintCell(ScriptCall& call) {
    std::string text;
    PrintRenderer* renderer = call.Host().GetRenderer();
    if (renderer == nullptr || !call.GetText(1, text)) {
        return 0;
    }
    const float width = static_cast<float>(call.GetNumber(2));
    const CellStyle style = call.GetBoolean(3) ? CellStyle::Bold : CellStyle::Normal;
    const CellAdvance advance = call.GetBoolean(4) ? CellAdvance::EndRow : CellAdvance::Beside;
    renderer->PrintCell(text, style, advance, width);
    return 0;
}

int PrintSettingsRecord(ScriptCall& call) {
    Event* event = call.GetEvent();
    if (event == nullptr) {
        return 0;
    }
    const PrintSettings& settings = event->GetPrintSettings();
    QMLuaScript& host = call.Host();
    call.NewTable();
    host.SetTableBoolean("use_sans_serif_font", settings.GetUseSansSerif());
    host.SetTableBoolean("small_teacher_font", settings.GetSmallTeacherFont());
    host.SetTableBoolean("one_parent_per_sheet", settings.GetOneParentPerSheet());
    host.SetTableBoolean("print_unbooked_appts", settings.GetListUnbooked());
    host.SetTableBoolean("print_teacher_breaks", settings.GetTeacherBreaks());
    host.SetTableText("parent_notes", settings.GetParentNotes());
    host.SetTableText("teacher_notes", settings.GetTeacherNotes());
    return 1;
}

constexpr ScriptFunction kOutputFunctions[] = {
    {"qm_error", &ScriptFunctionEntry<Error>},
    {"qm_output", &ScriptFunctionEntry<Output>},
    {"qm_printcell", &ScriptFunctionEntry<PrintCell>},
    {"qm_printsettings", &ScriptFunctionEntry<PrintSettingsRecord>},
};

}  // namespace

ScriptFunctionTable OutputScriptFunctions() {
    return kOutputFunctions;
}
