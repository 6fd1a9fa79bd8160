#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <span>
#include <sstream>

#include "app/event_file_format.h"
#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "model/appointment_request.h"
#include "model/email_server_settings.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "read_back.h"

namespace {

// The text with every encoded time replaced by the time it stands for, so two saves of the
// same event compare equal although their random bytes differ.
std::string DecodedTimes(const std::string& text) {
    std::istringstream in(text);
    std::string out;
    std::string line;
    while (std::getline(in, line)) {
        const size_t at = line.find(" =");
        if (at != std::string::npos && line.find('"') == std::string::npos) {
            Tokeniser tokens;
            tokens.SetText(line.substr(at + 1));
            std::string time;
            if (tokens.NextToken(time) == TokenTime24) {
                line = line.substr(0, at) + " <" + time + ">";
            }
        }
        out += line;
        out += '\n';
    }
    return out;
}

// A seeded school: teachers with breaks and late starts, families with pupils, requests
// (some booked at fixed times, clear of the breaks), a presentation, two days and awkward texts
// everywhere.
std::unique_ptr<MultiDaySchedule> GenerateSchool(unsigned seed, int teacherCount, int familyCount,
                                                 int slotSeconds) {
    std::srand(seed);
    auto event = std::make_shared<Event>();
    auto schedule = std::make_unique<MultiDaySchedule>(event);
    event->SetName("Year 9 \"options\" evening \\ " + std::to_string(seed));
    event->SetSlotLength(slotSeconds);
    Schedule* first = schedule->GetDay(0);
    first->SetDate(Date(10, 3, 2026));
    first->SetStartTime(TimeOfDay(16, 0, 0));
    first->SetEndTime(TimeOfDay(19, 0, 0));
    EXPECT_TRUE(schedule->AppendNextDay());
    Schedule* second = schedule->GetDay(1);
    second->SetStartTime(TimeOfDay(15, 30, 0));
    second->SetEndTime(TimeOfDay(18, 30, 0));
    event->GetPrintSettings().SetParentNotes("Park at the back.\nBring the letter.");
    event->SetUrl("https://school.example/evening?id=\"7\"");
    ScheduleOptions options = event->GetOptions();
    options.BringTwinsTogether = (seed % 2) == 0;
    options.TeacherCountBreaks = (seed % 3) == 0;
    options.ParentGapLength = 2 + static_cast<int>(seed % 3);
    event->SetOptions(options);
    event->SetScoreSwitches(ScoreCompareSwitches{(seed % 2) == 1, (seed % 4) == 0});
    event->SetParentGapMode(static_cast<ParentGapMode>(seed % 4));
    auto talk = std::make_unique<Presentation>("Options talk");
    talk->SetLocation("Main \"hall\"");
    talk->SetDate(second->GetDate());
    talk->SetTimes(TimeOfDay(16, 0, 0), TimeOfDay(16, 30, 0));
    Presentation* talkRaw = talk.get();
    EXPECT_TRUE(event->AddPresentation(std::move(talk)));

    static const char* const kSubjects[] = {"Maths", "English", "Art \"2D\"", "Science", ""};
    std::vector<Teacher*> teachers;
    for (int t = 0; t < teacherCount; ++t) {
        auto teacher = std::make_unique<Teacher>("Teacher " + std::to_string(t) + " Surname" +
                                                 std::to_string(std::rand() % 1000));
        teacher->SetInitials("T" + std::to_string(t));
        teacher->SetLocation(t % 3 == 0 ? "Room " + std::to_string(t) : "");
        teacher->AddSubject(kSubjects[t % 5]);
        teacher->SetApptLength(1 + t % 2);
        if (t % 4 == 0) {
            teacher->SetEmail("t" + std::to_string(t) + "@school.example");
        }
        Teacher* raw = teacher.get();
        EXPECT_TRUE(schedule->AddTeacher(std::move(teacher)));
        raw->AddBreak(DateTime(first->GetDate(), first->SlotToTime(3 + t % 5)));
        if (t % 5 == 1) {
            raw->SetStartTime(second, second->SlotToTime(2));
            raw->SetArrivesLate(second, true);
        }
        if (t % 7 == 2) {
            raw->AddPresentation(talkRaw);
        }
        teachers.push_back(raw);
    }
    for (int f = 0; f < familyCount; ++f) {
        auto parent = std::make_unique<Parent>("Parent " + std::to_string(f));
        parent->SetUniqueId("P" + std::to_string(f));
        parent->SetAddress(0, std::to_string(f) + " \"The\" Street\\Lane");
        parent->SetNotes(f % 3 == 0 ? "Needs ramp\nArrives by bus \"late\"" : "");
        if (f % 5 == 0) {
            parent->SetEmail("p" + std::to_string(f) + "@home.example");
        }
        if (f % 6 == 1) {
            parent->SetLeavesEarly(first, true);
            parent->SetEndTime(first, first->SlotToTime(10));
        }
        const int pupils = 1 + f % 2;
        for (int p = 0; p < pupils; ++p) {
            auto pupil =
                std::make_unique<Pupil>("Child " + std::to_string(f) + "-" + std::to_string(p));
            pupil->SetForm(std::to_string(7 + p) + "A");
            Pupil* raw = pupil.get();
            parent->AddPupil(std::move(pupil));
            const int requests = 1 + std::rand() % 4;
            for (int r = 0; r < requests; ++r) {
                Teacher* teacher = teachers[(f * 3 + p * 7 + r * 5) % teachers.size()];
                if (raw->HasRequestFor(teacher)) {
                    continue;
                }
                const int priority = std::rand() % 3;
                if (r == 0 && (f + p) % 2 == 0) {
                    Schedule* day = (f % 3 == 0) ? second : first;
                    raw->AddFixedTimeRequest(
                        teacher, kSubjects[r % 5], priority, -1,
                        DateTime(day->GetDate(), day->SlotToTime(8 + (f * 2 + p) % 12)));
                } else {
                    raw->AddRequest(teacher, kSubjects[r % 5], priority, r == 2 ? 2 : -1);
                }
            }
            if (p == 0) {
                teachers[f % teachers.size()]->AddSubject("Tutor group");
                raw->AddTaughtBy(teachers[f % teachers.size()], "Tutor group");
            }
        }
        EXPECT_TRUE(schedule->AddParent(std::move(parent)));
    }
    event->GetTeachers().Sort();
    event->GetParents().Sort();
    schedule->RebuildDays();
    return schedule;
}

}  // namespace

