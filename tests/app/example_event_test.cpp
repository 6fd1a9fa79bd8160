#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "app/qm_controller.h"
#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"

namespace fs = std::filesystem;

namespace {

// The example event that `make run` opens, worked on from a copy in a temporary folder.
class ExampleEvent : public ::testing::Test {
protected:
    ExampleEvent() {
        std::string pattern = DirectoryName::TempDirectory().GetPath() + "/qm-example-XXXXXX";
        root_ = ::mkdtemp(pattern.data());
        const char* old = ::getenv("XDG_CONFIG_HOME");
        hadConfigHome_ = old != nullptr;
        oldConfigHome_ = old != nullptr ? old : "";
        ::setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
        path_ = root_ + "/school.qmv";
        fs::copy_file(std::string(QM_SOURCE_DIR) + "/examples/school.qmv", path_);
        ::srand(5);
    }
    ~ExampleEvent() override {
        if (hadConfigHome_) {
            ::setenv("XDG_CONFIG_HOME", oldConfigHome_.c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        fs::remove_all(root_);
    }

    static int CountRequests(const Event& event) {
        int count = 0;
        for (unsigned p = 0; p < event.GetParents().Count(); ++p) {
            count += event.GetParents().Get(p)->GetRequestCount();
        }
        return count;
    }
    static int CountBookedParents(const MultiDaySchedule& schedule) {
        int count = 0;
        const ParentList& parents = schedule.GetEvent()->GetParents();
        for (unsigned p = 0; p < parents.Count(); ++p) {
            count += schedule.IsParentBooked(parents.Get(p)) ? 1 : 0;
        }
        return count;
    }

    std::string root_;
    std::string path_;
    bool hadConfigHome_ = false;
    std::string oldConfigHome_;
    UCStringError sink_;
};

}  // namespace

TEST_F(ExampleEvent, LoadsCleanlyWithASmallSchoolsPeopleAndDays) {
    QMController controller;
    controller.Initialise();
    ASSERT_TRUE(controller.OpenEventFile(path_.c_str())) << sink_.GetText();
    EXPECT_EQ(sink_.GetText(), "");
    const Event& event = *controller.GetEvent();
    const MultiDaySchedule& schedule = *controller.GetSchedule();
    EXPECT_EQ(event.GetTeachers().Count(), 12u);
    EXPECT_EQ(event.GetParents().Count(), 36u);
    EXPECT_EQ(event.GetParents().GetPupilCount(), 47);
    EXPECT_EQ(CountRequests(event), 161);
    EXPECT_EQ(schedule.GetDayCount(), 2u);
    EXPECT_EQ(event.GetPresentations().Count(), 1u);
    for (unsigned t = 0; t < event.GetTeachers().Count(); ++t) {
        EXPECT_FALSE(event.GetTeachers().Get(t)->GetInitials().empty());
        EXPECT_FALSE(event.GetTeachers().Get(t)->GetLocation().empty());
    }
    // Partly booked, as a school finds it after a first booking run and some late requests.
    EXPECT_EQ(CountBookedParents(schedule), 24);
    EXPECT_FALSE(schedule.AllRequestsBooked());
    EXPECT_FALSE(schedule.IsModified());
}

TEST_F(ExampleEvent, BookingTheRestAndSavingGivesAFileThatReadsBackBooked) {
    QMController controller;
    controller.Initialise();
    ASSERT_TRUE(controller.OpenEventFile(path_.c_str())) << sink_.GetText();
    controller.BookUnbookedRequests(true, false);
    const std::string said = sink_.GetText();
    EXPECT_EQ(said.rfind("Booked 12 parents in", 0), 0u) << said;
    const int booked = CountBookedParents(*controller.GetSchedule());
    EXPECT_GT(booked, 24);
    ASSERT_TRUE(controller.SaveEvent(path_.c_str())) << sink_.GetText();
    controller.CloseEvent();

    QMController reread;
    reread.Initialise();
    ASSERT_TRUE(reread.OpenEventFile(path_.c_str())) << sink_.GetText();
    EXPECT_EQ(CountBookedParents(*reread.GetSchedule()), booked);
    EXPECT_EQ(CountRequests(*reread.GetEvent()), 161);
}
