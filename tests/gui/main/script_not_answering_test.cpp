#include "gui/main/script_not_answering.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <wx/msgdlg.h>

#include <chrono>
#include <string>
#include <thread>

#include "gui/support/gui_test.h"

namespace {

class ScriptNotAnswering : public GuiTest {};

TEST_F(ScriptNotAnswering, TheQuestionSaysWhatBecameOfTheUnsavedChanges) {
    const struct {
        ScriptWatchdog::AutosaveResult autosave;
        const char* sentence;
    } cases[] = {
        {ScriptWatchdog::Saved,
         "An autosave copy of the event has been saved. When Quillmoot "
         "starts again it offers to recover it."},
        {ScriptWatchdog::NothingToSave, "The event has no unsaved changes."},
        {ScriptWatchdog::SaveFailed,
         "No autosave copy could be saved: the changes since the "
         "event was last saved would be lost."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sentence);
        EXPECT_EQ(ScriptNotAnsweringMessage(12, c.autosave),
                  "The script has been inside one call for 12 seconds and does not answer Stop: "
                  "it may never come back.\n\n" +
                      std::string(c.sentence) + "\n\nEnd Quillmoot now?");
    }
    prompts_.Answer(wxID_YES).Answer(wxID_NO);
    EXPECT_EQ(AskWhetherToEndStuckProgram(TopWindow(), 12, ScriptWatchdog::Saved), 0);
    EXPECT_EQ(AskWhetherToEndStuckProgram(TopWindow(), 12, ScriptWatchdog::Saved), 1);
    ASSERT_EQ(prompts_.shown.size(), 2u);
    EXPECT_EQ(prompts_.shown[0].caption, kScriptNotAnsweringCaption);
    EXPECT_EQ(prompts_.shown[0].style & (wxYES_NO | wxNO_DEFAULT), wxYES_NO | wxNO_DEFAULT);
}

// The question runs in a process of its own; its exit code is the answer, and a script that
// comes back ends it unanswered.
TEST_F(ScriptNotAnswering, TheAskingProcessAnswersByItsExitCode) {
    const auto never = [] { return true; };
    const std::string marker = folder_.File("arguments");
    auto handler = MakeScriptNotAnsweringHandler(
        {"/bin/sh", "-c", "echo \"$0 $1\" > '" + marker + "'; exit 0"});
    EXPECT_TRUE(handler(12, ScriptWatchdog::Saved, never));
    EXPECT_EQ(ReadWholeFile(marker), "12 1\n");
    EXPECT_FALSE(MakeScriptNotAnsweringHandler({"/bin/sh", "-c", "exit 1"})(
        3, ScriptWatchdog::NothingToSave, never));
    EXPECT_FALSE(MakeScriptNotAnsweringHandler({folder_.File("no such program")})(
        3, ScriptWatchdog::NothingToSave, never));

    // Left unanswered while the script moves on.
    const auto started = std::chrono::steady_clock::now();
    int asked = 0;
    EXPECT_FALSE(MakeScriptNotAnsweringHandler({"/bin/sleep", "30"})(
        3, ScriptWatchdog::Saved, [&asked] { return ++asked < 3; }));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(ScriptNotAnsweringCommand().at(1), "--script-not-answering");
    struct stat info {};
    EXPECT_EQ(::stat(ScriptNotAnsweringCommand().at(0).c_str(), &info), 0);
}

}  // namespace