TEST(EventFileRoundTrip, GeneratedEventsWriteTheSameTextAfterReadingBack) {
    struct Case {
        unsigned seed;
        int teachers;
        int families;
        int slotSeconds;
    };
    const Case cases[] = {{1, 5, 12, 300}, {2, 12, 40, 600}, {3, 8, 30, 330}, {4, 20, 60, 450}};
    for (const Case& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        auto schedule = GenerateSchool(c.seed, c.teachers, c.families, c.slotSeconds);
        const std::string first = EventFileWriter(*schedule).FormatEventFile();
        std::string messages;
        auto read = ReadBack(first, &messages);
        ASSERT_TRUE(read) << messages;
        EXPECT_EQ(messages, "");
        const std::string second = EventFileWriter(*read).FormatEventFile();
        EXPECT_EQ(DecodedTimes(second), DecodedTimes(first));
        // Every booking survives, on the same day at the same time.
        EXPECT_EQ(read->GetScore().GetValue(), schedule->GetScore().GetValue());
    }
}

TEST(EventFileRoundTrip, AwkwardTextsAndOffSettingsComeBackUnchanged) {
    auto schedule = GenerateSchool(3, 4, 6, 330);
    Event& event = *schedule->GetEvent();
    Parent* parent = event.GetParents().Get(0);
    parent->SetNotes("First line\r\nSecond \"quoted\" line\\with backslash\n\tindented");
    event.GetTeachers().Get(0)->SetLocation("Block \"C\"\\2");
    event.SetTeacherDesc("tutor \"form\"");
    EmailServerSettings server = event.GetEmailServerSettings();
    server.SetVerifyServer(false);
    event.SetEmailServerSettings(server);

    std::string messages;
    auto read = ReadBack(EventFileWriter(*schedule).FormatEventFile(), &messages);
    ASSERT_TRUE(read) << messages;
    const Event& back = *read->GetEvent();
    EXPECT_EQ(back.GetParents().FindByKey(parent->GetUniqueIdOrName())->GetNotes(),
              parent->GetNotes());
    EXPECT_EQ(back.GetTeachers().Get(0)->GetLocation(), "Block \"C\"\\2");
    EXPECT_EQ(back.GetTeacherDesc(false), "tutor \"form\"");
    EXPECT_EQ(back.GetName(), event.GetName());
    EXPECT_EQ(back.GetUrl(), event.GetUrl());
    EXPECT_EQ(back.GetPrintSettings().GetParentNotes(), "Park at the back.\nBring the letter.");
    EXPECT_FALSE(back.GetOptions().BringTwinsTogether);
    EXPECT_FALSE(back.GetEmailServerSettings().GetVerifyServer());
    EXPECT_EQ(back.GetOptions(), event.GetOptions());
    EXPECT_EQ(back.GetScoreSwitches(), event.GetScoreSwitches());
    EXPECT_EQ(back.GetSlotLength(), 330);
    // With 330-second slots the slot starts fall on odd seconds: bookings must keep them.
    EXPECT_EQ(read->GetScore().GetValue(), schedule->GetScore().GetValue());
    const Teacher* teacher = back.GetTeachers().Get(0);
    const Teacher* original = event.GetTeachers().Get(0);
    EXPECT_EQ(teacher->GetBreaks(), original->GetBreaks());
}

