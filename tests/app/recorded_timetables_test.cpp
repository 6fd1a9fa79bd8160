// Book All, Rebook All, booking the unbooked, the score and the optimiser on the example school and
// on generated schools give the timetables, scores and runs recorded in tests/app/recorded/: a
// change that makes them faster must leave every booking, every counter and every step of a
// seeded run as it was.
//
// The record holds a digest of each case (timetables.txt) and the whole text of the small ones
// (timetables-readable.txt), where a difference can be found line by line. Record again only for
// a change meant to alter the results, and say so in its commit:
//   QM_RECORD_TIMETABLES=1 build/tests/app_tests --gtest_filter='RecordedTimetables.Record'
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/read_back.h"
#include "foundation/md5.h"
#include "foundation/string_functions.h"
#include "model/appointment_request.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/optimiser_stats.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "optimiser/evolver.h"
#include "support/generated_schedule.h"
#include "support/school_generator.h"
#include "support/score_switches.h"
#include "support/temp_folder.h"

namespace {

const std::string kRecordFolder = std::string(QM_SOURCE_DIR) + "/tests/app/recorded/";
const std::string kDigestFile = kRecordFolder + "timetables.txt";
const std::string kReadableFile = kRecordFolder + "timetables-readable.txt";

// A school with its timetable, nothing booked but its fixed-time requests.
struct BuiltSchool {
    std::shared_ptr<Event> event;
    std::unique_ptr<MultiDaySchedule> timetable;
};

// Brothers and sisters of other families with the same names, two parents of one name and
// teachers whose names differ by a case or a blank: nothing may be told apart by name.
void MakeNamesakes(Event& event) {
    TeacherList& teachers = event.GetTeachers();
    if (teachers.Count() >= 3) {
        const std::string name = teachers.At(0)->GetName();
        std::string lower = name;
        for (char& c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        teachers.At(1)->SetName(lower);
        teachers.At(2)->SetName(name.substr(0, name.find(' ')) + "  " +
                                name.substr(name.find(' ') + 1));
    }
    const ParentList& parents = event.GetParents();
    unsigned pupilNumber = 0;
    for (unsigned p = 0; p < parents.Count(); ++p) {
        Parent* parent = parents.At(p);
        if (p > 0 && p % 10 == 0) {
            parent->SetName(parents.At(p - 1)->GetName());
        }
        for (unsigned u = 0; u < parent->GetPupilCount(); ++u, ++pupilNumber) {
            if (pupilNumber % 7 == 3 && p + 1 < parents.Count()) {
                parent->GetPupil(u)->SetName(parents.At(p + 1)->GetPupil(0)->GetName());
            }
        }
    }
}

// Appointments of two and three slots: some teachers take two, some requests ask their own.
void MakeLongAppointments(Event& event) {
    const TeacherList& teachers = event.GetTeachers();
    for (unsigned t = 0; t < teachers.Count(); ++t) {
        if (t % 6 == 1) {
            teachers.At(t)->SetApptLength(2);
        }
    }
    unsigned number = 0;
    const ParentList& parents = event.GetParents();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        for (unsigned u = 0; u < parents.At(p)->GetPupilCount(); ++u) {
            const Pupil* pupil = parents.At(p)->GetPupil(u);
            for (unsigned r = 0; r < pupil->GetRequestCount(); ++r, ++number) {
                AppointmentRequest* request = pupil->GetRequest(r);
                if (number % 7 == 0) {
                    request->SetLength(-1);
                } else if (number % 23 == 0) {
                    request->SetLength(3);
                } else if (number % 11 == 0) {
                    request->SetLength(2);
                }
            }
        }
    }
}

struct GeneratedCase {
    SchoolSize size;
    unsigned seed = 1;
    bool namesakes = false;
    bool longAppointments = false;
    ScheduleOptions options;

