#include "app/event_file_writer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/event_file_format.h"
#include "foundation/file_lock.h"
#include "foundation/md5.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The time an encoded token stands for, as the token reader decodes it.
std::string DecodeTime(const std::string& token) {
    Tokeniser tokens;
    tokens.SetText(token);
    std::string text;
    return tokens.NextToken(text) == TokenTime24 ? text : "<not a time>";
}

class EventWriting : public ::testing::Test {
protected:
    EventWriting() : event_(std::make_shared<Event>()), schedule_(event_) {
        Schedule* day = schedule_.GetDay(0);
        day->SetDate(Date(12, 3, 2026));
        day->SetStartTime(TimeOfDay(16, 0, 0));
        day->SetEndTime(TimeOfDay(18, 0, 0));
    }

    Teacher* AddTeacher(const std::string& name, const std::string& initials) {
        auto teacher = std::make_unique<Teacher>(name);
        teacher->SetInitials(initials);
        Teacher* raw = teacher.get();
        EXPECT_TRUE(schedule_.AddTeacher(std::move(teacher)));
        return raw;
    }

    Pupil* AddFamily(const std::string& parentName, const std::string& pupilName) {
        auto parent = std::make_unique<Parent>(parentName);
        auto pupil = std::make_unique<Pupil>(pupilName);
        Pupil* raw = pupil.get();
        parent->AddPupil(std::move(pupil));
        EXPECT_TRUE(schedule_.AddParent(std::move(parent)));
        return raw;
    }

    std::string Text() { return EventFileWriter(schedule_).FormatEventFile(); }

    std::shared_ptr<Event> event_;
    MultiDaySchedule schedule_;
};

}  // namespace

