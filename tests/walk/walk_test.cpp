#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <numeric>
#include <set>
#include <sstream>

#include "gui/support/gui_test.h"
#include "walk/walk.h"

namespace {

std::vector<int> AllSteps() {
    std::vector<int> steps(kWalkSteps);
    std::iota(steps.begin(), steps.end(), 0);
    return steps;
}

std::vector<int> ParseSteps(const std::string& text) {
    std::vector<int> steps;
    std::istringstream in(text);
    for (std::string number; std::getline(in, number, ',');) {
        steps.push_back(std::atoi(number.c_str()));
    }
    return steps;
}

std::string JoinSteps(const std::vector<int>& steps) {
    std::string text;
    for (int step : steps) {
        text += (text.empty() ? "" : ",") + std::to_string(step);
    }
    return text;
}

// A fault the walk found: the seed and steps that meet it, the promise it breaks and how. Open
// ones name the issue under which they are being mended; their rows are skipped until the mend
// lands, then the skip goes and the row guards the mend.
struct Finding {
    const char* name;
    unsigned seed;
    const char* steps;
    int promise;  // 0: whichever promise the words come under
    const char* what;
    const char* openUnder;
    // What the fault leaves behind (a child twice, bookings lost) breaks every later
    // comparison: a walk that meets it while it is open ends there.
    bool endsTheWalk = false;
};

[[maybe_unused]] constexpr const char* kIssue66 = "issue 66";
constexpr const char* kFoundByTheWalk = "found by the walk";
// Found again by other seeds after the mend of its first instance.
[[maybe_unused]] constexpr const char* kStillOpen = "still open";
// A mended fault: its row guards the mend.
constexpr const char* kMended = nullptr;

const Finding kFindings[] = {
    // An editor's OK drops a talk of someone there for the whole of it (off the slot starts),
    // untouched, on any person and any day; a timing tried and put back grows the breaks and
    // the scoring limits; a locked family marked absent loses its bookings on reopening; moved
    // dates rebook everyone; a parents' waiting time of 0 saves "adjacent" for good.
    {"AnUntouchedOKDropsATalk", 84, "0", 2, "an untouched OK changes the talks", kMended},
    {"AnUntouchedOKDropsATalkUnsaid", 84, "0", 6,
     "a place at a talk is dropped without a message naming it (untouched OK)", kMended},
    {"ARenameDropsATalkUnsaid", 205, "0", 6,
     "a place at a talk is dropped without a message naming it (rename", kMended},
    {"AnEditPutBackDropsATalk", 216, "2", 2, "an edit put back leaves the talks changed", kMended},
    {"AnEditOnOneDayDropsATalkOnAnother", 128, "3", 4,
     "a step on one day changes another day's talks", kMended},
    {"BreaksGrowWhenATimingIsTriedAndPutBack", 6, "7", 2,
     "an edit put back leaves the breaks changed", kMended},
    {"BreaksAndLimitsGrowWhenASlotLengthIsTriedAndPutBack", 3, "0", 2,
     "an edit put back leaves the settings, breaks changed", kMended},
    {"ALockedAbsentFamilyReopensWithoutItsBookings", 157, "1,9", 3,
     "a locked event reopens without bookings it holds", kMended, true},
    {"NewDatesRebookEveryone", 14, "6", 6, "a timing change that takes no slot away", kMended},
    {"NewDatesOnTheExampleSchoolRebookEveryone", 26, "2", 6,
     "a timing change that takes no slot away", kMended},
    {"DatesMovedAndBackLeaveSomeoneUnbooked", 159, "2,4", 6,
     "a booking is dropped without a message naming it (timing and back) (dates)", kMended},
    {"DatesMovedAndBackRebookEveryone", 2459, "31", 2,
     "an edit put back leaves the bookings changed", kMended},
    {"NoParentWaitSavesAdjacentGapsForGood", 8, "7", 2,
     "an edit put back leaves the settings changed", kMended},
    // A namesake in another form is turned away; a merged copy with a corrected address doubles
    // the family; a family renamed here arrives again with the next list; namesake children
    // copied into one family; a merged late family comes without its talk and taught-by list.
    {"ANamesakeInAnotherFormIsTurnedAway", 221, "1", 5, "a child the list brings is turned away",
     kMended},
    {"AMergedCopyWithACorrectedAddressDoublesTheFamily", 65, "9", 5,
     "(a copy with an address corrected)", kMended, true},
    {"AFamilyRenamedHereArrivesAgainWithTheNextList", 167, "0,2", 5, "(a family renamed here)",
     kMended, true},
    {"AListPutsANamesakeInTheOtherFamily", 50, "5", 5, "a child is in the event twice (namesakes)",
     kMended, true},
    {"ANumberedLineJoinedToANamesakesPutsItsChildInTheOtherFamily", 13, "9", 5,
     "a child is in the event twice (namesakes)", kMended, true},
    {"ANamesakeBesideAFamilyNamedForNobodyIsTurnedAway", 27, "0,6,8", 5,
     "a child the list brings is turned away", kMended},
    {"AListBringsANamesakeFamilysChildAgain", 1777, "8,20", 5,
     "the families are not those held and those brought (namesakes)", kMended, true},
    {"AMergedFamilyComesWithoutItsTalkOrTaughtBy", 20, "5", 5,
     "a merge brings a family without all the copy gives it", kMended},
    // The sent marks are not kept in the file; a failing run shows a box per failure; a
    // pupil's results carry the bare words NOTES and UNBOOKED.
    {"SentMarksAreLostOnReopening", 2, "5", 1, "saved and opened again, the sent marks differ",
     kMended},
    {"SentMarksAreLostBySavingAndOpeningAgain", 2, "5,30", 2,
     "saving and opening again changes the sent marks", kMended},
    {"AFailingRunShowsABoxPerFailure", 161, "0,3,9", 7,
     "a run that fails tells each failure in a box of its own", kMended},
    {"APupilsResultsCarryBareWords", 22, "13,27", 7,
     "a message carries a word of its text unfilled", kMended},
    // Found by the walk, beside the instances above.
    {"EveryoneToATalkUnbooksUnsaid", 28, "2", 6,
     "a booking is dropped without a message naming it (talk for all)", kMended},
    {"ChoosingATalkUnbooksUnsaid", 3, "6", 6,
     "a booking is dropped without a message naming it (talk", kMended},
    {"ChoosingATalkUnbooksUnsaidOnSlotsOfAQuarter", 5, "2", 6,
     "a booking is dropped without a message naming it (talk)", kMended},
    {"QmAttendpresUnbooksUnsaid", 235, "3", 6,
     "a booking is dropped without a message naming it (script)", kMended},
    {"ABreakForEveryoneUnbooksUnsaid", 16, "0", 6,
     "a booking is dropped without a message naming it (add break)", kMended},
    {"NewHoursDropATalkUnsaid", 120, "2", 6,
     "a place at a talk is dropped without a message naming it (attendance", kMended},
    {"AParentsOKOnALockedEventSaysItCannotUnbook", 48, "3,5", 2, "an untouched OK reports an error",
     kMended},
    {"ATeachersSubjectsAreNotThoseTheFileKeeps", 1, "2", 0, "a teacher's subjects", kMended},
    {"ReopeningPutsRenamedAndImportedPeopleInAnotherOrder", 11, "11", 1,
     "saved and opened again, the people come in another order", kMended},
    {"AListWithoutNumbersBringsNumberedFamiliesAgain", 32, "6", 5,
     "(a numbered family, a list without numbers)", kMended, true},
    // The bookings it leaves behind go at the next OK after the lock is removed.
    {"AnAbsentFamilysLockedBookingsOutliveTheLock", 21, "0,25,36", 6,
     "the reader refuses bookings the program made", kMended},
    {"AListWithoutParentsBringsHeldChildrenAgain", 3, "22", 5, "(a list without parents)",
     kMended, true},
    {"HoursThatMakeASpeakerAbsentKeepTheirTalkTillTheNextOK", 7298, "20,24", 2,
     "an untouched OK changes the talks", kMended},
    // The absent family's bookings that outlived the lock, unbooked by the next editor's OK on
    // anyone.
    {"AnAbsentFamilysBookingsThatOutliveTheLockGoAtTheNextOK", 21, "0,25,36,37", 2,
     "an untouched OK changes the bookings", kMended},
    // Breaks a timing tried and put back still moved: two breaks that met one longer slot came
    // back as one run, and a break in a last, partial slot went to the slot its time fell in.
    {"TwoBreaksInOneLongerSlotComeBackAsOneRun", 1885, "6,10", 2,
     "an edit put back leaves the breaks changed", kMended},
    {"ABreakInTheLastPartialSlotMovesWithAStartTriedAndPutBack", 2675, "10,15,18,29,38", 2,
     "an edit put back leaves the breaks changed", kMended},
    {"ABreakAfterAnEarlierEndIsOffTheSlotsWhenTheEndIsPutBack", 12164, "2,6,7,12,34,38", 2,
     "an edit put back leaves the breaks changed", kMended},
    // A list without addresses naming a namesake family by the name it had before the office
    // renamed it gives the other family its child; a child that a line without a parent took
    // from a numbered family comes again on the line with its number.
    {"AListGivesTheChildOfAFamilyRenamedHereToItsNamesake", 12205, "7,12,15", 5,
     "a child is in the event twice (a family renamed here)", kMended, true},
    {"ANumberedLineBringsAChildALineWithoutParentsTook", 12619, "10", 5,
     "a child is in the event twice (a list without parents)", kMended, true},
    // Open: a list with addresses naming the family by the name it had before the office renamed
    // it still gives its child to the namesake family too.
    {"AListWithAddressesGivesARenamedFamilysChildToItsNamesake", 30004, "3,21,26", 5,
     "a child is in the event twice (a family renamed here)", kFoundByTheWalk, true},
};

// The row whose fault the breach is: the same promise, broken in words that hold the row's.
const Finding* KnownFinding(const Breach& breach) {
    for (const Finding& finding : kFindings) {
        if ((finding.promise == 0 || finding.promise == breach.promise) &&
            breach.what.find(finding.what) != std::string::npos) {
            return &finding;
        }
    }
    return nullptr;
}

struct WalkRun {
    std::optional<Breach> breach;
    std::vector<std::string> lines;
    std::string school;
    std::vector<Breach> passed;
};

// What `make walk` tells at its end: how many walks, how long, and which known faults they met.
class WalkSummary : public ::testing::Environment {
public:
    void TearDown() override {
        if (walks == 0) {
            return;
        }
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        std::printf("Walked %d seeds in %lld s; %d broke a promise not yet known.\n", walks,
                    static_cast<long long>(seconds), failed);
        for (const auto& [what, seeds] : known) {
            std::printf("  known, passed over in %zu walks (seed %u first): %s\n", seeds.size(),
                        *seeds.begin(), what.c_str());
        }
    }
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    int walks = 0;
    int failed = 0;
    std::map<std::string, std::set<unsigned>> known;
};

WalkSummary* const g_summary =
    static_cast<WalkSummary*>(::testing::AddGlobalTestEnvironment(new WalkSummary));

class SeededWalk : public GuiTest {
protected:
    // Passes over the faults the table holds as open, so that one walk meets more than the
    // first of them.
    static Walk::Known PassOverOpen(const Breach& breach) {
        const Finding* known = KnownFinding(breach);
        if (known == nullptr || known->openUnder == nullptr) {
            return Walk::Known::No;
        }
        return known->endsTheWalk ? Walk::Known::EndHere : Walk::Known::GoOn;
    }