    GeneratedCase(SchoolSize made, unsigned madeSeed, bool withNamesakes = false,
                  bool withLongAppointments = false)
        : size(std::move(made)),
          seed(madeSeed),
          namesakes(withNamesakes),
          longAppointments(withLongAppointments) {}
};

BuiltSchool Generate(const GeneratedCase& made) {
    GeneratedSchool school = GenerateSchool(made.size, made.seed);
    if (made.namesakes) {
        MakeNamesakes(*school.event);
    }
    if (made.longAppointments) {
        MakeLongAppointments(*school.event);
    }
    school.event->SetOptions(made.options);
    std::srand(made.seed);
    return {school.event, MakeTimetable(school)};
}

BuiltSchool ExampleSchool() {
    std::string messages;
    std::unique_ptr<MultiDaySchedule> timetable =
        ReadBack(ReadWholeFile(std::string(QM_SOURCE_DIR) + "/examples/school.qmv"), &messages);
    if (!timetable) {
        ADD_FAILURE() << "the example school did not read: " << messages;
        return {};
    }
    std::shared_ptr<Event> event = timetable->GetEvent();
    return {event, std::move(timetable)};
}

SchoolSize Sized(const char* name, int teachers, int parents, int pupils, int requests, int days,
                 int presentations) {
    SchoolSize size;
    size.name = name;
    size.teachers = teachers;
    size.parents = parents;
    size.pupils = pupils;
    size.requests = requests;
    size.days = days;
    size.presentations = presentations;
    return size;
}

struct School {
    const char* name;
    std::function<BuiltSchool()> build;
    int kids;         // the optimiser's population
    int generations;  // of the optimiser's run
    bool readable;    // its whole texts are recorded
    ScoreCompareSwitches switches = {};  // in force for the optimiser's run
};

const std::vector<School>& Schools() {
    static const std::vector<School> schools = [] {
        std::vector<School> list;
        list.push_back({"example", ExampleSchool, 6, 12, true});
        GeneratedCase small{SchoolSize::Small(), 21};
        list.push_back({"small", [small] { return Generate(small); }, 6, 12, true});
        GeneratedCase twoDays{TwoDaySmallSchool(), 22, true, true};
        list.push_back({"two-days", [twoDays] { return Generate(twoDays); }, 5, 10, false});
        GeneratedCase threeDays{Sized("three days", 24, 160, 250, 900, 3, 4), 23, true, true};
        threeDays.options.TeacherCountBreaks = true;
        threeDays.options.ParentCountInitGap = true;
        threeDays.options.ParentGapLength = 2;
        list.push_back({"three-days", [threeDays] { return Generate(threeDays); }, 4, 8, false});
        GeneratedCase medium{SchoolSize::Medium(), 24, true};
        list.push_back({"medium", [medium] { return Generate(medium); }, 2, 9, false});
        // More requests than the teachers have slots, and parents who need no gaps.
        GeneratedCase crowded{Sized("crowded", 8, 120, 150, 600, 1, 1), 25, false, true};
        crowded.options.ParentGapLength = 0;
        crowded.options.TeacherCountInitGap = true;
        crowded.options.BringTwinsTogether = false;
        // Judged by the waits alone and then by the time spent, so the fresh starts stall.
        list.push_back(
            {"crowded", [crowded] { return Generate(crowded); }, 3, 10, false, {false, true}});
        return list;
    }();
    return schools;
}

std::string Counters(const Score& score) {
    return StringPrintf("U%u TW%u TO%u PW%u SS%u A%u", score.Unbooked, score.TeacherWaiting,
                        score.TeacherOverBlock, score.ParentWaiting, score.SiblingSeparation,
                        score.Attendance);
}

// Every booking of every day, in day, row and slot order, with who it is for; the parents' gap
// modes (booking gives some up); the event's and each day's score, also under other options.
std::string Describe(const MultiDaySchedule& timetable) {
    Event& event = *timetable.GetEvent();
    struct Where {
        unsigned parent, pupil, request;
    };
    std::map<const AppointmentRequest*, Where> requests;
    std::string modes;
    const ParentList& parents = event.GetParents();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        const Parent* parent = parents.At(p);
        modes += static_cast<char>('0' + parent->GetGapMode());
        for (unsigned u = 0; u < parent->GetPupilCount(); ++u) {
            for (unsigned r = 0; r < parent->GetPupil(u)->GetRequestCount(); ++r) {
                requests.emplace(parent->GetPupil(u)->GetRequest(r), Where{p, u, r});
            }
        }
    }
    std::ostringstream text;
    const TeacherList& teachers = event.GetTeachers();
    for (unsigned d = 0; d < timetable.GetDayCount(); ++d) {
        const Schedule& day = *timetable.GetDay(d);
        const AppointmentGrid& grid = day.GetGrid();
        text << "day " << d << " " << day.GetDate().FormatISO() << ", " << day.GetNumSlots()
             << " slots\n";
        for (unsigned row = 0; row < grid.GetRowCount(); ++row) {
            const Appointment* previous = nullptr;
            for (unsigned slot = 0; slot < grid.GetSlotCount(); ++slot) {
                const Appointment* booking =
                    grid.PeekBooking(static_cast<int>(slot), static_cast<int>(row));
                if (booking == nullptr || booking == previous) {
                    previous = booking;
                    continue;
                }
                previous = booking;
                const AppointmentRequest* request = booking->GetRequest();
                const auto found = requests.find(request);
                text << "  " << day.SlotToTime(static_cast<int>(slot)).Format(Time24h) << " T"
                     << row << " " << (row < teachers.Count() ? teachers.At(row)->GetName() : "")
                     << " | first " << booking->GetFirstSlot()
                     << (booking->IsLocked() ? " locked" : "");
                if (found == requests.end()) {
                    text << " | a request of nobody's\n";
                    continue;
                }
                const Where& where = found->second;
                const Parent* parent = parents.At(where.parent);
                text << " | P" << where.parent << " " << parent->GetName() << " | U" << where.pupil
                     << " " << parent->GetPupil(where.pupil)->GetName() << " | R" << where.request
                     << " " << request->GetSubject() << ", " << request->GetLength()
                     << " slots\n";
            }
        }
        text << "day " << d << " score " << Counters(day.GetScore()) << "\n";
    }
    text << "gap modes " << modes << "\n";
    text << "score " << Counters(timetable.GetScore()) << "\n";
    // The walks read options that the school itself may not set.
    const ScheduleOptions own = event.GetOptions();
    ScheduleOptions counting = own;
    counting.TeacherCountBreaks = !own.TeacherCountBreaks;
    counting.TeacherCountInitGap = !own.TeacherCountInitGap;
    counting.ParentCountInitGap = !own.ParentCountInitGap;
    counting.TeacherGapLength = 1;
    counting.ParentGapLength = 1;
    counting.TeacherBlockLength = 6;
    ScheduleOptions lenient = own;
    lenient.BringTwinsTogether = !own.BringTwinsTogether;
    lenient.TeacherGapLength = 0;
    lenient.TeacherBlockLength = 100;
    lenient.ParentGapLength = 8;
    for (const ScheduleOptions& options : {counting, lenient}) {
        event.SetOptions(options);
        text << "score under other options " << Counters(timetable.GetScore()) << "\n";
    }
    event.SetOptions(own);
    return text.str();
}