TEST(EventFileFormat, LineFormattersWriteTheFileLines) {
    struct Case {
        const char* name;
        std::string line;
        std::string expected;
    };
    const Case cases[] = {
        {"integer", FormatKeyInt("SlotLength", 5), "SlotLength \"5\"\n"},
        {"string", FormatKeyString("Name", "Spring"), "Name \"Spring\"\n"},
        {"time after midnight", FormatKeyTime("Starts", TimeOfDay(0, 5, 0)), "Starts 12:05am\n"},
        {"noon", FormatKeyTime("Ends", TimeOfDay(12, 0, 0)), "Ends 12:00pm\n"},
        {"evening", FormatKeyTime("Ends", TimeOfDay(19, 30, 0)), "Ends 7:30pm\n"},
        {"date", FormatKeyDate("day", Date(5, 3, 2024)), "day \"05 Mar 2024\"\n"},
        {"empty text", FormatKeyText("TNotes", ""), ""},
        {"percent text", FormatKeyText("TNotes", "Room 4, hall"),
         "TNotes \"Room%204%2c%20hall\"\n"},
        {"word option", FormatOptionWord("EmailProvider", "GMail"),
         "Option \"EmailProvider\" \"GMail\"\n"},
        {"true option", FormatOptionBool("APSQRCodes", true), "Option \"APSQRCodes\" \"True\"\n"},
        {"false option", FormatOptionBool("APSQRCodes", false),
         "Option \"APSQRCodes\" \"False\"\n"},
        {"float option", FormatOptionFloat("APSSmallFontSize", 6.0),
         "Option \"APSSmallFontSize\" \"6.000000\"\n"},
        {"escapes", EscapeOptionText("say \"hi\" \\ now"), "say \\\"hi\\\" \\\\ now"},
        {"line breaks", EscapeOptionText("a\nb\r\n"), "a\\\nb\\\r\\\n"},
        {"null", EscapeOptionText(static_cast<const char*>(nullptr)), ""},
        {"NUL written whole", EscapeOptionText(std::string("Ann\0 Lee", 8)),
         std::string("Ann\0 Lee", 8)},
        {"NUL in percent text", FormatKeyText("TNotes", std::string("a\0b", 3)),
         "TNotes \"a%00b\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.line, c.expected);
    }
}

TEST(EventFileFormat, TimesWithSecondsAreWrittenAsEncodedTokensThatKeepThem) {
    const std::string line = FormatKeyTime("Starts", TimeOfDay(9, 0, 30));
    ASSERT_EQ(line.compare(0, 8, "Starts ="), 0) << line;
    EXPECT_EQ(DecodeTime(line.substr(7)), "09:00:30");
}

TEST(EventFileFormat, AutosaveCheckLineIsVerified) {
    const std::string body = "Event:\nName \"x\"\n";
    MD5 md5;
    const std::string whole = body + "#" + md5.HexDigest(body) + "\n";
    std::string out;
    EXPECT_TRUE(VerifyAutosaveText(whole, &out));
    EXPECT_EQ(out, body);

    std::string tampered = whole;
    tampered[8] = 'M';
    EXPECT_FALSE(VerifyAutosaveText(tampered));
    EXPECT_FALSE(VerifyAutosaveText(body));
    EXPECT_FALSE(VerifyAutosaveText(whole.substr(0, whole.size() - 5)));
    EXPECT_FALSE(VerifyAutosaveText(""));
}

TEST_F(EventWriting, NewEventWritesDefaultsAndEverySection) {
    const std::string text = Text();
    EXPECT_EQ(text.compare(0, 7, "Event:\n"), 0);
    EXPECT_TRUE(Contains(text,
                         "Name \"New event\"\nStarts 4:00pm\nEnds 6:00pm\nPNotes \"\"\n"
                         "Day \"12\"\nMonth \"3\"\nYear \"2026\"\n"
                         "TeacherDesc \"teacher\"\nParentDesc \"parent\"\n"
                         "PupilDesc \"pupil\"\n"));
    EXPECT_TRUE(Contains(text, "SlotLength \"5\"\n"));
    EXPECT_TRUE(Contains(text, "\nScoreCompareUnbooked\n"));
    EXPECT_TRUE(Contains(text, "\nBringTwinsTogether\n"));
    EXPECT_TRUE(Contains(text,
                         "Option \"APSSmallFontSize\" \"6.000000\"\n"
                         "Option \"APSUseSansSerif\" \"False\"\n"
                         "Option \"APSSmallTeacherFont\" \"False\"\n"
                         "Option \"APSOneParentPerSheet\" \"False\"\n"
                         "Option \"APSQRCodes\" \"True\"\n"));
    EXPECT_TRUE(Contains(text, "Option \"AskParentTimes\" \"True\"\n"));
    for (const char* absent :
         {"TeacherGapLength", "ParentGapLength", "TeacherBlockLength", "EmailPort", "EmailProvider",
          "Presentations:", "Locked", "ScoreCompareAttendance", "TNotes", "URL"}) {
        EXPECT_FALSE(Contains(text, absent)) << absent;
    }
    EXPECT_TRUE(Contains(text, "\n\nTeachers:\n\nParents:\n"));
}

TEST_F(EventWriting, OddSlotLengthsAndTimesKeepTheirSeconds) {
    event_->SetSlotLength(330);
    schedule_.GetDay(0)->SetStartTime(TimeOfDay(16, 0, 30));
    const std::string text = Text();
    EXPECT_TRUE(Contains(text, "SlotLengthSecs \"330\"\n"));
    const size_t at = text.find("Starts =");
    ASSERT_NE(at, std::string::npos);
    const std::string token = text.substr(at + 7, text.find('\n', at) - at - 7);
    EXPECT_EQ(DecodeTime(token), "16:00:30");
}

TEST_F(EventWriting, OffSwitchesAndTheEventsOwnScoreSwitchesAreWritten) {
    ScheduleOptions options = event_->GetOptions();
    options.BringTwinsTogether = false;
    event_->SetOptions(options);
    event_->SetScoreSwitches(ScoreCompareSwitches{false, true});
    const ScoreCompareSwitches processWide = Score::GetCompareSwitches();
    Score::SetCompareSwitches(ScoreCompareSwitches{true, false});

    const std::string text = Text();
    EXPECT_FALSE(Contains(text, "\nBringTwinsTogether\n"));
    EXPECT_TRUE(Contains(text, "Option \"BringTwinsTogether\" \"False\"\n"));
    EXPECT_FALSE(Contains(text, "ScoreCompareUnbooked"));
    EXPECT_TRUE(Contains(text, "\nScoreCompareAttendance\n"));
    Score::SetCompareSwitches(processWide);
}

TEST_F(EventWriting, ServerNameOfBlanksIsLeftOutAndSenderIsTrimmed) {
    EmailServerSettings server;
    server.SetServer("  ");
    server.SetFromAddress(" office@school.example ");
    event_->SetEmailServerSettings(server);
    const std::string text = Text();
    EXPECT_FALSE(Contains(text, "SMTPServer"));
    EXPECT_TRUE(Contains(text, "EmailFrom \"office@school.example\"\n"));
}

TEST_F(EventWriting, PlainTextsAreEscapedLikeQuotedOnes) {
    Teacher* teacher = AddTeacher("Mr \"Tom\" Back\\slash", "TB");
    teacher->SetLocation("Room \"4\"");
    Pupil* pupil = AddFamily("Mrs Smith", "Amy Smith");
    pupil->GetParent()->SetNotes("Line one\nSays \"hi\"");
    const std::string text = Text();
    EXPECT_TRUE(Contains(text,
                         "\n\"Mr \\\"Tom\\\" Back\\\\slash\"\ninitials \"TB\"\n"
                         "location \"Room \\\"4\\\"\"\n"));
    EXPECT_TRUE(Contains(text, "notes \"Line one\\\nSays \\\"hi\\\"\"\n"));
}

TEST_F(EventWriting, PupilBlockListsRequestsBeforeTaughtBy) {
    Teacher* maths = AddTeacher("Mr Tom Whitfield", "TW");
    Teacher* physics = AddTeacher("Ms Priya Raman", "PR");
    Pupil* pupil = AddFamily("Mrs Smith", "Amy Smith");
    pupil->SetForm("7A");
    pupil->AddRequest(maths, "Maths", 2, 2);
    pupil->AddRequest(physics, "", 1, -1);
    pupil->AddTaughtBy(physics, "Physics");
    const std::string text = Text();
    EXPECT_TRUE(Contains(text,
                         "pupil \"Amy Smith\"\nform \"7A\"\n"
                         "seeing \"Mr Tom Whitfield\"\nsubject \"Maths\"\n"
                         "priority \"2\"\nlength \"2\"\n"
                         "seeing \"Ms Priya Raman\"\n"
                         "taughtby \"Ms Priya Raman\"\nsubject \"Physics\"\n\n"))
        << text;
}

TEST_F(EventWriting, BookedRequestIsWrittenWithItsDayAndEncodedTime) {
    ASSERT_TRUE(schedule_.AppendNextDay());
    Schedule* second = schedule_.GetDay(1);
    second->SetStartTime(TimeOfDay(16, 0, 0));
    second->SetEndTime(TimeOfDay(18, 0, 0));
    Teacher* teacher = AddTeacher("Mr Tom Whitfield", "TW");
    Pupil* pupil = AddFamily("Mrs Smith", "Amy Smith");
    pupil->AddFixedTimeRequest(teacher, "Maths", 1, -1,
                               DateTime(second->GetDate(), TimeOfDay(16, 40, 0)));
    schedule_.RebuildDays();
    ASSERT_TRUE(schedule_.IsRequestBooked(pupil->GetRequest(0)));

    const std::string first = Text();
    const std::string dayLine = "day \"" + second->GetDate().FormatLong() + "\"\nat =";
    const size_t at = first.find(dayLine);
    ASSERT_NE(at, std::string::npos) << first;
    const size_t tokenStart = at + dayLine.size() - 1;
    const std::string token = first.substr(tokenStart, first.find('\n', tokenStart) - tokenStart);
    EXPECT_EQ(DecodeTime(token), "16:40:00");
    EXPECT_NE(Text(), first);  // a fresh token on every save
}

TEST_F(EventWriting, NoDaysAndNoEventWriteNothing) {
    UCStringError sink;
    MultiDaySchedule empty(nullptr);
    EXPECT_EQ(EventFileWriter(empty).FormatEventFile(), "");
    EXPECT_EQ(sink.GetText(), "");

    ASSERT_TRUE(schedule_.DeleteLastDay());
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(sink.GetText(), "Error: Cannot save: event contains no days\n");
}

class EventSaving : public EventWriting {
protected:
    // Makes every write past limit bytes fail, as a full disk would.
    static void LimitFileSize(rlim_t limit) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit value{};
        ::getrlimit(RLIMIT_FSIZE, &value);
        value.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &value);
    }
    static void UnlimitFileSize() {
        rlimit value{};
        ::getrlimit(RLIMIT_FSIZE, &value);
        value.rlim_cur = value.rlim_max;
        ::setrlimit(RLIMIT_FSIZE, &value);
    }

    void AddManyFamilies() {
        Teacher* teacher = AddTeacher("Mr Tom Whitfield", "TW");
        for (int i = 0; i < 200; ++i) {
            AddFamily("Parent " + std::to_string(i), "Pupil " + std::to_string(i))
                ->AddRequest(teacher, "Maths", 1, -1);
        }
    }

    TempFolder temp_{"qm-writer"};
    fs::path folder_ = temp_.Path();
};

