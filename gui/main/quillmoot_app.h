#pragma once

#include <wx/app.h>

// The application object: makes the one main window, maximised, with the first command-line
// argument as the event file to open.
class QuillmootApp : public wxApp {
public:
    bool OnInit() override;
    int OnExit() override;
};

// The program's settings made before the event loop starts: framework assertions are neither
// shown nor trapped, and only the framework's informational and more severe log lines pass.
void ConfigureFramework();