// Who was sent what is what the next run and the handouts go by: it comes back from the file for
// teachers, parents and pupils alike, each mark on its own, and a person without marks has none.
TEST(EventFileRoundTrip, EverySentMarkOfEveryoneReadsBackAsItWas) {
    auto schedule = GenerateSchool(5, 6, 10, 300);
    const Event& event = *schedule->GetEvent();
    std::vector<Person*> people;
    for (unsigned t = 0; t < event.GetTeachers().Count(); ++t) {
        people.push_back(event.GetTeachers().Get(t));
    }
    for (unsigned p = 0; p < event.GetParents().Count(); ++p) {
        Parent* parent = event.GetParents().Get(p);
        people.push_back(parent);
        for (unsigned i = 0; i < parent->GetPupilCount(); ++i) {
            people.push_back(parent->GetPupil(i));
        }
    }
    // Every combination of the three marks, in turn.
    std::vector<unsigned> marks;
    for (size_t i = 0; i < people.size(); ++i) {
        const unsigned set = static_cast<unsigned>(i % 8);
        marks.push_back(set);
        for (int kind = EmailInvitation; kind <= EmailResults; ++kind) {
            people[i]->SetEmailSent(static_cast<EmailTextKind>(kind), (set >> kind) & 1u);
        }
    }
    std::string messages;
    auto read = ReadBack(EventFileWriter(*schedule).FormatEventFile(), &messages);
    ASSERT_TRUE(read) << messages;
    EXPECT_EQ(messages, "");
    const Event& back = *read->GetEvent();
    std::vector<unsigned> readMarks;
    auto add = [&](const Person* person) {
        unsigned set = 0;
        for (int kind = EmailInvitation; kind <= EmailResults; ++kind) {
            set |= person->GetEmailSent(static_cast<EmailTextKind>(kind)) ? 1u << kind : 0u;
        }
        readMarks.push_back(set);
    };
    for (unsigned t = 0; t < back.GetTeachers().Count(); ++t) {
        add(back.GetTeachers().Get(t));
    }
    for (unsigned p = 0; p < back.GetParents().Count(); ++p) {
        const Parent* parent = back.GetParents().Get(p);
        add(parent);
        for (unsigned i = 0; i < parent->GetPupilCount(); ++i) {
            add(parent->GetPupil(i));
        }
    }
    EXPECT_EQ(readMarks, marks);
}