TEST_F(EventSaving, AutosaveEndsWithItsDigestAndKeepsTheEventModified) {
    event_->SetModified();
    const fs::path path = folder_ / "autosave.qmv";
    ASSERT_TRUE(EventFileWriter(schedule_).WriteToPath(path.c_str(), true));
    const std::string text = ReadWholeFile(path);
    std::string body;
    ASSERT_TRUE(VerifyAutosaveText(text, &body));
    EXPECT_EQ(body.compare(0, 7, "Event:\n"), 0);
    EXPECT_TRUE(schedule_.IsModified());

    FileLock lock(path.string());
    ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
    ASSERT_TRUE(EventFileWriter(schedule_).WriteToLock(lock, false));
    EXPECT_FALSE(schedule_.IsModified());
    EXPECT_TRUE(VerifyAutosaveText(ReadWholeFile(path)));  // a save carries the check line too
}

TEST_F(EventSaving, SaveThatFailsHalfWayLeavesTheOldFileByteForByte) {
    const fs::path path = folder_ / "school.qmv";
    const std::string old = "Event:\nName \"The old evening\"\n";
    WriteFile(path, old);
    AddManyFamilies();
    event_->SetModified();

    FileLock lock(path.string());
    ASSERT_EQ(lock.Lock(), FileLock::kLockHeld);
    UCStringError sink;
    LimitFileSize(old.size() + 100);
    const bool saved = EventFileWriter(schedule_).WriteToLock(lock, false);
    UnlimitFileSize();
    EXPECT_FALSE(saved);
    EXPECT_TRUE(Contains(sink.GetText(), "Cannot write data to save file '" + path.string()));
    EXPECT_EQ(ReadWholeFile(path), old);
    EXPECT_TRUE(schedule_.IsModified());
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder_)) {
        ++files;
    }
    EXPECT_EQ(files, 1u);  // no temporary file left behind
}

TEST_F(EventSaving, AutosaveThatFailsHalfWayLeavesTheOldCopyWhole) {
    const fs::path path = folder_ / "autosave.qmv";
    ASSERT_TRUE(EventFileWriter(schedule_).WriteToPath(path.c_str(), true));
    const std::string old = ReadWholeFile(path);
    AddManyFamilies();

    UCStringError sink;
    LimitFileSize(old.size() + 100);
    const bool saved = EventFileWriter(schedule_).WriteToPath(path.c_str(), true);
    UnlimitFileSize();
    EXPECT_FALSE(saved);
    EXPECT_FALSE(sink.GetText().empty());
    EXPECT_EQ(ReadWholeFile(path), old);
    EXPECT_TRUE(VerifyAutosaveText(ReadWholeFile(path)));
}

TEST_F(EventSaving, StreamWriteAddsTheCheckLine) {
    const fs::path path = folder_ / "stream.qmv";
    FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(EventFileWriter(schedule_).WriteToStream(file, true));
    std::fclose(file);
    EXPECT_TRUE(VerifyAutosaveText(ReadWholeFile(path)));
    EXPECT_FALSE(EventFileWriter(schedule_).WriteToStream(nullptr, true));
}