    WalkRun Run(unsigned seed, const std::vector<int>& steps) {
        const std::string folder = folder_.Path() + "/walk-" + std::to_string(++runs_);
        std::filesystem::create_directories(folder);
        WalkRun run;
        {
            Walk walk(seed, TopWindow(), folder);
            run.school = walk.SchoolText();
            run.breach = walk.Take(steps, &run.lines, known_, &run.passed);
        }
        std::filesystem::remove_all(folder);
        ProcessPending();
        return run;
    }

    static bool Same(const std::optional<Breach>& a, const Breach& b) {
        return a && a->promise == b.promise && a->what == b.what;
    }

    // The fewest of the steps taken that still break the same promise the same way, trying for
    // a bounded time: halves, quarters, ... left out while the walk still fails.
    std::vector<int> Shrink(unsigned seed, std::vector<int> steps, const Breach& breach) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        for (size_t chunk = steps.size() / 2; chunk >= 1;) {
            bool shorter = false;
            for (size_t start = 0; start < steps.size();) {
                if (std::chrono::steady_clock::now() > until) {
                    return steps;
                }
                std::vector<int> fewer = steps;
                fewer.erase(
                    fewer.begin() + static_cast<long>(start),
                    fewer.begin() + static_cast<long>(std::min(steps.size(), start + chunk)));
                const WalkRun run = Run(seed, fewer);
                if (!fewer.empty() && Same(run.breach, breach)) {
                    fewer.resize(run.lines.size());
                    steps = fewer;
                    shorter = true;
                } else {
                    start += chunk;
                }
            }
            if (!shorter) {
                chunk /= 2;
            }
        }
        return steps;
    }