// What the user last chose to print and whom to e-mail (resending above all) is what the e-mail
// and print windows show the next day; an event left as it came writes no such line.
TEST(EventFileRoundTrip, ThePrintAndEmailChoicesReadBackAsTheyWere) {
    auto schedule = GenerateSchool(6, 3, 4, 300);
    EXPECT_EQ(EventFileWriter(*schedule).FormatEventFile().find("Option \"APSTeachers\""),
              std::string::npos);
    PrintSettings& chosen = schedule->GetEvent()->GetPrintSettings();
    const PrintSettings defaults;
    chosen.SetTeachers(!defaults.GetTeachers());
    chosen.SetParents(!defaults.GetParents());
    chosen.SetPupils(!defaults.GetPupils());
    chosen.SetTeacherOverviews(!defaults.GetTeacherOverviews());
    chosen.SetParentOverviews(!defaults.GetParentOverviews());
    chosen.SetIncludeAlreadySent(!defaults.GetIncludeAlreadySent());
    chosen.SetListUnbooked(!defaults.GetListUnbooked());
    chosen.SetTeacherBreaks(!defaults.GetTeacherBreaks());
    std::string messages;
    auto read = ReadBack(EventFileWriter(*schedule).FormatEventFile(), &messages);
    ASSERT_TRUE(read) << messages;
    EXPECT_EQ(messages, "");
    const PrintSettings& back = read->GetEvent()->GetPrintSettings();
    EXPECT_EQ(back.GetTeachers(), chosen.GetTeachers());
    EXPECT_EQ(back.GetParents(), chosen.GetParents());
    EXPECT_EQ(back.GetPupils(), chosen.GetPupils());
    EXPECT_EQ(back.GetTeacherOverviews(), chosen.GetTeacherOverviews());
    EXPECT_EQ(back.GetParentOverviews(), chosen.GetParentOverviews());
    EXPECT_FALSE(back.GetIncludeAlreadySent());
    EXPECT_EQ(back.GetListUnbooked(), chosen.GetListUnbooked());
    EXPECT_EQ(back.GetTeacherBreaks(), chosen.GetTeacherBreaks());
}

// Before, the writer stopped a text at its first NUL: two names that differed only after it
// were saved as one name twice, and the file would not open again.
TEST(EventFileRoundTrip, TextsWithControlBytesAreWrittenWholeAndReadBackWithoutThem) {
    auto schedule = GenerateSchool(7, 3, 2, 300);
    Event& event = *schedule->GetEvent();
    event.GetTeachers().Get(0)->SetName(std::string("Ann\0 Lee", 8));
    event.GetTeachers().Get(1)->SetName(std::string("Ann\0 Ray\x01", 9));
    event.GetParents().Get(0)->SetNotes(std::string("call\0 first\x1B\nthen \x7Fwrite", 24));
    event.GetPrintSettings().SetTeacherNotes(std::string("a\0b\tc", 5));

    const std::string text = EventFileWriter(*schedule).FormatEventFile();
    EXPECT_NE(text.find(std::string("\"Ann\0 Lee\"", 10)), std::string::npos);
    EXPECT_NE(text.find(std::string("\"Ann\0 Ray\x01\"", 11)), std::string::npos);
    std::string messages;
    auto read = ReadBack(text, &messages);
    ASSERT_TRUE(read) << messages;
    const Event& back = *read->GetEvent();
    EXPECT_NE(back.GetTeachers().FindByNameOrInitials("Ann Lee"), nullptr);
    EXPECT_NE(back.GetTeachers().FindByNameOrInitials("Ann Ray"), nullptr);
    EXPECT_EQ(
        back.GetParents().FindByKey(event.GetParents().Get(0)->GetUniqueIdOrName())->GetNotes(),
        "call first\nthen write");
    EXPECT_EQ(back.GetPrintSettings().GetTeacherNotes(), "ab\tc");
}

