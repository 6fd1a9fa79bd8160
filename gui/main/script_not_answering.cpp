#include "gui/main/script_not_answering.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <wx/app.h>
#include <wx/msgdlg.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "gui/dialogs/prompt_service.h"

extern char** environ;

std::string ScriptNotAnsweringMessage(int seconds, ScriptWatchdog::AutosaveResult autosave) {
    std::string text = "The script has been inside one call for " + std::to_string(seconds) +
                       " seconds and does not answer Stop: it may never come back.\n\n";
    switch (autosave) {
        case ScriptWatchdog::Saved:
            text +=
                "An autosave copy of the event has been saved. When Quillmoot starts again it "
                "offers to recover it.";
            break;
        case ScriptWatchdog::NothingToSave:
            text += "The event has no unsaved changes.";
            break;
        case ScriptWatchdog::SaveFailed:
            text +=
                "No autosave copy could be saved: the changes since the event was last "
                "saved would be lost.";
            break;
    }
    return text + "\n\nEnd Quillmoot now?";
}

int AskWhetherToEndStuckProgram(wxWindow* parent, int seconds,
                                ScriptWatchdog::AutosaveResult autosave) {
    const int answer = PromptService::Current().ShowMessage(
        parent, FromUtf8(ScriptNotAnsweringMessage(seconds, autosave)), kScriptNotAnsweringCaption,
        wxYES_NO | wxNO_DEFAULT | wxICON_WARNING);
    return answer == wxID_YES ? 0 : 1;
}

int RunScriptNotAnsweringProcess(int argc, char** argv) {
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 0;
    const int autosave = argc > 3 ? std::atoi(argv[3]) : ScriptWatchdog::NothingToSave;
    int frameworkArgc = 1;
    char* frameworkArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(frameworkArgc, frameworkArgv)) {
        return 1;
    }
    const int answer = AskWhetherToEndStuckProgram(
        nullptr, seconds, static_cast<ScriptWatchdog::AutosaveResult>(autosave));
    wxEntryCleanup();
    return answer;
}

ScriptWatchdog::Handler MakeScriptNotAnsweringHandler(std::vector<std::string> command) {
    return [command](int seconds, ScriptWatchdog::AutosaveResult autosave,
                     const std::function<bool()>& stillStuck) {
        std::vector<std::string> arguments = command;
        arguments.push_back(std::to_string(seconds));
        arguments.push_back(std::to_string(static_cast<int>(autosave)));
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        pid_t child = -1;
        if (arguments.empty() ||
            ::posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
            return false;
        }
        for (;;) {
            int status = 0;
            if (::waitpid(child, &status, WNOHANG) == child) {
                return WIFEXITED(status) && WEXITSTATUS(status) == 0;
            }
            if (!stillStuck()) {
                // The script came back: the question has answered itself.
                ::kill(child, SIGTERM);
                ::waitpid(child, &status, 0);
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    };
}

std::vector<std::string> ScriptNotAnsweringCommand() {
    std::string program(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", program.data(), program.size() - 1);
    program.resize(length > 0 ? static_cast<size_t>(length) : 0);
    if (program.empty()) {
        program = "quillmoot";
    }
    return {program, kScriptNotAnsweringOption};
}
