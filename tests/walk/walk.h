#pragma once

#include <wx/dialog.h>
#include <wx/modalhook.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "comms/email_fixture.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/main/command_context.h"
#include "gui/main/frame_commands.h"
#include "gui/main/qm_controller_wx.h"
#include "gui/main/schedule_views.h"
#include "gui/support/recording_sink.h"
#include "support/timetable_account.h"
#include "walk/walk_account.h"

// The seeded walk through a school's year: from a seed it builds a school, then takes steps
// through the roads a user and a script take (the window's commands and editors, the
// controller's files, the script functions) and after each step checks the program's promises:
//   1. saved and opened again, the event is the same (text, bookings, talks, breaks,
//      attendance, sent marks);
//   2. an untouched OK changes nothing; an edit and the edit that puts it back give back what
//      the school set (bookings aside where a rule rebuilds them);
//   3. on a locked event no step changes a booking;
//   4. a step on one day leaves every other day as it was;
//   5. nobody is doubled on any road, a list or copy of what the event holds adds nobody, and
//      nobody a list brings is turned away unless truly held already;
//   6. every booking is one the reader keeps; nothing is unbooked without a message naming it;
//   7. whoever is marked sent has the timetable they were sent, and each message went once.
// Step n of a seed draws everything it does from (seed, n) and the event as it finds it, so a
// walk replays exactly and a failing walk can be shrunk by leaving steps out.

// A promise the walk saw broken: its number, what broke in words that stay the same for every
// walk that meets the same fault, and what was seen.
struct Breach {
    int promise = 0;
    std::string what;
    std::string detail;
};

// What a step did, as the promises need to know it.
struct StepReport {
    // The step's name in the table, and what it did.
    std::string step;
    std::string text;
    // Why the step may have broken a promise, as far as the step can tell (an import that
    // doubled a child: whose family, which list): added to the breach's words.
    std::string hint;
    // Nothing to do here (nobody to pick, a command the menu does not offer); the promises are
    // judged all the same.
    bool skipped = false;
    // What may change nothing at all ("an untouched OK", "merging an unchanged copy"); empty
    // for a step that may.
    std::string changesNothing;
    // An edit and the edit that puts it back: only these parts, and anything of the dates of
    // days taken away in between, may differ afterwards.
    bool putBack = false;
    std::set<Topic> putBackMayChange;
    std::set<std::string> putBackDatesGone;
    // An OK the dialog refused (its message said why); an untouched one is itself a fault.
    bool refused = false;
    // The step is one the lock refuses with its message.
    bool lockRefuses = false;
    // The date of the one day the step acts on ("" for a step on the whole event).
    std::string date;
    // The user asked for bookings to go (a deletion), or for them to be made afresh (Rebook All,
    // the optimiser, a timing change that rebuilds): they may go unnamed.
    bool mayUnbook = false;
    // The user asked to leave a talk or delete someone: places at talks may go unnamed.
    bool mayDropTalks = false;
    // What must keep every booking where it was ("Book unbooked requests"); empty for a step
    // that may move them.
    std::string keepsBookings;
    // Someone was renamed: the account names them anew, so bookings are compared by their times.
    bool renames = false;
    // New dates for the event's days (old to new, as the account writes them): each day's data
    // goes with it, so what was held is compared on its new date.
    std::map<std::string, std::string> movedDates;
    // Taking the lock away: the one step that may change a locked event's bookings.
    bool unlocks = false;
    // Imports and merges: what the step brought, as pupils "name|form" that must be in the
    // event afterwards, and how many pupils and families the event must then hold.
    std::vector<std::string> mustHold;
    std::optional<unsigned> pupilsAfter;
    std::optional<unsigned> familiesAfter;
    std::optional<unsigned> teachersAfter;
    // What a merge brings comes whole: each entry of the account must hold this text.
    std::vector<std::pair<std::string, std::string>> mustContain;
    // An e-mail run of this kind (EmailTextKind; -1 for none), and whether it passes over
    // those already sent.
    int sentKind = -1;
    bool skipsSent = true;
    // Messages a run failed to send; a run says so in one message.
    int failedMessages = 0;
};

// Answers the program's questions and file choices as the step says; Yes and the step's file by
// default.
class WalkPrompts : public PromptService {
public:
    WalkPrompts() : scope_(this) {}
    int ShowMessage(wxWindow*, const wxString& message, const wxString&, long style) override;
    bool ChooseFile(wxWindow*, const FileRequest& request, FileChoice* choice) override;

    std::function<bool(const std::string& question)> answer;
    std::string file;
    std::vector<std::string> asked;

private:
    ScopedPromptService scope_;
};

