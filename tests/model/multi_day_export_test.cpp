#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"
#include "support/csv_reader.h"
#include "support/temp_folder.h"

namespace {

class AppointmentsExport : public ::testing::Test {
protected:
    void SetUp() override {
        event_ = std::make_shared<Event>();
        schedule_ = std::make_unique<MultiDaySchedule>(event_);
        schedule_->GetDay(0)->SetDate(Date(4, 3, 2024));
        EXPECT_TRUE(schedule_->AppendNextDay());
        auto teacher = std::make_unique<Teacher>("Ann Able");
        teacher->SetLocation("Room 4");
        ann_ = teacher.get();
        ASSERT_TRUE(schedule_->AddTeacher(std::move(teacher)));
        for (const char* name : {"Adams", "Anne \"Nan\" Baker", "Clark"}) {
            auto parent = std::make_unique<Parent>(name);
            parent->AddPupil(std::make_unique<Pupil>(std::string(name) + " junior"));
            parents_.push_back(parent.get());
            ASSERT_TRUE(schedule_->AddParent(std::move(parent)));
        }
        parents_[1]->SetAddress(0, "1, \"The\" Street");
        parents_[1]->SetAddress(4, "AB1 2CD");
    }

    void Book(Parent* parent, unsigned day, int slot) {
        Pupil* pupil = parent->GetPupil(0);
        pupil->AddRequest(ann_, "", 1, 1);
        AppointmentRequest* request = pupil->GetRequest(pupil->GetRequestCount() - 1);
        request->SetParent(parent);
        ASSERT_TRUE(schedule_->GetDay(day)->GetGrid().PutBooking(
            slot, 0, std::make_shared<Appointment>(request)));
    }

    TempFolder temp_{"qm-export"};
    std::string folder_ = temp_.Path();
    std::shared_ptr<Event> event_;
    std::unique_ptr<MultiDaySchedule> schedule_;
    Teacher* ann_ = nullptr;
    std::vector<Parent*> parents_;
};

TEST_F(AppointmentsExport, WritesAHeaderAndARowPerParentAndDayThatReadBack) {
    Book(parents_[1], 0, 0);
    const std::string path = folder_ + "/appointments.csv";
    UCStringError sink;
    ASSERT_TRUE(schedule_->ExportCSV(path));
    EXPECT_EQ(sink.GetText(), "Exported successfully\n");

    CsvRows rows = ReadCsvWithPython(path);
    ASSERT_EQ(rows.size(), 7u);
    ASSERT_EQ(rows[0].size(), 26u);
    EXPECT_EQ(rows[0][0], "Parents Name");
    EXPECT_EQ(rows[0][5], "Address 5");
    EXPECT_EQ(rows[0][6], "Appointment 1");
    EXPECT_EQ(rows[0][25], "Appointment 20");

    const char* names[] = {"Adams", "Anne \"Nan\" Baker", "Clark"};
    for (size_t i = 1; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i][0], names[(i - 1) % 3]);
    }
    // A quote inside a name or address survives the trip.
    EXPECT_EQ(rows[2][1], "1, \"The\" Street");
    EXPECT_EQ(rows[2][5], "AB1 2CD");
    // The booked parent's first day carries the padded appointment text.
    ASSERT_GE(rows[2].size(), 26u);
    EXPECT_EQ(rows[2][6], "At 6:00pm you are seeing Ann Able (Room 4)");
    for (size_t field = 7; field < 26; ++field) {
        EXPECT_EQ(rows[2][field], "");
    }
    // Without a booking that day the row ends after the address.
    const std::vector<std::string> empty = {"Adams", "", "", "", "", "", ""};
    EXPECT_EQ(rows[1], empty);
    EXPECT_EQ(rows[5].size(), 7u);
}

TEST_F(AppointmentsExport, RowWithoutBookingsEndsAfterTheFifthAddressLine) {
    const std::string path = folder_ + "/empty.csv";
    UCStringError sink;
    ASSERT_TRUE(schedule_->ExportCSV(path));
    FILE* file = fopen(path.c_str(), "r");
    ASSERT_NE(file, nullptr);
    char line[512];
    ASSERT_NE(fgets(line, sizeof line, file), nullptr);
    ASSERT_NE(fgets(line, sizeof line, file), nullptr);
    fclose(file);
    EXPECT_STREQ(line, "\"Adams\",\"\",\"\",\"\",\"\",\"\",\n");
}

TEST_F(AppointmentsExport, AFolderThatDoesNotExistIsReportedAndWritesNothing) {
    const std::string path = folder_ + "/missing/appointments.csv";
    UCStringError sink;
    EXPECT_FALSE(schedule_->ExportCSV(path));
    EXPECT_EQ(sink.GetText(),
              "Error: Cannot write to file '" + path + "': No such file or directory\n");
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