// The texts outside the key tables: names and the texts of presentations and requests.
TEST(EventFileRoundTrip, EveryOtherTextReadsBackAsWrittenWhateverItHolds) {
    using Get = std::string (*)(MultiDaySchedule&);
    using Set = void (*)(MultiDaySchedule&, const std::string&);
    struct Field {
        const char* name;
        Set set;
        Get get;
    };
    static const auto event = [](MultiDaySchedule& s) -> Event& { return *s.GetEvent(); };
    // Found by what the test leaves alone: reading sorts the lists by name.
    static const auto teacher = [](MultiDaySchedule& s) {
        const TeacherList& teachers = event(s).GetTeachers();
        for (unsigned i = 0; i < teachers.Count(); ++i) {
            if (teachers.Get(i)->GetInitials() == "T1") {
                return teachers.Get(i);
            }
        }
        return static_cast<Teacher*>(nullptr);
    };
    static const auto parent = [](MultiDaySchedule& s) {
        return event(s).GetParents().FindByKey("P1");
    };
    static const auto pupil = [](MultiDaySchedule& s) { return parent(s)->GetPupil(0); };
    static const auto talk = [](MultiDaySchedule& s) {
        return event(s).GetPresentations().GetPresentation(0);
    };
    const Field fields[] = {
        {"presentation name",
         [](MultiDaySchedule& s, const std::string& v) {
             // Renamed with the attendees' references, which go by name in the file.
             talk(s)->SetName(v);
         },
         [](MultiDaySchedule& s) { return talk(s)->GetName(); }},
        {"presentation location",
         [](MultiDaySchedule& s, const std::string& v) { talk(s)->SetLocation(v); },
         [](MultiDaySchedule& s) { return talk(s)->GetLocation(); }},
        {"teacher name", [](MultiDaySchedule& s, const std::string& v) { teacher(s)->SetName(v); },
         [](MultiDaySchedule& s) { return teacher(s)->GetName(); }},
        {"parent name", [](MultiDaySchedule& s, const std::string& v) { parent(s)->SetName(v); },
         [](MultiDaySchedule& s) { return parent(s)->GetName(); }},
        {"pupil name", [](MultiDaySchedule& s, const std::string& v) { pupil(s)->SetName(v); },
         [](MultiDaySchedule& s) { return pupil(s)->GetName(); }},
        {"request subject",
         [](MultiDaySchedule& s, const std::string& v) {
             AppointmentRequest* request = pupil(s)->GetRequest(0);
             request->SetSubject(v);
             request->GetTeacher()->AddSubject(v);
         },
         [](MultiDaySchedule& s) { return pupil(s)->GetRequest(0)->GetSubject(); }},
        {"taught-by subject",
         [](MultiDaySchedule& s, const std::string& v) {
             Pupil* taught = pupil(s);
             Teacher* tutor = taught->GetTaughtByTeacher(0);
             tutor->AddSubject(v);
             taught->AddTaughtBy(tutor, v);
         },
         [](MultiDaySchedule& s) { return pupil(s)->GetTaughtBySubject(1); }},
    };
    const char* const values[] = {
        "\nsmtp.school.example a@b.example",
        "smtp.school.example a@b.example\n",
        " \t a@b.example\r\n",
        "say \"hi\" to a@b.example \\",
        "tab\tinside a@b.example\\",
        // Split so that the 'e' does not run on into the hex escape before it.
        ("M\xC3\xBCller a@b.example \xE2\x80\x93 Gr\xC3\xBC\xC3\x9F"
         "e"),
        "\\\"a@b.example\"\\",
    };
    for (const Field& field : fields) {
        for (const char* value : values) {
            SCOPED_TRACE(std::string(field.name) + ": '" + value + "'");
            auto schedule = GenerateSchool(5, 3, 2, 300);
            field.set(*schedule, value);
            // A renamed person moves in the sorted lists, as the reader will sort them.
            schedule->GetEvent()->GetTeachers().Sort();
            schedule->GetEvent()->GetParents().Sort();
            std::string expected = field.get(*schedule);
            const std::string first = EventFileWriter(*schedule).FormatEventFile();
            std::string messages;
            auto read = ReadBack(first, &messages);
            ASSERT_TRUE(read) << messages << first;
            EXPECT_EQ(messages, "");
            const std::string name = field.name;
            const bool trimmed =
                name == "teacher name" || name == "parent name" || name == "pupil name";
            // People trim their names.
            if (trimmed) {
                const char* blanks = " \t\r\n";
                expected.erase(expected.find_last_not_of(blanks) + 1);
                expected.erase(0, expected.find_first_not_of(blanks));
            }
            EXPECT_EQ(field.get(*read), expected);
            const std::string second = EventFileWriter(*read).FormatEventFile();
            EXPECT_EQ(DecodedTimes(second), DecodedTimes(first));
        }
    }
}

