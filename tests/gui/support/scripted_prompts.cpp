#include "gui/support/scripted_prompts.h"

#include <gtest/gtest.h>
#include <wx/defs.h>

ScriptedPrompts::~ScriptedPrompts() {
    EXPECT_TRUE(answers_.empty()) << answers_.size() << " scripted answer(s) never asked for";
    EXPECT_TRUE(files_.empty()) << files_.size() << " scripted file choice(s) never asked for";
}

ScriptedPrompts& ScriptedPrompts::Answer(int id) {
    answers_.push_back(id);
    return *this;
}

ScriptedPrompts& ScriptedPrompts::Choose(const wxString& path, int filterIndex) {
    files_.push_back({true, {path, filterIndex}});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::CancelFile() {
    files_.push_back({false, {}});
    return *this;
}

int ScriptedPrompts::ShowMessage(wxWindow*, const wxString& message, const wxString& caption,
                                 long style) {
    shown.push_back({caption, message, style});
    if (whileShowing) {
        whileShowing(shown.back());
    }
    if (!(style & (wxYES_NO | wxCANCEL))) {
        return wxID_OK;
    }
    if (answers_.empty()) {
        ADD_FAILURE() << "Unexpected question '" << message.utf8_str() << "'";
        return (style & wxCANCEL) ? wxID_CANCEL : wxID_NO;
    }
    const int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

bool ScriptedPrompts::ChooseFile(wxWindow*, const FileRequest& request, FileChoice* choice) {
    fileRequests.push_back(request);
    if (files_.empty()) {
        ADD_FAILURE() << "Unexpected file dialog '" << request.message.utf8_str() << "'";
        return false;
    }
    const FileAnswer answer = files_.front();
    files_.pop_front();
    if (answer.ok) {
        *choice = answer.choice;
    }
    return answer.ok;
}
