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

namespace {

using Row = std::vector<std::string>;

// Reads a CSV file back through Python's csv module, as a spreadsheet would, one row a line and
// the fields separated by the unit separator.
std::vector<Row> ReadBackCsv(const std::string& path) {
    std::string command = std::string(QM_PYTHON) +
                          " -c \"import csv,sys\n"
                          "for row in csv.reader(open(sys.argv[1], newline='')):\n"
                          "    print(chr(31).join(row))\" '" +
                          path + "'";
    std::vector<Row> rows;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return rows;
    }
    std::string line;
    for (int c = fgetc(pipe); c != EOF; c = fgetc(pipe)) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        Row row;
        size_t start = 0;
        for (size_t at = line.find('\x1f'); at != std::string::npos;
             at = line.find('\x1f', start)) {
            row.push_back(line.substr(start, at - start));
            start = at + 1;
        }
        row.push_back(line.substr(start));
        rows.push_back(row);
        line.clear();
    }
    EXPECT_EQ(pclose(pipe), 0);
    return rows;
}

class AppointmentsExport : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qm_export_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
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

    void TearDown() override { std::filesystem::remove_all(folder_); }

    void Book(Parent* parent, unsigned day, int slot) {
        Pupil* pupil = parent->GetPupil(0);
        pupil->AddRequest(ann_, "", 1, 1);
        AppointmentRequest* request = pupil->GetRequest(pupil->GetRequestCount() - 1);
        request->SetParent(parent);
        ASSERT_TRUE(schedule_->GetDay(day)->GetGrid().PutBooking(
            slot, 0, std::make_shared<Appointment>(request)));
    }

    std::string folder_;
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

    std::vector<Row> rows = ReadBackCsv(path);
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
    const Row empty = {"Adams", "", "", "", "", "", ""};
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
    EXPECT_EQ(sink.GetText(), "Error: Cannot write to file '" + path + "'\n");
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