    // The walk of the seed keeps every promise; a failure shows the seed, the fewest steps that
    // still fail and the command that replays them.
    void ExpectHolds(unsigned seed, std::vector<int> steps, bool shrink = true) {
        const WalkRun run = Run(seed, steps);
        ++g_summary->walks;
        for (const Breach& breach : run.passed) {
            const Finding* known = KnownFinding(breach);
            // FIND passes over whatever it does not seek, a mended row's fault too.
            const char* under = known == nullptr          ? "passed over"
                                : known->openUnder != nullptr ? known->openUnder
                                                              : "mended, yet met again";
            g_summary->known[under + std::string(": ") + breach.what].insert(seed);
        }
        if (!run.breach) {
            return;
        }
        ++g_summary->failed;
        std::vector<int> taken(steps.begin(), steps.begin() + static_cast<long>(std::min(
                                                                  steps.size(), run.lines.size())));
        WalkRun shown = run;
        if (shrink && taken.size() > 1) {
            taken = Shrink(seed, taken, *run.breach);
            shown = Run(seed, taken);
            if (!Same(shown.breach, *run.breach)) {
                shown = run;
            }
        }
        const Breach& breach = shown.breach ? *shown.breach : *run.breach;
        std::ostringstream message;
        message << "Seed " << seed << " (" << shown.school << "): promise " << breach.promise
                << " broken: " << breach.what;
        if (const Finding* known = KnownFinding(breach); known && known->openUnder) {
            message << " [known: " << known->name << ", open under " << known->openUnder << "]";
        }
        message << "\n  " << breach.detail << "\nSteps:\n";
        for (const std::string& line : shown.lines) {
            message << "  " << line << "\n";
        }
        message << "Replay: make walk SEED=" << seed << " STEPS=" << JoinSteps(taken);
        ADD_FAILURE() << message.str();
    }

