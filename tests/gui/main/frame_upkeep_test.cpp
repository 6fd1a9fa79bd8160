#include <gtest/gtest.h>
#include <wx/testing.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "app/autosave_session.h"
#include "app/event_file_format.h"
#include "comms/smtp_client_curl.h"
#include "frame_fixture.h"
#include "gui/dialogs/about_dlg.h"
#include "gui/main/event_summary_pane.h"
#include "gui/main/frame_commands.h"
#include "gui/main/schedule_views.h"

namespace {

namespace fs = std::filesystem;

class FrameUpkeep : public MainWindow {};

TEST_F(FrameUpkeep, EnablesEachCommandByTheStateOfTheEvent) {
    const std::set<int> loaded = {8,  10, 13, 2,  3,  4,  11, 12, 14, 18, 19, 20,
                                  35, 36, 37, 38, 40, 28, 27, 29, 30, 31, 43, 44,
                                  47, 59, 60, 61, 62, 63, 64, 70, 71, 72, 73, 74};
    const std::set<int> editable = {32, 34, 53, 52, 54, 15, 39, 41, 49,
                                    48, 50, 51, 5,  55, 56, 57, 69};
    const std::set<int> always = {6, 7, 1, 75, WxId(CommandId::About)};
    struct Case {
        const char* name;
        std::function<void(QuillmootFrame&)> setUp;
        FrameState state;  // loaded, locked, editable, unbooked, named
    };
    const std::string example = Example();
    const Case cases[] = {
        {"no event", [](QuillmootFrame&) {}, {false, false, false, false, false}},
        {"new event, never saved, nothing requested",
         [](QuillmootFrame& f) {
             f.GetController().SetEvent(
                 std::make_unique<MultiDaySchedule>(std::make_shared<Event>()));
         },
         {true, false, true, false, false}},
        {"example with unbooked requests",
         [&](QuillmootFrame& f) { ASSERT_TRUE(LoadEventFile(f.Context(), example)); },
         {true, false, true, true, true}},
        {"example locked",
         [&](QuillmootFrame& f) {
             ASSERT_TRUE(LoadEventFile(f.Context(), example));
             f.GetController().GetEvent()->SetLocked(true);
         },
         {true, true, false, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open();
        c.setUp(*frame_);
        frame_->RefreshViews();
        const FrameState state = ComputeFrameState(frame_->GetController());
        EXPECT_EQ(state.loaded, c.state.loaded);
        EXPECT_EQ(state.locked, c.state.locked);
        EXPECT_EQ(state.editable, c.state.editable);
        EXPECT_EQ(state.unbooked, c.state.unbooked);
        EXPECT_EQ(state.named, c.state.named);

        for (const MenuSpec& menu : MainMenus()) {
            for (const MenuLine& line : menu.lines) {
                if (line.kind != MenuLine::Command) {
                    continue;
                }
                const int id = WxId(line.id);
                bool expected = always.count(id) > 0;
                expected |= loaded.count(id) && c.state.loaded;
                expected |= id == 9 && c.state.loaded && c.state.named;
                expected |= editable.count(id) && c.state.editable;
                expected |= id == 16 && c.state.locked;
                expected |= id == 33 && c.state.unbooked;
                EXPECT_EQ(MenuEnabled(id), expected) << "menu id " << id;
            }
        }
        const std::pair<int, bool> tools[] = {
            {6, true},
            {7, true},
            {81, c.state.loaded},
            {85, c.state.loaded},
            {43, c.state.loaded},
            {44, c.state.loaded},
            {82, c.state.editable},
            {83, c.state.unbooked},
            {84, c.state.editable},
        };
        for (const auto& [id, expected] : tools) {
            EXPECT_EQ(ToolEnabled(id), expected) << "tool id " << id;
        }
        frame_->Destroy();
        ProcessPending();
    }
}

TEST_F(FrameUpkeep, EveryMenuCommandHasAHandler) {
    Open(Example());
    for (const MenuSpec& spec : MainMenus()) {
        for (const MenuLine& line : spec.lines) {
            if (line.kind == MenuLine::Command) {
                EXPECT_TRUE(frame_->IsCommandBound(line.id)) << line.id;
            }
        }
    }
    for (int id : {1, 7, 8, 10, WxId(CommandId::About)}) {
        EXPECT_TRUE(MenuEnabled(id)) << id;
    }
    // Save does not wait for a change: a file can always be written again.
    EXPECT_TRUE(MenuEnabled(CommandId::SaveEvent));
    EXPECT_TRUE(ToolEnabled(CommandId::ToolSaveEvent));
    ChangeEvent();
    frame_->RefreshViews();
    EXPECT_TRUE(MenuEnabled(CommandId::SaveEvent));
    EXPECT_TRUE(ToolEnabled(CommandId::ToolSaveEvent));
    // An id outside the table runs nothing.
    EXPECT_FALSE(frame_->RunCommand(CommandOfWxId(WxId(CommandId::ToolPrint) + 1)));
}

TEST_F(FrameUpkeep, TitleNamesTheEventFileWhetherOrNotTheEventChanged) {
    Open();
    EXPECT_EQ(frame_->GetTitle(), "Quillmoot Organiser");
    const std::string path = Example();
    ASSERT_TRUE(LoadEventFile(frame_->Context(), path));
    EXPECT_EQ(frame_->GetTitle(), "Quillmoot Organiser - " + FromUtf8(path));
    ChangeEvent();
    frame_->RefreshViews();
    EXPECT_EQ(frame_->GetTitle(), "Quillmoot Organiser - " + FromUtf8(path));
    frame_->GetController().SetEvent(std::make_unique<MultiDaySchedule>(std::make_shared<Event>()));
    frame_->RefreshViews();
    EXPECT_EQ(frame_->GetTitle(), "Quillmoot Organiser");
}

TEST_F(FrameUpkeep, AutosaveWritesOnlyAChangedEvent) {
    Open();
    EXPECT_TRUE(frame_->GetAutosaveTimer().IsRunning());
    EXPECT_EQ(frame_->GetAutosaveTimer().GetInterval(), 60000);
    Tick();
    EXPECT_FALSE(fs::exists(AutosavePath()));
    ASSERT_TRUE(LoadEventFile(frame_->Context(), Example()));
    Tick();
    EXPECT_FALSE(fs::exists(AutosavePath()));
    ChangeEvent();
    Tick();
    EXPECT_TRUE(fs::exists(AutosavePath()));
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(FrameUpkeep, AFailedAutosaveSaysSoOnceEvenWhenTicksComeDuringTheBox) {
    Open(Example());
    ChangeEvent();
    // A folder where the copy should go: the write cannot replace it.
    fs::create_directories(AutosavePath() + "/blocked");
    prompts_.whileShowing = [&](const ScriptedPrompts::Shown&) { Tick(); };
    Tick();
    const std::vector<std::string> boxes = Boxes();
    EXPECT_EQ(std::count(boxes.begin(), boxes.end(), "Error: Auto save failed!"), 1);
    EXPECT_TRUE(fs::is_directory(AutosavePath()));
}

TEST_F(FrameUpkeep, AboutShowsTheAboutBoxWithOrWithoutAnEvent) {
    Open();
    wxTEST_DIALOG(EXPECT_TRUE(frame_->RunCommand(CommandId::About)),
                  wxExpectDismissableModal<AboutDlg>(wxID_CANCEL));
    ASSERT_TRUE(LoadEventFile(frame_->Context(), Example()));
    wxTEST_DIALOG(EXPECT_TRUE(frame_->RunCommand(CommandId::About)),
                  wxExpectDismissableModal<AboutDlg>(wxID_CANCEL));
}

// A pane that only notes what it was handed.
class NotingView : public ScheduleView {
public:
    explicit NotingView(std::vector<std::string>* log, const char* name) : log_(log), name_(name) {}
    void SetSchedule(MultiDaySchedule* schedule) override {
        log_->push_back(std::string(name_) + (schedule ? " schedule" : " null"));
    }
    void ShowChanges(const EventChanges&) override {
        log_->push_back(std::string(name_) + " changes");
    }

private:
    std::vector<std::string>* log_;
    const char* name_;
};

TEST_F(FrameUpkeep, TheControllerTellsFollowingViewsOfEveryNewScheduleUntilTheyGo) {
    std::vector<std::string> log;
    auto summary = std::make_unique<NotingView>(&log, "summary");
    auto overview = std::make_unique<NotingView>(&log, "overview");
    QMControllerWX controller;
    // Every e-mail run, a script's too, needs a way to send.
    EXPECT_NE(dynamic_cast<SMTPClientFactoryCurl*>(controller.GetClientFactory()), nullptr);
    controller.SetEvent(std::make_unique<MultiDaySchedule>(std::make_shared<Event>()));
    EXPECT_TRUE(log.empty());
    summary->Follow(controller);
    overview->Follow(controller);
    EXPECT_EQ(log, (std::vector<std::string>{"summary schedule", "overview schedule"}));
    log.clear();
    controller.SetEvent(std::make_unique<MultiDaySchedule>(std::make_shared<Event>()));
    EXPECT_EQ(log, (std::vector<std::string>{"summary schedule", "overview schedule"}));
    log.clear();
    controller.SettleChanges();
    EXPECT_EQ(log, (std::vector<std::string>{"summary changes", "overview changes"}));
    log.clear();
    summary.reset();
    overview.reset();
    controller.SetEvent(std::make_unique<MultiDaySchedule>(std::make_shared<Event>()));
    controller.SettleChanges();
    EXPECT_TRUE(log.empty());
    EXPECT_NE(controller.GetSchedule(), nullptr);
}

TEST_F(FrameUpkeep, TheRealFrameOpensTheExampleShowsItAndCloses) {
    const std::string path = Example();
    Open(path);
    frame_->Show();
    ProcessPending();
    EXPECT_EQ(frame_->GetTitle(), "Quillmoot Organiser - " + FromUtf8(path));
    EXPECT_EQ(frame_->GetMenuBar()->GetMenuCount(), 7u);
    EXPECT_EQ(frame_->GetStatusBar()->GetFieldsCount(), 2);
    EXPECT_TRUE(frame_->GetSummaryPane()->GetScoreLine()->GetLabel().StartsWith(
        "Current schedule score: "));
    EXPECT_TRUE(frame_->RunCommand(CommandId::Exit));
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(Boxes().empty());
}

}  // namespace