std::string Digest(const std::string& text) {
    MD5 md5;
    return md5.HexDigest(text);
}

// One optimiser run, written down after every step: the candidate, the best, the worst and
// candidate 0 so far; at every generation's end the digest of the master's timetable.
std::string Optimise(MultiDaySchedule& master, int kids, int generations, bool sliced) {
    OptimiserStats stats;
    Evolver evolver(&master, kids);
    evolver.SetOptimiserStats(&stats);
    const Evolver::Clock::time_point past = Evolver::Clock::time_point::min();
    bool started = false;
    if (sliced) {
        Evolver::StartState state = Evolver::StartPending;
        while ((state = evolver.StartSome(past)) == Evolver::StartPending) {
        }
        started = state == Evolver::StartDone;
    } else {
        started = evolver.Start();
    }
    std::ostringstream text;
    text << "started " << started << "\n";
    for (int generation = 0; started && generation < generations; ++generation) {
        evolver.NewGeneration();
        bool ended = false;
        while (!ended) {
            const int kid = evolver.GetKidIndex();
            if (sliced) {
                Evolver::StepState state = Evolver::StepPending;
                while ((state = evolver.StepSome(past)) == Evolver::StepPending) {
                }
                ended = state == Evolver::GenerationDone;
            } else {
                ended = evolver.Step();
            }
            text << "g" << evolver.GetGeneration() << " kid " << kid << " phase "
                 << evolver.GetPhase() << " best " << evolver.GetBestIndex() << " "
                 << Counters(evolver.GetBestScore()) << " worst " << evolver.GetWorstIndex()
                 << " " << Counters(evolver.GetWorstScore()) << " kid0 "
                 << Counters(evolver.GetKid0Score()) << " stalls " << evolver.GetStallCount()
                 << "\n";
        }
        text << "master " << Digest(Describe(master)) << "\n";
    }
    text << stats.ToString() << "after " << std::rand() << "\n";
    return text.str();
}

