#pragma once

#include <string>
#include <vector>

#include "scripting/script_watchdog.h"

class wxWindow;

// The question put when a script's call into C does not come back. This process cannot show
// it: its windows cannot paint while the script holds their thread. So the program starts a
// copy of itself with kScriptNotAnsweringOption, which asks and answers by its exit code.
inline constexpr const char* kScriptNotAnsweringOption = "--script-not-answering";
inline constexpr const char* kScriptNotAnsweringCaption = "Script not answering";

std::string ScriptNotAnsweringMessage(int seconds, ScriptWatchdog::AutosaveResult autosave);

// The asking side, through the prompt service: 0 to end the program, 1 to keep waiting.
int AskWhetherToEndStuckProgram(wxWindow* parent, int seconds,
                                ScriptWatchdog::AutosaveResult autosave);
// The whole of the asking process: program, option, seconds, autosave result.
int RunScriptNotAnsweringProcess(int argc, char** argv);

// The watchdog's handler: runs command with the seconds and the autosave result added, and
// waits for its answer; a script that moves on meanwhile ends the question unanswered. Uses
// nothing that reports to the message sink, which belongs to the window's thread.
ScriptWatchdog::Handler MakeScriptNotAnsweringHandler(std::vector<std::string> command);
// This program and the option, for the handler.
std::vector<std::string> ScriptNotAnsweringCommand();
