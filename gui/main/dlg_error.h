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
    // Every line of a message too long for the box, for a window that scrolls; else empty.
    std::string whole;
};

// A box holds at most this many lines of this many bytes.
inline constexpr size_t kMessageBoxLines = 16;
inline constexpr size_t kMessageBoxLineWidth = 200;

// The box for a report: the severity's name as caption and prefix (none for information),
// the detail lines after the text, and a note when the same report came several times in a row.
// A message with more lines, or longer ones, than a box holds shows its first lines in the box
// and every line in whole.
MessageBoxText ComposeMessageBox(int severity, const std::string& text,
                                 const std::vector<std::string>& details, int repeats = 1);

// The window program's message sink: every report becomes a modal message box over the main
// window (a long one also in the report window). A report that arrives while a box is open (from a
// paint or a timer) waits and is shown after it; repeats of one report in a row collapse into a
// single box.
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
