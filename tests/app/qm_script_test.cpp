#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/qm_controller.h"
#include "app/qm_script.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/print_renderer.h"
#include "model/schedule.h"

namespace {

class NoScript : public QMScript {
public:
    using QMScript::QMScript;
    bool RunMain() override { return true; }
    bool DrawTeacherPage(Teacher*, Schedule*) override { return true; }
    bool DrawParentPage(Parent*, Schedule*) override { return true; }
    bool RunTeacherEmail(EmailTextKind, Teacher*, Schedule*) override { return true; }
    bool RunParentEmail(EmailTextKind, Parent*, Schedule*) override { return true; }
    bool RunPupilEmail(EmailTextKind, Pupil*, Schedule*) override { return true; }
    bool HasTeacherEmail(EmailTextKind) override { return false; }
    bool HasParentEmail(EmailTextKind) override { return false; }
    bool HasPupilEmail(EmailTextKind) override { return false; }
};

class RecordingRenderer : public PrintRenderer {
public:
    bool IsOK() override { return true; }
    void PrintText(const std::string& text) override { texts.push_back(text); }
    void PrintCell(const std::string&, CellStyle, CellAdvance, float) override {}
    void PrintBoldText(const std::string&) override {}
    void PrintFooter(const std::string&) override {}
    void PrintSeparator() override {}
    void PrintImage(QMImage*, int) override {}
    std::vector<std::string> texts;
};

class ScriptHost : public ::testing::Test {
protected:
    ScriptHost() { SetDays(3); }
    void SetDays(int count) {
        auto days = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
        for (int i = 1; i < count; ++i) {
            EXPECT_TRUE(days->AppendNextDay());
        }
        controller_.SetEvent(std::move(days));
    }
    QMController controller_;
    NoScript script_{&controller_};
};

TEST_F(ScriptHost, OutputGoesToTheRendererBeforeTheCapturedText) {
    RecordingRenderer renderer;
    script_.SetRenderer(&renderer);
    script_.captureOutput = true;
    script_.Output("drawn");
    script_.Output(nullptr);
    EXPECT_EQ(renderer.texts, std::vector<std::string>{"drawn"});
    EXPECT_EQ(script_.output, "");
}

TEST_F(ScriptHost, CapturedTextsEachEndWithTheLineEnd) {
    script_.captureOutput = true;
    script_.lineEnd = "\r\n";
    script_.Output("one");
    script_.Output("two");
    EXPECT_EQ(script_.output, "one\r\ntwo\r\n");
}

TEST_F(ScriptHost, OutputWithoutCaptureGoesToStandardOutput) {
    testing::internal::CaptureStdout();
    script_.Output("abc");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "abc\n");
    EXPECT_EQ(script_.output, "");
}

TEST_F(ScriptHost, SelectingDaysWrapsRoundAndKeepsTheDayForUnknownDates) {
    script_.SelectDay(5);
    EXPECT_EQ(script_.GetCurrentDay(), 2u);
    script_.SelectDay(0xFFFFFFFFu);
    EXPECT_EQ(script_.GetCurrentDay(), 0u);

    script_.SelectDayByDate(controller_.GetSchedule()->GetDay(1));
    EXPECT_EQ(script_.GetCurrentDay(), 1u);
    MultiDaySchedule other(std::make_shared<Event>());
    other.GetDay(0)->SetDate(Date(1, 1, 2030));
    script_.SelectDayByDate(other.GetDay(0));
    script_.SelectDayByDate(nullptr);
    EXPECT_EQ(script_.GetCurrentDay(), 1u);
    EXPECT_EQ(script_.GetCurrentSchedule(), controller_.GetSchedule()->GetDay(1));
}

TEST_F(ScriptHost, ADayPastTheEndOfTheEventHasNoSchedule) {
    script_.SelectDay(2);
    SetDays(1);
    EXPECT_EQ(script_.GetCurrentSchedule(), nullptr);
    NoScript orphan(nullptr);
    orphan.SelectDay(1);
    EXPECT_EQ(orphan.GetCurrentSchedule(), nullptr);
}

TEST(PrintRendererLines, EachLineOnceWithoutCarriageReturns) {
    RecordingRenderer renderer;
    renderer.PrintLines("");
    EXPECT_TRUE(renderer.texts.empty());
    renderer.PrintLines("first\r\nsecond\nthird");
    EXPECT_EQ(renderer.texts, (std::vector<std::string>{"first", "second", "third"}));
}

}  // namespace