struct Case {
    std::string name;
    std::string text;
    bool readable;
};

// Each case starts from its school built afresh, with rand() seeded, so none depends on another.
std::vector<Case> BookingCases(const School& school) {
    std::vector<Case> cases;
    const std::string name = school.name;
    {
        BuiltSchool built = school.build();
        std::srand(11);
        const bool booked = built.timetable->BookAll(BookRandomThenOrderKey);
        cases.push_back({name + "/book-all-by-order-key",
                         "booked " + std::to_string(booked) + "\n" + Describe(*built.timetable),
                         school.readable});
    }
    {
        // Rebook All: whatever was booked goes, then every request is booked in a random order.
        BuiltSchool built = school.build();
        std::srand(12);
        (void)built.timetable->BookAll(BookRandomThenOrderKey);
        built.event->BlankRequestedTimes();
        built.timetable->ClearBookings();
        const bool booked = built.timetable->BookAll(BookRandom);
        cases.push_back({name + "/rebook-all",
                         "booked " + std::to_string(booked) + "\n" + Describe(*built.timetable),
                         school.readable});
        // Then every fifth family's bookings go, and the unbooked requests are booked again.
        const ParentList& parents = built.event->GetParents();
        for (unsigned p = 0; p < parents.Count(); p += 5) {
            (void)built.timetable->UnbookParent(parents.At(p));
        }
        unsigned unbooked = 0;
        const bool rebooked = built.timetable->BookParents(&parents, &unbooked, BookRandom);
        cases.push_back({name + "/book-the-unbooked",
                         "booked " + std::to_string(rebooked) + " unbooked " +
                             std::to_string(unbooked) + "\n" + Describe(*built.timetable),
                         false});
    }
    return cases;
}

std::string OptimiserRun(const School& school, bool sliced) {
    const ScoreCompareSwitches before = Score::GetCompareSwitches();
    Score::SetCompareSwitches(school.switches);
    BuiltSchool built = school.build();
    std::srand(13);
    (void)built.timetable->BookAll(BookRandomThenOrderKey);
    std::srand(14);
    std::string text = Optimise(*built.timetable, school.kids, school.generations, sliced);
    text += Describe(*built.timetable);
    Score::SetCompareSwitches(before);
    return text;
}

Case OptimiserCase(const School& school) {
    return {std::string(school.name) + "/optimise", OptimiserRun(school, false), school.readable};
}

std::map<std::string, std::string> ReadDigests() {
    std::map<std::string, std::string> digests;
    std::ifstream file(kDigestFile);
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const size_t blank = line.find(' ');
        digests[line.substr(0, blank)] = blank == std::string::npos ? "" : line.substr(blank + 1);
    }
    return digests;
}

