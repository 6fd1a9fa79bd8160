#include "gui/main/dlg_error.h"

#include <wx/defs.h>

#include "gui/dialogs/prompt_service.h"

MessageBoxText ComposeMessageBox(int severity, const std::string& text,
                                 const std::vector<std::string>& details, int repeats) {
    MessageBoxText box;
    const char* name = UCError::SeverityName(static_cast<unsigned>(severity));
    box.caption = name;
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
    if (repeats > 1) {
        box.message +=
            wxString::Format("\n\n(This message was reported %d times in a row.)", repeats);
    }
    box.style = wxOK | (severity == SeverityError ? wxICON_EXCLAMATION : wxICON_INFORMATION);
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
    }
    showing_ = false;
}
