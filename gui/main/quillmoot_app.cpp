#include "gui/main/quillmoot_app.h"

#include <wx/log.h>

#include "gui/dialogs/product_info.h"
#include "gui/main/quillmoot_frame.h"
#include "scripting/script_watchdog.h"

bool QuillmootApp::OnInit() {
    // Only the first argument counts; the framework's own option parsing is not used.
    const wxString argument = argc > 1 ? argv[1] : wxString();
    auto* frame = new QuillmootFrame(kProductName, argument);
    frame->Maximize(true);
    frame->Show(true);
    ScriptWatchdog::Instance().Start();
    return true;
}

int QuillmootApp::OnExit() {
    ScriptWatchdog::Instance().Stop();
    return wxApp::OnExit();
}

void ConfigureFramework() {
    wxSetAssertHandler(nullptr);
    wxLog::SetLogLevel(wxLOG_Info);
}
