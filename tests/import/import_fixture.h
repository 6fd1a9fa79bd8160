#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/user_settings.h"
#include "foundation/files.h"
#include "foundation/uc_error.h"
#include "import/import_run.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "support/temp_folder.h"

// A two-day event (18:00 to 22:00 each) to import into, and a folder for the input files.
class ImportTest : public ::testing::Test {
protected:
    ImportTest() { EXPECT_TRUE(schedule->AppendNextDay()); }

    // Writes the file, runs every step and keeps what was reported.
    ImportOutcome Run(ImportRun& run, const std::string& content,
                      const UserSettings* settings = nullptr) {
        const std::string path = temp.Write("input-" + std::to_string(++files) + ".txt", content);
        StdioFile file(path.c_str(), "rb");
        run.SetTarget(schedule.get());
        run.SetInput(&file);
        run.SetSettings(settings);
        UCStringError sink;
        const ImportOutcome outcome = RunImport(run);
        messages = sink.GetText();
        return outcome;
    }

    Teacher* TeacherAt(unsigned i) const { return event->GetTeachers().Get(i); }
    Parent* ParentAt(unsigned i) const { return event->GetParents().Get(i); }
    Parent* ParentNamed(const std::string& name) const {
        return event->GetParents().FindByName(name);
    }
    unsigned TeacherCount() const { return event->GetTeachers().Count(); }
    unsigned ParentCount() const { return event->GetParents().Count(); }
    Schedule* Day(unsigned i) const { return schedule->GetDay(i); }

    TempFolder temp{"qm-import"};
    std::shared_ptr<Event> event = std::make_shared<Event>();
    std::unique_ptr<MultiDaySchedule> schedule = std::make_unique<MultiDaySchedule>(event);
    std::string messages;
    int files = 0;
};