    // `make walk`: open faults passed over unless STRICT=1; FIND=words fails (and shrinks) only
    // the walks whose breach says them, so that a known fault gets a short replay of its own.
    void FollowTheEnvironment() {
        const char* strict = std::getenv("QM_WALK_STRICT");
        const char* find = std::getenv("QM_WALK_FIND");
        if (strict != nullptr && *strict != '\0' && *strict != '0') {
            return;
        }
        if (find != nullptr && *find != '\0') {
            const std::string words = find;
            known_ = [words](const Breach& breach) {
                return breach.what.find(words) != std::string::npos ? Walk::Known::No
                                                                    : Walk::Known::GoOn;
            };
            return;
        }
        PassOverOpenBut(nullptr);
    }

    // Passes over the open faults of the table, but for the one a row is about.
    void PassOverOpenBut(const std::function<bool(const Breach&)>& sought) {
        known_ = [sought](const Breach& breach) {
            return sought && sought(breach) ? Walk::Known::No : PassOverOpen(breach);
        };
    }

    int runs_ = 0;
    // Strict unless set: every breach fails.
    std::function<Walk::Known(const Breach&)> known_;
};

// The walks `make test` takes, a test each: the example, empty events and generated schools of
// one to three days on every slot length. The faults the table holds as open are noted and
// passed over; any other breach fails.
class FixedSeeds : public SeededWalk, public ::testing::WithParamInterface<unsigned> {};

