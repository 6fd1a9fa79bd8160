#pragma once

#include <wx/string.h>

#include <memory>
#include <string>
#include <utility>

class wxWindow;

// What a file dialog asks; style is wxFD_OPEN or wxFD_SAVE with their flags.
struct FileRequest {
    FileRequest() = default;
    FileRequest(wxString question, wxString wildcards, long flags, wxString proposedFile = {})
        : message(std::move(question)),
          wildcard(std::move(wildcards)),
          style(flags),
          defaultFile(std::move(proposedFile)) {}

    wxString message;
    wxString wildcard;
    long style = 0;
    wxString defaultFile;  // the name a save dialog proposes
};

// What the user chose in a file dialog.
struct FileChoice {
    wxString path;
    int filterIndex = 0;
};

// Every question and file choice of the program goes through the current prompt service, so
// that tests can answer them. The real service shows wxMessageDialog and wxFileDialog, which a
// wxModalDialogHook can also answer.
class PromptService {
public:
    virtual ~PromptService() = default;

    // A message box; the result is wxID_OK, wxID_YES, wxID_NO or wxID_CANCEL.
    virtual int ShowMessage(wxWindow* parent, const wxString& message, const wxString& caption,
                            long style) = 0;
    // False when the user cancelled.
    virtual bool ChooseFile(wxWindow* parent, const FileRequest& request, FileChoice* choice) = 0;

    static PromptService& Current();
};

// The service that shows real dialogs.
class WxPromptService : public PromptService {
public:
    int ShowMessage(wxWindow* parent, const wxString& message, const wxString& caption,
                    long style) override;
    bool ChooseFile(wxWindow* parent, const FileRequest& request, FileChoice* choice) override;
};

// Makes a service current for one scope and puts the previous one back afterwards.
class ScopedPromptService {
public:
    explicit ScopedPromptService(PromptService* service);
    ~ScopedPromptService();
    ScopedPromptService(const ScopedPromptService&) = delete;
    ScopedPromptService& operator=(const ScopedPromptService&) = delete;

private:
    PromptService* previous_;
};

inline constexpr const char* kConfirmCaption = "Please confirm";

// Yes and No under "Please confirm", No the default: true only for Yes.
bool AskYesNo(wxWindow* parent, const std::string& question);
// Yes, No and Cancel under "Please confirm", Yes the default: wxID_YES, wxID_NO or wxID_CANCEL.
int AskYesNoCancel(wxWindow* parent, const std::string& question);

// UTF-8 bytes to the window system's text and back.
wxString FromUtf8(const std::string& text);
std::string ToUtf8(const wxString& text);
// A field's text as the event may hold it: typed or pasted control bytes (all but tabs and line
// breaks) go, as the event file could not bring them back.
std::string EnteredText(const wxString& text);