// Plays the dialogs a step opens, in order; a dialog nobody planned is closed with Cancel (a
// report or progress window with its own end).
class DialogPlayer : public wxModalDialogHook {
public:
    DialogPlayer() { Register(); }
    ~DialogPlayer() override { Unregister(); }
    template <typename Dialog>
    void Then(std::function<int(Dialog&)> play) {
        plays_.push_back([play](wxDialog* dialog) -> std::optional<int> {
            auto* typed = dynamic_cast<Dialog*>(dialog);
            if (typed == nullptr) {
                return std::nullopt;
            }
            return play(*typed);
        });
    }
    void Clear() { plays_.clear(); }
    std::vector<std::string> unplanned;

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog*) override {}

private:
    std::deque<std::function<std::optional<int>(wxDialog*)>> plays_;
};

// What commands act on: whatever the step picked.
class WalkSelection : public Selection {
public:
    Person* GetSelectedObject() const override;
    Teacher* GetSelectedTeacher() const override { return teacher; }
    Parent* GetSelectedParent() const override { return parent; }
    Pupil* GetSelectedPupil() const override { return pupil; }
    Presentation* GetSelectedPresentation() const override { return talk; }
    std::string GetSelectedGroupName() const override { return group; }
    void Clear() { *this = WalkSelection(); }

    Teacher* teacher = nullptr;
    Parent* parent = nullptr;
    Pupil* pupil = nullptr;
    Presentation* talk = nullptr;
    std::string group;
};

class Walk {
public:
    // The school the seed draws, opened from a file in folder.
    Walk(unsigned seed, wxWindow* window, const std::string& folder);
    ~Walk();

    // What to do about a breach of a fault known and being mended: fail as any other, note it
    // and go on from the event as the step left it, or note it and end the walk there (a fault
    // whose leavings, a child twice or bookings lost, would break every later comparison).
    enum class Known { No, GoOn, EndHere };
    // Takes the numbered steps in order until a promise breaks; the lines say what each did.
    // Breaches that known accepts are noted in passed.
    std::optional<Breach> Take(const std::vector<int>& steps, std::vector<std::string>* lines,
                               const std::function<Known(const Breach&)>& known = nullptr,
                               std::vector<Breach>* passed = nullptr);
    const std::string& SchoolText() const { return school_; }

    // --- what the steps use ---
    // The number of the step under way; names made in a step carry it, so none comes twice.
    int stepNumber = 0;
    std::mt19937 rng;
    QMControllerWX controller;
    WalkSelection selection;
    WalkPrompts prompts;
    DialogPlayer dialogs;
    RecordingSink sink;
    Outbox outbox;
    std::string folder;
    wxWindow* window;
    // How the school's own records name the people the office renamed here: lists exported
    // from them still carry those names.
    std::map<std::string, std::string> exportedNames;
    std::string ExportedName(const std::string& name) const;
    void NoteRename(const std::string& from, const std::string& to);

    MultiDaySchedule& Days() const { return *controller.GetSchedule(); }
    Event& TheEvent() const { return *controller.GetEvent(); }
    CommandContext Context();
    // Runs the command as its menu does when the menu offers it; false when it does not.
    bool Command(CommandId id);
    int Draw(int below);  // 0 .. below-1; 0 for nothing to draw from
    bool Chance(int percent) { return Draw(100) < percent; }
    Teacher* AnyTeacher();
    Parent* AnyParent();
    Pupil* AnyPupil();
    Presentation* AnyTalk();
    int AnyDay();
    std::string DateOfDay(int day) const;
    std::string NewFile(const std::string& name);
    // Everything the step said, one line each.
    std::string Said() const;

private:
    struct Seen;
    Seen Look();
    std::vector<Breach> Judge(const Seen& before, const Seen& after, const StepReport& step);
    std::vector<Breach> ReadBackSame(const Seen& now);
    std::optional<Breach> SentAsMarked(const Seen& before, const Seen& after,
                                       const StepReport& step);

    unsigned seed_;
    std::string school_;
    int files_ = 0;
    // The timetable each person marked with results was sent, by the tests' account.
    std::map<const Person*, std::string> sentTimetables_;
};

// The steps a walk takes, each a named function of the walk; a seed draws them by weight.
struct Step {
    const char* name;
    int weight;
    void (*take)(Walk& walk, StepReport& report);
};
const std::vector<Step>& WalkSteps();
// Those that bring people in or send something out (imports, merges, e-mail, scripts).
const std::vector<Step>& RoadSteps();

// The seed's school: its event file's text (an example, an empty event or a generated school of
// one to three days with namesakes, off-slot talks, late and early people, breaks, absences).
std::string BuildSchool(unsigned seed, const std::string& folder, std::string* description);

// Writes the bytes to path, replacing what was there.
void WriteWholeFile(const std::string& path, const std::string& bytes);

// How many steps a walk takes.
inline constexpr int kWalkSteps = 40;
