#include "gui/main/dlg_error.h"

#include <wx/defs.h>

#include <algorithm>

#include "foundation/string_functions.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/report_dlg.h"

namespace {

// The lines of a message, each as UTF-8 (8-bit text read as Windows-1252, as a box shows it).
class MessageLines {
public:
    void Add(const std::string& text) {
        size_t start = 0;
        for (;;) {
            const size_t end = text.find('\n', start);
            std::string line = text.substr(start, end == std::string::npos ? end : end - start);
            lines_.push_back(IsValidUTF8(line) ? std::move(line) : FileTextToUTF8(line));
            if (end == std::string::npos) {
                return;
            }
            start = end + 1;
        }
    }
    const std::vector<std::string>& Get() const { return lines_; }

private:
    std::vector<std::string> lines_;
};

// The first characters of a UTF-8 line, cut between characters.
std::string Cut(const std::string& line, size_t width) {
    if (line.size() <= width) {
        return line;
    }
    size_t end = width;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) {
        --end;
    }
    return line.substr(0, end) + "...";
}

}  // namespace

MessageBoxText ComposeMessageBox(int severity, const std::string& text,
                                 const std::vector<std::string>& details, int repeats) {
    MessageBoxText box;
    const char* name = UCError::SeverityName(static_cast<unsigned>(severity));
    box.caption = name;
    box.style = wxOK | (severity == SeverityError ? wxICON_EXCLAMATION : wxICON_INFORMATION);
    MessageLines lines;
    lines.Add((severity != SeverityInformation ? std::string(name) + ": " : std::string()) + text);
    if (!details.empty()) {
        lines.Add("Further details follow:");
        for (const std::string& line : details) {
            lines.Add(line);
        }
    }
    size_t longest = 0;
    for (const std::string& line : lines.Get()) {
        longest = std::max(longest, line.size());
    }
    if (lines.Get().size() <= kMessageBoxLines && longest <= kMessageBoxLineWidth) {
        if (severity != SeverityInformation) {
            box.message = wxString(name) + ": ";
        }
        box.message += FromUtf8(text);
        if (!details.empty()) {
            box.message += "\nFurther details follow:\n";
            for (const std::string& line : details) {
                box.message += FromUtf8(line) + "\n";
            }
        }
    } else {
        // A run that names thousands of people says what happened in a box a screen holds, and
        // every line where it can be read, copied and saved.
        const size_t shown = std::min(lines.Get().size(), kMessageBoxLines - 2);
        std::string whole;
        whole.reserve(lines.Get().size() * 64);
        for (size_t i = 0; i < lines.Get().size(); ++i) {
            if (i < shown) {
                box.message += wxString::FromUTF8(Cut(lines.Get()[i], kMessageBoxLineWidth)) + "\n";
            }
            whole += lines.Get()[i] + "\n";
        }
        const size_t more = lines.Get().size() - shown;
        const std::string rest = more == 0 ? std::string("Every line is shown whole")
                                           : "... and " + std::to_string(more) +
                                                 (more == 1 ? " more line" : " more lines") +
                                                 ": every line is shown";
        box.message += wxString::FromUTF8(rest +
                                          " in the next window, where it can be copied or "
                                          "saved.");
        box.whole = std::move(whole);
    }
    if (repeats > 1) {
        const wxString note =
            wxString::Format("\n\n(This message was reported %d times in a row.)", repeats);
        box.message += note;
        if (!box.whole.empty()) {
            box.whole += ToUtf8(note).substr(2) + "\n";
        }
    }
    return box;
}

DlgError::DlgError(wxWindow* parent) : parent_(parent) {}

void DlgError::Report(int severity, const char* text) {
    const std::string message = text ? text : "";
    std::vector<std::string> details = Details();
    ClearDetails();
    if (!pending_.empty() && pending_.back().severity == severity &&
        pending_.back().text == message && pending_.back().details == details) {
        ++pending_.back().repeats;
    } else {
        pending_.push_back({severity, message, std::move(details), 1});
    }
    // A box is already open further up this stack: ours follows when it closes.
    if (!showing_) {
        ShowPending();
    }
}

void DlgError::ShowPending() {
    showing_ = true;
    while (!pending_.empty()) {
        const Pending next = std::move(pending_.front());
        pending_.pop_front();
        const MessageBoxText box =
            ComposeMessageBox(next.severity, next.text, next.details, next.repeats);
        PromptService::Current().ShowMessage(parent_, box.message, box.caption, box.style);
        if (!box.whole.empty()) {
            ReportDlg report(parent_, ToUtf8(box.caption), box.whole);
            report.ShowModal();
        }
    }
    showing_ = false;
}