// The readable record: each case's text after a line "== <case>".
std::map<std::string, std::string> ReadTexts() {
    std::map<std::string, std::string> texts;
    std::ifstream file(kReadableFile);
    std::string line;
    std::string* current = nullptr;
    while (std::getline(file, line)) {
        if (line.rfind("== ", 0) == 0) {
            current = &texts[line.substr(3)];
        } else if (current != nullptr) {
            *current += line + "\n";
        }
    }
    return texts;
}

// Where two texts part, with the lines around it.
std::string FirstDifference(const std::string& recorded, const std::string& now) {
    std::istringstream a(recorded);
    std::istringstream b(now);
    std::string lineA;
    std::string lineB;
    for (int number = 1;; ++number) {
        const bool moreA = static_cast<bool>(std::getline(a, lineA));
        const bool moreB = static_cast<bool>(std::getline(b, lineB));
        if (!moreA && !moreB) {
            return "no difference";
        }
        if (!moreA || !moreB || lineA != lineB) {
            return "line " + std::to_string(number) + "\n  recorded: " +
                   (moreA ? lineA : "(end)") + "\n  now:      " + (moreB ? lineB : "(end)");
        }
    }
}

void ExpectRecorded(const Case& result) {
    static const std::map<std::string, std::string> digests = ReadDigests();
    static const std::map<std::string, std::string> texts = ReadTexts();
    SCOPED_TRACE(result.name);
    const auto digest = digests.find(result.name);
    ASSERT_NE(digest, digests.end()) << "not recorded; see the top of this file";
    if (Digest(result.text) == digest->second) {
        return;
    }
    const auto text = texts.find(result.name);
    ADD_FAILURE() << "differs from the record"
                  << (text != texts.end() ? ", at " + FirstDifference(text->second, result.text)
                                          : std::string("; its text:\n") + result.text);
}

class RecordedTimetables : public ::testing::Test {
protected:
    RecordedTimetables() { Score::SetCompareSwitches({}); }
    StandaloneScoreSwitches switches_;
    UCStringError quiet_;
};

}  // namespace

TEST_F(RecordedTimetables, BookAllRebookAllAndBookingTheUnbookedGiveTheRecordedTimetables) {
    for (const School& school : Schools()) {
        for (const Case& result : BookingCases(school)) {
            ExpectRecorded(result);
        }
    }
}

TEST_F(RecordedTimetables, TheOptimiserRunsStepForStepAsRecorded) {
    for (const School& school : Schools()) {
        ExpectRecorded(OptimiserCase(school));
    }
}

// The window's run, in pieces of one, is the same run.
TEST_F(RecordedTimetables, ASlicedRunIsTheWholeRun) {
    for (const School& school : Schools()) {
        SCOPED_TRACE(school.name);
        EXPECT_EQ(OptimiserRun(school, true), OptimiserCase(school).text);
    }
}

TEST_F(RecordedTimetables, Record) {
    if (std::getenv("QM_RECORD_TIMETABLES") == nullptr) {
        GTEST_SKIP() << "records only with QM_RECORD_TIMETABLES=1";
    }
    std::vector<Case> all;
    for (const School& school : Schools()) {
        for (Case& result : BookingCases(school)) {
            all.push_back(std::move(result));
        }
        all.push_back(OptimiserCase(school));
    }
    std::filesystem::create_directories(kRecordFolder);
    std::ofstream digests(kDigestFile);
    std::ofstream readable(kReadableFile);
    digests << "# A digest of each case of tests/app/recorded_timetables_test.cpp; see there.\n";
    for (const Case& result : all) {
        digests << result.name << " " << Digest(result.text) << "\n";
        if (result.readable) {
            readable << "== " << result.name << "\n" << result.text;
        }
    }
    EXPECT_TRUE(digests.good() && readable.good());
}
