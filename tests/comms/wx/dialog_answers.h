#pragma once

#include <wx/dialog.h>
#include <wx/modalhook.h>

#include <functional>
#include <string>
#include <vector>

// Answers the modal dialogs a test expects, by title, with what the test's function returns;
// any other dialog falls through to the hook that fails the test. Registered for its life.
class DialogAnswers : public wxModalDialogHook {
public:
    using Answer = std::function<int(wxDialog*)>;

    DialogAnswers() { Register(); }
    ~DialogAnswers() override { Unregister(); }

    void Expect(const std::string& title, Answer answer) {
        expected_.push_back({title, std::move(answer)});
    }
    std::vector<std::string> shown;

protected:
    int Enter(wxDialog* dialog) override {
        const std::string title = dialog->GetTitle().utf8_string();
        for (const auto& [expectedTitle, answer] : expected_) {
            if (expectedTitle == title) {
                shown.push_back(title);
                return answer(dialog);
            }
        }
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}

private:
    std::vector<std::pair<std::string, Answer>> expected_;
};
