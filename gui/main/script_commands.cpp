#include <wx/filedlg.h>
#include <wx/wupdlock.h>

#include <memory>
#include <string>
#include <utility>

#include "app/qm_controller.h"
#include "app/script_run.h"
#include "foundation/uc_error.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/main/command_context.h"
#include "gui/main/frame_commands.h"
#include "import/run_messages.h"
#include "scripting/qm_lua_script.h"

namespace {

constexpr const char* kScriptFileWildcard =
    "Lua script files (*.lua)|*.lua;*.[lL][uU][aA]|All files (*.*)|*";

void RunScriptedReport(const CommandContext& context) {
    if (!ScheduleWithEvent(context)) {
        return;
    }
    FileChoice choice;
    if (!PromptService::Current().ChooseFile(
            context.parent,
            {"Choose a script file", kScriptFileWildcard, wxFD_OPEN | wxFD_FILE_MUST_EXIST},
            &choice)) {
        return;
    }
    std::string output;
    bool loaded = false;
    // A script that reports as it walks the families (qm_error, a message that cannot be sent)
    // gives one message at its end, not a box a family in front of its Stop.
    RunMessages messages;
    {
        // The script may add and delete people as it runs: nothing may paint them meanwhile.
        wxWindowUpdateLocker frozen(wxGetTopLevelParent(context.parent));
        // From its top level to the finalisers that run as it closes, loaded or not.
        ScriptRun run(&context.controller);
        auto script =
            std::make_unique<QMLuaScript>(ToUtf8(choice.path).c_str(), &context.controller);
        loaded = script->loaded;
        if (loaded) {
            script->captureOutput = true;
            script->RunMain();
            output = std::move(script->output);
        }
        script.reset();
    }
    messages.Say();
    if (!loaded) {
        ReportMessage(SeverityError, "Script file is not valid");
        return;
    }
    // Over views that show the event as the script left it.
    context.AfterViewsFollow([parent = context.parent, output = std::move(output)] {
        ReportDlg report(parent, "Script run completed", output);
        report.ShowModal();
    });
}

}  // namespace

const CommandFamily& ScriptCommands() {
    static const CommandFamily family = {
        {CommandId::RunScriptedReport, "Run a &scripted report...",
         "Run a Lua script to create a report", CommandNeeds::Loaded, RunScriptedReport},
    };
    return family;
}
