#include "gui/dialogs/prompt_service.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>

#include "foundation/string_functions.h"

namespace {

PromptService*& CurrentService() {
    static WxPromptService real;
    static PromptService* current = &real;
    return current;
}

}  // namespace

PromptService& PromptService::Current() {
    return *CurrentService();
}

int WxPromptService::ShowMessage(wxWindow* parent, const wxString& message, const wxString& caption,
                                 long style) {
    wxMessageDialog box(parent, message, caption, style);
    const int answer = box.ShowModal();
    // Closing a box that has no Cancel button counts as its negative answer.
    if (answer == wxID_CANCEL && !(style & wxCANCEL)) {
        return (style & wxYES_NO) ? wxID_NO : wxID_OK;
    }
    return answer;
}

bool WxPromptService::ChooseFile(wxWindow* parent, const FileRequest& request, FileChoice* choice) {
    wxFileDialog dialog(parent, request.message, wxEmptyString, request.defaultFile, request.wildcard,
                        request.style);
    if (dialog.ShowModal() != wxID_OK) {
        return false;
    }
    choice->path = dialog.GetPath();
    choice->filterIndex = dialog.GetFilterIndex();
    return true;
}

ScopedPromptService::ScopedPromptService(PromptService* service) : previous_(CurrentService()) {
    CurrentService() = service;
}

ScopedPromptService::~ScopedPromptService() {
    CurrentService() = previous_;
}

bool AskYesNo(wxWindow* parent, const std::string& question) {
    return PromptService::Current().ShowMessage(parent, FromUtf8(question), kConfirmCaption,
                                                wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION) ==
           wxID_YES;
}

int AskYesNoCancel(wxWindow* parent, const std::string& question) {
    const int answer = PromptService::Current().ShowMessage(
        parent, FromUtf8(question), kConfirmCaption, wxYES_NO | wxCANCEL | wxYES_DEFAULT);
    return answer == wxID_YES || answer == wxID_NO ? answer : wxID_CANCEL;
}

wxString FromUtf8(const std::string& text) {
    wxString shown = wxString::FromUTF8(text.data(), text.size());
    // One byte that is not UTF-8 (a script's 8-bit text) blanks the whole conversion.
    if (shown.empty() && !text.empty()) {
        const std::string converted = FileTextToUTF8(text);
        shown = wxString::FromUTF8(converted.data(), converted.size());
    }
    return shown;
}

std::string ToUtf8(const wxString& text) {
    const wxScopedCharBuffer bytes = text.utf8_str();
    return std::string(bytes.data(), bytes.length());
}

std::string EnteredText(const wxString& text) {
    return WithoutControlBytes(ToUtf8(text));
}
