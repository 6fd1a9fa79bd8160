#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "gui/dialogs/prompt_service.h"

// A prompt service that answers from a script. Message boxes with only an OK button are
// recorded and answered at once; questions and file dialogs take the next scripted answer, and
// one that nobody scripted fails the test and gets the negative answer. Made current for the
// object's life; unused answers fail the test at the end.
class ScriptedPrompts : public PromptService {
public:
    struct Shown {
        wxString caption;
        wxString message;
        long style;
    };

    ScriptedPrompts() : scope_(this) {}
    ~ScriptedPrompts() override;

    // The answer to the next question: wxID_YES, wxID_NO or wxID_CANCEL.
    ScriptedPrompts& Answer(int id);
    // The next file dialog: the path chosen with that filter, or cancelled.
    ScriptedPrompts& Choose(const wxString& path, int filterIndex = 0);
    ScriptedPrompts& CancelFile();
    // Runs while a message box is "open", as a timer or a paint would.
    std::function<void(const Shown&)> whileShowing;

    int ShowMessage(wxWindow* parent, const wxString& message, const wxString& caption,
                    long style) override;
    bool ChooseFile(wxWindow* parent, const FileRequest& request, FileChoice* choice) override;

    std::vector<Shown> shown;
    std::vector<FileRequest> fileRequests;

private:
    struct FileAnswer {
        bool ok;
        FileChoice choice;
    };
    std::deque<int> answers_;
    std::deque<FileAnswer> files_;
    ScopedPromptService scope_;
};
