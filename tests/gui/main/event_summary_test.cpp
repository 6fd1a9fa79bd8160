#include <gtest/gtest.h>
#include <wx/hyperlink.h>
#include <wx/stattext.h>

#include <memory>
#include <string>

#include "gui/main/event_summary_pane.h"
#include "gui/support/gui_test.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

namespace {

// A two-day event of ten-minute days (two slots each), built through the model.
class SummaryLine : public GuiTest {
protected:
    SummaryLine() {
        Score::SetCompareSwitches(ScoreCompareSwitches{});
        event_->SetName("Spring");
        EXPECT_TRUE(schedule_->GetDay(0)->SetDate(Date(4, 3, 2024)));
        EXPECT_TRUE(schedule_->AppendNextDay());
        for (unsigned day = 0; day < 2; ++day) {
            schedule_->GetDay(day)->SetStartTime(TimeOfDay(18, 0, 0));
            schedule_->GetDay(day)->SetEndTime(TimeOfDay(18, 10, 0));
        }
    }
    ~SummaryLine() override { Score::SetCompareSwitches(switches_); }

    Teacher* AddTeacher(const std::string& name) {
        auto teacher = std::make_unique<Teacher>(name);
        teacher->SetInitials(name.substr(0, 2));
        Teacher* added = teacher.get();
        EXPECT_TRUE(schedule_->AddTeacher(std::move(teacher)));
        return added;
    }

    // A family whose children each ask the teacher for one slot.
    void Request(const std::string& family, Teacher* teacher, int slots) {
        auto parent = std::make_unique<Parent>(family);
        for (int i = 0; i < slots; ++i) {
            auto pupil = std::make_unique<Pupil>(family + " " + std::to_string(i));
            EXPECT_TRUE(pupil->AddRequest(teacher, "", 1, 1));
            parent->AddPupil(std::move(pupil));
        }
        EXPECT_TRUE(schedule_->AddParent(std::move(parent)));
    }

    ScoreCompareSwitches switches_ = Score::GetCompareSwitches();
    std::shared_ptr<Event> event_ = std::make_shared<Event>();
    std::unique_ptr<MultiDaySchedule> schedule_ = std::make_unique<MultiDaySchedule>(event_);
};

TEST_F(SummaryLine, WithoutAScheduleSaysSo) {
    const SummaryTexts texts = ComposeSummary(nullptr);
    EXPECT_EQ(texts.eventLine, "Event: None");
    EXPECT_EQ(texts.scoreLine, "No schedule loaded");
    EXPECT_EQ(texts.overbookingLine, "");
    EXPECT_EQ(texts.linkLabel, "No web link");
    EXPECT_FALSE(texts.linkTarget.empty());
}

TEST_F(SummaryLine, NamesTheEventItsDaysAndTheLock) {
    const std::string days = "Event: Spring (04 Mar 2024, 05 Mar 2024)";
    EXPECT_EQ(ComposeSummary(schedule_.get()).eventLine, days);
    event_->SetLocked(true);
    EXPECT_EQ(ComposeSummary(schedule_.get()).eventLine, days + "  *** LOCKED - FINAL VERSION ***");

    event_->SetLocked(false);
    auto oneDay = std::make_unique<MultiDaySchedule>(event_);
    EXPECT_TRUE(oneDay->GetDay(0)->SetDate(Date(1, 12, 2026)));
    EXPECT_EQ(ComposeSummary(oneDay.get()).eventLine, "Event: Spring (01 Dec 2026)");
    // With every day deleted there is no list of days to close.
    ASSERT_TRUE(oneDay->DeleteLastDay());
    EXPECT_EQ(ComposeSummary(oneDay.get()).eventLine, "Event: Spring");
}

TEST_F(SummaryLine, ScoresOutOfAThousandAndCountsTheUnbooked) {
    EXPECT_EQ(ComposeSummary(schedule_.get()).scoreLine,
              "Current schedule score: 1000 of a possible 1000");
    Request("Adams", AddTeacher("Ann Able"), 1);
    EXPECT_EQ(ComposeSummary(schedule_.get()).scoreLine,
              "Current schedule score: 1000 of a possible 1000, 1 unbooked appointments");
}

TEST_F(SummaryLine, CountsOnlyTeachersAskedForMoreSlotsThanTheyHave) {
    // Each teacher is present for four slots over the two days.
    Request("Exact", AddTeacher("Ann Able"), 4);
    EXPECT_EQ(ComposeSummary(schedule_.get()).overbookingLine, "");
    Request("Bakers", AddTeacher("Bob Baker"), 7);
    Request("Coles", AddTeacher("Cat Cole"), 7);
    EXPECT_EQ(ComposeSummary(schedule_.get()).overbookingLine,
              "6 requested slots are unbookable as 2 teachers are overbooked");
}

TEST_F(SummaryLine, LinksToTheEventOnlyWhenItHasAnAddress) {
    SummaryTexts texts = ComposeSummary(schedule_.get());
    EXPECT_EQ(texts.linkLabel, "");
    EXPECT_EQ(texts.linkTarget, "");
    event_->SetUrl("https://school.example/evening");
    texts = ComposeSummary(schedule_.get());
    EXPECT_EQ(texts.linkLabel, "Click here to view this event online");
    EXPECT_EQ(texts.linkTarget, "https://school.example/evening");
}

TEST_F(SummaryLine, ThePaneShowsTheTextsAndForgetsTheScheduleOnNull) {
    event_->SetName("Years 7 & 8");
    event_->SetUrl("https://school.example/evening");
    auto* pane = new EventSummaryPane(TopWindow());
    EXPECT_EQ(pane->GetEventLine()->GetLabelText(), "Event: None");
    EXPECT_EQ(pane->GetScoreLine()->GetLabelText(), "No schedule loaded");
    EXPECT_EQ(pane->GetWebLink()->GetLabel(), "No web link");

    pane->SetSchedule(schedule_.get());
    EXPECT_EQ(pane->GetEventLine()->GetLabelText(),
              "Event: Years 7 & 8 (04 Mar 2024, 05 Mar 2024)");
    EXPECT_EQ(pane->GetScoreLine()->GetLabelText(),
              "Current schedule score: 1000 of a possible 1000");
    EXPECT_EQ(pane->GetWebLink()->GetURL(), "https://school.example/evening");

    pane->SetSchedule(nullptr);
    EXPECT_EQ(pane->GetEventLine()->GetLabelText(), "Event: None");
    EXPECT_EQ(pane->GetOverbookingLine()->GetLabelText(), "");
}

}  // namespace