namespace {

const char* const kAwkwardValues[] = {
    "\nsmtp.school.example a@b.example",
    "a@b.example\n",
    " \t a@b.example\r\n",
    "say \"hi\" to a@b.example \\",
    "tab\tinside a@b.example\\",
    "M\xC3\xBCller a@b.example \xE2\x80\x93",
};

Teacher* TeacherOne(MultiDaySchedule& s) {
    const TeacherList& teachers = s.GetEvent()->GetTeachers();
    for (unsigned i = 0; i < teachers.Count(); ++i) {
        if (teachers.Get(i)->GetName().rfind("Teacher 1 ", 0) == 0) {
            return teachers.Get(i);
        }
    }
    return nullptr;
}

Parent* ParentOne(MultiDaySchedule& s) {
    const ParentList& parents = s.GetEvent()->GetParents();
    for (unsigned i = 0; i < parents.Count(); ++i) {
        if (parents.Get(i)->GetName() == "Parent 1") {
            return parents.Get(i);
        }
    }
    return nullptr;
}

// Every key of a section's table with every awkward value: written, read, written again.
template <typename Target>
void CheckEveryKey(std::span<const TextKey<Target>> keys, Target& (*target)(MultiDaySchedule&),
                   void (*apply)(MultiDaySchedule&, const Target&)) {
    for (const TextKey<Target>& key : keys) {
        for (const char* value : kAwkwardValues) {
            SCOPED_TRACE(std::string(key.key) + ": '" + value + "'");
            auto schedule = GenerateSchool(5, 3, 2, 300);
            Target& changed = target(*schedule);
            key.set(changed, value);
            apply(*schedule, changed);
            std::string expected = key.get(target(*schedule));
            if (key.form == TextForm::Trimmed) {
                expected.erase(expected.find_last_not_of(" \t\r\n") + 1);
                expected.erase(0, expected.find_first_not_of(" \t\r\n"));
            }
            const std::string first = EventFileWriter(*schedule).FormatEventFile();
            std::string messages;
            auto read = ReadBack(first, &messages);
            ASSERT_TRUE(read) << messages;
            EXPECT_EQ(key.get(target(*read)), expected);
            EXPECT_EQ(DecodedTimes(EventFileWriter(*read).FormatEventFile()), DecodedTimes(first));
        }
    }
}

}  // namespace

TEST(EventFileRoundTrip, EveryKeyOfEveryTableReadsBackAsWritten) {
    CheckEveryKey<Event>(
        EventTextKeys(), [](MultiDaySchedule& s) -> Event& { return *s.GetEvent(); },
        [](MultiDaySchedule&, const Event&) {});
    CheckEveryKey<EmailServerSettings>(
        ServerTextKeys(),
        // The event hands out copies of its mail settings: changed in one, then set back.
        [](MultiDaySchedule& s) -> EmailServerSettings& {
            static EmailServerSettings settings;
            settings = s.GetEvent()->GetEmailServerSettings();
            return settings;
        },
        [](MultiDaySchedule& s, const EmailServerSettings& settings) {
            s.GetEvent()->SetEmailServerSettings(settings);
        });
    CheckEveryKey<Teacher>(
        TeacherTextKeys(), [](MultiDaySchedule& s) -> Teacher& { return *TeacherOne(s); },
        [](MultiDaySchedule&, const Teacher&) {});
    CheckEveryKey<Parent>(
        ParentTextKeys(), [](MultiDaySchedule& s) -> Parent& { return *ParentOne(s); },
        [](MultiDaySchedule&, const Parent&) {});
    CheckEveryKey<Pupil>(
        PupilTextKeys(), [](MultiDaySchedule& s) -> Pupil& { return *ParentOne(s)->GetPupil(0); },
        [](MultiDaySchedule&, const Pupil&) {});
}

