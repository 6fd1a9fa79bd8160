#pragma once

#include <wx/dialog.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gui/support/answer_dialogs.h"

// Answers the modal dialogs a test expects, by title, with what the test's function returns,
// and keeps the titles in order; any other dialog goes on to the hook that fails the test.
class AnswersByTitle {
public:
    using Answer = std::function<int(wxDialog*)>;

    void Expect(const std::string& title, Answer answer) {
        expected_.push_back({title, std::move(answer)});
    }
    std::vector<std::string> shown;

private:
    int Enter(wxDialog* dialog) {
        const std::string title = dialog->GetTitle().utf8_string();
        for (const auto& [expectedTitle, answer] : expected_) {
            if (expectedTitle == title) {
                shown.push_back(title);
                return answer(dialog);
            }
        }
        return wxID_NONE;
    }

    std::vector<std::pair<std::string, Answer>> expected_;
    AnswerDialogs hook_{[this](wxDialog* dialog) { return Enter(dialog); }};
};
