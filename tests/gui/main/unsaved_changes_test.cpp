// Whatever a command does, through its editors' OK or their Cancel, the window counts the event
// as changed exactly when the file it would write now differs from the one last saved.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/event_file_writer.h"
#include "every_command.h"
#include "foundation/byte_buffer.h"
#include "foundation/text_codec.h"

namespace {

// An event file's text with each encoded time (whose filler is random) replaced by the time
// it carries, and without its check line: two texts then differ only where the events do.
std::string WithoutFiller(const std::string& text) {
    std::string out;
    const char* alphabet = TextCodec::Alphabet();
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '#' && (i == 0 || text[i - 1] == '\n')) {
            break;
        }
        size_t end = i + 1;
        while (text[i] == '=' && end < text.size() && text[end] != '=' &&
               std::strchr(alphabet, text[end]) != nullptr) {
            ++end;
        }
        if (text[i] == '=' && end > i + 1 && end < text.size() && text[end] == '=') {
            const auto block = TextCodec::Decode(text.substr(i + 1, end - i - 1));
            const unsigned size = block ? block->Size() : 0;
            if (size >= 8) {
                const auto byte = [&](unsigned k) {
                    return static_cast<unsigned char>(*block->At(k));
                };
                int seconds = byte(2) * 3600 + byte(4) * 60 + (size >= 10 ? byte(9) : 0);
                out += "<" + std::to_string(seconds) + ">";
                i = end + 1;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

class UnsavedChanges : public EveryCommandWindow,
                       public ::testing::WithParamInterface<std::vector<int>> {
protected:
    void Start() {
        EveryCommandWindow::Start();
        ASSERT_FALSE(Expected());
        ASSERT_FALSE(frame_->GetController().IsEventChanged());
    }
    // What the window must say: an event never saved, or one whose file differs from what
    // would be written now, is changed.
    bool Expected() {
        MultiDaySchedule* schedule = Schedule();
        if (schedule == nullptr) {
            return false;
        }
        if (FileName().empty()) {
            return true;
        }
        const std::string now = EventFileWriter(*schedule).FormatEventFile();
        return WithoutFiller(now) != WithoutFiller(ReadWholeFile(FileName()));
    }
};

TEST_P(UnsavedChanges, TheWindowCountsAChangeExactlyWhenTheFileWouldDiffer) {
    for (int id : GetParam()) {
        for (bool ok : {false, true}) {
            SCOPED_TRACE("command " + std::to_string(id) +
                         (ok ? " through OK" : " through Cancel"));
            Start();
            SelectFor(CommandOfWxId(id));
            if (HasFatalFailure()) {
                return;
            }
            EveryPrompt prompts(ok, copy_, folder_.Path() + "/events");
            EveryEditor editors(ok);
            ASSERT_TRUE(frame_->RunCommand(CommandOfWxId(id)));
            ClosePreviews();
            ASSERT_NE(TheMainFrame, nullptr);
            const bool expected = Expected();
            EXPECT_EQ(frame_->GetController().IsEventChanged(), expected);
            // The title and Save say nothing of changes.
            EXPECT_EQ(frame_->GetTitle(), FileName().empty()
                                              ? "Quillmoot Organiser"
                                              : "Quillmoot Organiser - " + FromUtf8(FileName()));
            EXPECT_EQ(ToolEnabled(CommandId::ToolSaveEvent), Schedule() != nullptr);
            EXPECT_EQ(MenuEnabled(CommandId::SaveEvent),
                      Schedule() != nullptr && !FileName().empty());
            EXPECT_EQ(frame_->HasUnsavedChanges(),
                      expected || frame_->GetController().GetUserSettings().IsModified());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, UnsavedChanges, ::testing::ValuesIn(CommandGroups()),
                         [](const ::testing::TestParamInfo<std::vector<int>>& info) {
                             return "Commands" + std::to_string(info.param.front()) + "To" +
                                    std::to_string(info.param.back());
                         });

}  // namespace