// A parents' waiting time of 0 books them back to back, but the mode the school chose is its
// own: saved and reopened, then the waiting time given back, the evening leaves the gaps it did.
TEST(EventFileRoundTrip, AWaitingTimeOfNoneKeepsTheChosenGapModeInTheFile) {
    struct Case {
        const char* name;
        ParentGapMode chosen;
        int waitingMinutes;
        const char* flag;  // the mode's line, "" for none
    };
    const Case cases[] = {
        {"try to leave gaps, no waiting", TryParentGaps, 0, ""},
        {"always leave gaps, no waiting", EnforceParentGaps, 0, "EnforceParentGaps"},
        {"gaps on a new room, no waiting", GapOnLocationChange, 0, "GapOnLocationChange"},
        {"no gaps chosen", AdjacentParentAppointments, 0, "AdjacentParentAppointments"},
        {"always leave gaps, 20 minutes", EnforceParentGaps, 20, "EnforceParentGaps"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto schedule = GenerateSchool(5, 4, 6, 300);
        Event& event = *schedule->GetEvent();
        event.SetParentGapMode(c.chosen);
        event.GetParents().SetGapMode(c.chosen);
        ASSERT_TRUE(event.SetParentWaitingTime(c.waitingMinutes));
        const std::string text = EventFileWriter(*schedule).FormatEventFile();
        for (const char* flag :
             {"EnforceParentGaps", "AdjacentParentAppointments", "GapOnLocationChange"}) {
            EXPECT_EQ(text.find(std::string("\n") + flag + "\n") != std::string::npos,
                      std::string(flag) == c.flag)
                << flag;
        }

        std::string messages;
        auto read = ReadBack(text, &messages);
        ASSERT_TRUE(read) << messages;
        Event& back = *read->GetEvent();
        EXPECT_EQ(back.GetChosenParentGapMode(), c.chosen);
        EXPECT_EQ(back.GetParentGapMode(), event.GetParentGapMode());
        for (unsigned i = 0; i < back.GetParents().Count(); ++i) {
            EXPECT_EQ(back.GetParents().Get(i)->GetGapMode(), c.chosen) << i;
        }
        ASSERT_TRUE(back.SetParentWaitingTime(20));
        EXPECT_EQ(back.GetParentGapMode(), c.chosen);
    }
}

// The empty subject gives a teacher the appointment box for talks about nothing in particular;
// a file without subject lines gives it, and beside named subjects the file must keep it.
TEST(EventFileRoundTrip, ATeachersSubjectsReadBackAsTheyWere) {
    using Subjects = std::set<std::string>;
    const Subjects cases[] = {
        {""}, {"Maths"}, {"", "Maths"}, {"", "Art", "Maths"}, {"Art", "Maths"},
    };
    for (const Subjects& subjects : cases) {
        std::string shown;
        for (const std::string& subject : subjects) {
            shown += "'" + subject + "' ";
        }
        SCOPED_TRACE(shown);
        auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
        ASSERT_TRUE(schedule->GetDay(0)->SetDate(Date(10, 3, 2026)));
        auto teacher = std::make_unique<Teacher>("Mr A");
        teacher->ResetAttendanceAllDays(schedule.get());
        for (const std::string& subject : subjects) {
            teacher->AddSubject(subject);
        }
        ASSERT_TRUE(schedule->AddTeacher(std::move(teacher)));
        const std::string first = EventFileWriter(*schedule).FormatEventFile();
        std::string messages;
        auto read = ReadBack(first, &messages);
        ASSERT_TRUE(read) << messages << first;
        ASSERT_EQ(read->GetEvent()->GetTeachers().Count(), 1u);
        EXPECT_EQ(read->GetEvent()->GetTeachers().Get(0)->GetSubjects(), subjects);
        EXPECT_EQ(DecodedTimes(EventFileWriter(*read).FormatEventFile()), DecodedTimes(first));
    }
}

TEST(EventFileRoundTrip, LastYearsTeacherWithoutSubjectLinesStillOpensWithTheEmptyOne) {
    const std::string text =
        "Event:\nName \"Evening\"\nStarts 4:00pm\nEnds 7:00pm\nDay \"10\"\nMonth \"3\"\n"
        "Year \"2026\"\n\nTeachers:\n\"Mr A\"\n\n\"Mrs B\"\nsubject \"Maths\"\n\nParents:\n";
    std::string messages;
    auto read = ReadBack(text, &messages);
    ASSERT_TRUE(read) << messages;
    const TeacherList& teachers = read->GetEvent()->GetTeachers();
    ASSERT_EQ(teachers.Count(), 2u);
    EXPECT_EQ(teachers.FindByNameOrInitials("Mr A")->GetSubjects(), std::set<std::string>{""});
    EXPECT_EQ(teachers.FindByNameOrInitials("Mrs B")->GetSubjects(),
              std::set<std::string>{"Maths"});
}
