#pragma once

#include <wx/string.h>

#include <deque>
#include <string>
#include <vector>

#include "foundation/uc_error.h"

class wxWindow;

// What one message box shows.
struct MessageBoxText {
    wxString caption;
    wxString message;
    long style = 0;
};

// The box for a report: the severity's name as caption and prefix (none for information),
// the detail lines after the text, and a note when the same report came several times in a row.
MessageBoxText ComposeMessageBox(int severity, const std::string& text,
                                 const std::vector<std::string>& details, int repeats = 1);

// The window program's message sink: every report becomes a modal message box over the main
// window. A report that arrives while a box is open (from a paint or a timer) waits and is
// shown after it; repeats of one report in a row collapse into a single box.
class DlgError : public UCError {
public:
    explicit DlgError(wxWindow* parent);
    void Report(int severity, const char* text) override;
    using UCError::Report;

private:
    struct Pending {
        int severity;
        std::string text;
        std::vector<std::string> details;
        int repeats;
    };
    void ShowPending();

    wxWindow* parent_;
    std::deque<Pending> pending_;
    bool showing_ = false;
};