TEST_P(FixedSeeds, KeepEveryPromise) {
    PassOverOpenBut(nullptr);
    ExpectHolds(GetParam(), AllSteps());
}

INSTANTIATE_TEST_SUITE_P(Walk, FixedSeeds,
                         ::testing::Values(1u, 2u, 3u, 5u, 6u, 7u, 9u, 13u, 16u, 21u, 24u, 26u, 27u,
                                           28u, 29u, 30u),
                         [](const ::testing::TestParamInfo<unsigned>& info) {
                             return std::to_string(info.param);
                         });

// `make walk SEED=n [STEPS=a,b,c]`: one walk again, exactly as it went.
TEST_F(SeededWalk, Replay) {
    const char* seed = std::getenv("QM_WALK_SEED");
    if (seed == nullptr || *seed == '\0') {
        GTEST_SKIP() << "QM_WALK_SEED names the walk to replay";
    }
    const char* steps = std::getenv("QM_WALK_STEPS");
    FollowTheEnvironment();
    const unsigned number = static_cast<unsigned>(std::strtoul(seed, nullptr, 10));
    const std::vector<int> taken = steps && *steps ? ParseSteps(steps) : AllSteps();
    // The walk as it went, failing or not.
    const WalkRun run = Run(number, taken);
    std::printf("Seed %u (%s):\n", number, run.school.c_str());
    for (const std::string& line : run.lines) {
        std::printf("  %s\n", line.c_str());
    }
    ExpectHolds(number, taken, false);
}

// `make walk SEEDS=n [FIRST=s]`: n walks, each a test of its own.
class ManySeeds : public SeededWalk, public ::testing::WithParamInterface<unsigned> {};

TEST_P(ManySeeds, KeepEveryPromise) {
    FollowTheEnvironment();
    ExpectHolds(GetParam(), AllSteps());
}

std::vector<unsigned> SeedsFromEnvironment() {
    const char* count = std::getenv("QM_WALK_SEEDS");
    const char* first = std::getenv("QM_WALK_FIRST");
    const unsigned from = first && *first ? static_cast<unsigned>(std::atoi(first)) : 1000;
    std::vector<unsigned> seeds(count ? static_cast<size_t>(std::max(0, std::atoi(count))) : 0);
    std::iota(seeds.begin(), seeds.end(), from);
    return seeds;
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ManySeeds);
INSTANTIATE_TEST_SUITE_P(Walk, ManySeeds, ::testing::ValuesIn(SeedsFromEnvironment()),
                         [](const ::testing::TestParamInfo<unsigned>& info) {
                             return std::to_string(info.param);
                         });

// Each fault the walk found, by its seed and steps: it keeps the promise once mended.
class Findings : public SeededWalk, public ::testing::WithParamInterface<Finding> {};

TEST_P(Findings, KeepThePromiseTheyBroke) {
    const Finding& finding = GetParam();
    // gtest holds a copy of the row: rows are told apart by their names.
    const auto isThisRow = [&finding](const Breach& breach) {
        const Finding* known = KnownFinding(breach);
        return known != nullptr && std::string(known->name) == finding.name;
    };
    // Other open faults the same steps meet are passed over: each row judges its own.
    PassOverOpenBut(isThisRow);
    if (finding.openUnder != nullptr) {
        const WalkRun run = Run(finding.seed, ParseSteps(finding.steps));
        GTEST_SKIP() << finding.openUnder << ": " << finding.what
                     << (!run.breach ? " (the walk holds now: the skip can go)"
                         : !isThisRow(*run.breach)
                             ? " (it breaks another way now: " + run.breach->what + ")"
                             : "");
    }
    ExpectHolds(finding.seed, ParseSteps(finding.steps), false);
}

INSTANTIATE_TEST_SUITE_P(Walk, Findings, ::testing::ValuesIn(kFindings),
                         [](const ::testing::TestParamInfo<Finding>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
