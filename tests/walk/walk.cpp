#include "walk/walk.h"

#include <wx/app.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/event_file_writer.h"
#include "app/optimise_session.h"
#include "app/read_back.h"
#include "comms/wx/email_progress_dlg.h"
#include "foundation/files.h"
#include "gui/dialogs/optimise_dlg.h"
#include "gui/dialogs/report_dlg.h"
#include "import/wx/import_progress_dlg.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

namespace {

unsigned Mix(unsigned seed, int step) {
    std::seed_seq mixed{seed, static_cast<unsigned>(step), 0x51ed27u};
    unsigned out = 0;
    mixed.generate(&out, &out + 1);
    return out;
}

// The parts among the keys, in the account's order, as words.
std::string TopicsOf(const std::vector<std::string>& keys) {
    std::set<Topic> topics;
    for (const std::string& key : keys) {
        topics.insert(TopicOf(key));
    }
    std::string words;
    for (Topic topic : topics) {
        words += (words.empty() ? "" : ", ") + std::string(TopicName(topic));
    }
    return words;
}

std::string WithoutSubjects(const EventAccount& account, const std::string& key) {
    const auto found = account.find(key);
    if (found == account.end()) {
        return "(none)";
    }
    const std::string& value = found->second;
    const size_t from = value.find(" subjects");
    return from == std::string::npos ? value
                                     : value.substr(0, from) + value.substr(value.find(" <", from));
}

// Differences as a school tells them apart, each with its words: the sent marks, a teacher's
// subjects alone (the file keeps no empty subject beside another), and the rest by their parts.
std::vector<std::pair<std::string, std::vector<std::string>>> KindsOf(
    const std::vector<std::string>& keys, const EventAccount& before, const EventAccount& after,
    bool marksFollowTimetables = false) {
    std::vector<std::string> marks;
    std::vector<std::string> subjects;
    std::vector<std::string> rest;
    for (const std::string& key : keys) {
        if (TopicOf(key) == Topic::Mark) {
            marks.push_back(key);
        } else if (TopicOf(key) == Topic::Person &&
                   WithoutSubjects(before, key) == WithoutSubjects(after, key)) {
            subjects.push_back(key);
        } else {
            rest.push_back(key);
        }
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> kinds;
    if (!rest.empty()) {
        kinds.emplace_back("the " + TopicsOf(rest), rest);
    }
    // A step that changed timetables clears the marks of those whose timetable it changed
    // (docs/decisions.md, "Sent marks follow the timetable"): they go with the rest.
    const bool timetables = std::any_of(rest.begin(), rest.end(), [](const std::string& key) {
        const Topic topic = TopicOf(key);
        return topic == Topic::Booking || topic == Topic::Talk || topic == Topic::Breaks ||
               topic == Topic::Request;
    });
    if (!marks.empty() && !(marksFollowTimetables && timetables)) {
        kinds.emplace_back("the sent marks", marks);
    }
    if (!subjects.empty()) {
        kinds.emplace_back("a teacher's subjects", subjects);
    }
    return kinds;
}

std::vector<std::string> Only(const std::vector<std::string>& keys,
                              const std::function<bool(const std::string&)>& keep) {
    std::vector<std::string> kept;
    std::copy_if(keys.begin(), keys.end(), std::back_inserter(kept), keep);
    return kept;
}

// The request a booking entry is for: "Parent/Pupil sees Teacher (Subject)".
std::string RequestOfBooking(const std::string& key) {
    return key.substr(key.find("/book/") + 6);
}

bool HasWord(const std::string& text, const std::string& word) {
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const bool before = at == 0 || !std::isalnum(static_cast<unsigned char>(text[at - 1]));
        const size_t end = at + word.size();
        const bool after =
            end == text.size() || !std::isalnum(static_cast<unsigned char>(text[end]));
        if (before && after) {
            return true;
        }
    }
    return false;
}

}  // namespace

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

int WalkPrompts::ShowMessage(wxWindow*, const wxString& message, const wxString&, long style) {
    if (!(style & (wxYES_NO | wxCANCEL))) {
        return wxID_OK;
    }
    const std::string question = message.utf8_string();
    asked.push_back(question);
    const bool yes = !answer || answer(question);
    return yes ? wxID_YES : (style & wxCANCEL) ? wxID_CANCEL : wxID_NO;
}

bool WalkPrompts::ChooseFile(wxWindow*, const FileRequest&, FileChoice* choice) {
    if (file.empty()) {
        return false;
    }
    choice->path = wxString::FromUTF8(file);
    choice->filterIndex = 0;
    return true;
}

int DialogPlayer::Enter(wxDialog* dialog) {
    if (!plays_.empty()) {
        auto play = std::move(plays_.front());
        plays_.pop_front();
        if (const std::optional<int> answer = play(dialog)) {
            return *answer;
        }
    }
    // What runs to its own end in the window runs to it here.
    if (dynamic_cast<ReportDlg*>(dialog) != nullptr) {
        return wxID_OK;
    }
    if (auto* optimise = dynamic_cast<OptimiseDlg*>(dialog)) {
        wxIdleEvent idle;
        for (int i = 0; i < 100000 && optimise->GetSession().GetPasses() < 1 &&
                        !optimise->GetSession().IsFinished();
             ++i) {
            optimise->OnIdle(idle);
        }
        return wxID_CANCEL;
    }
    unplanned.push_back(dialog->GetTitle().utf8_string());
    return wxID_CANCEL;
}

Person* WalkSelection::GetSelectedObject() const {
    if (pupil != nullptr) {
        return pupil;
    }
    if (parent != nullptr) {
        return parent;
    }
    return teacher;
}

// What the walk looks at before and after each step.
struct Walk::Seen {
    EventAccount account;
    std::string text;
    TimetableAccount timetables;
    bool locked = false;
    unsigned families = 0;
    unsigned pupils = 0;
    unsigned teachers = 0;
};

std::string Walk::ExportedName(const std::string& name) const {
    const auto found = exportedNames.find(name);
    return found == exportedNames.end() ? name : found->second;
}

void Walk::NoteRename(const std::string& from, const std::string& to) {
    const std::string exported = ExportedName(from);
    exportedNames.erase(from);
    if (exported != to) {
        exportedNames[to] = exported;
    }
}

Walk::Walk(unsigned seed, wxWindow* parent, const std::string& folderPath)
    : folder(folderPath), window(parent), seed_(seed) {
    controller.Initialise();
    controller.SetClientFactory(std::make_unique<FakeSMTPFactory>(&outbox));
    // A short optimiser: three candidates a pass.
    controller.GetUserSettings().Set("evolvernumkids", "3");
    std::string description;
    const std::string text = BuildSchool(seed, folder, &description);
    school_ = description;
    const std::string path = NewFile("school.qmv");
    WriteWholeFile(path, text);
    if (!controller.OpenEventFile(path.c_str())) {
        school_ += " (did not open: " + Said() + ")";
    }
    sink.entries.clear();
}

Walk::~Walk() {
    dialogs.Clear();
    controller.CloseEvent();
}

CommandContext Walk::Context() {
    return {.controller = controller, .selection = selection, .parent = window};
}

bool Walk::Command(CommandId id) {
    const ::Command* command = FindCommand(id);
    if (command == nullptr || !command->run ||
        !IsCommandAllowed(command->needs, ComputeFrameState(controller))) {
        return false;
    }
    {
        const QMController::ChangeScope change(controller);
        command->run(Context());
    }
    for (int round = 0; round < 3; ++round) {
        wxTheApp->ProcessPendingEvents();
    }
    return true;
}

int Walk::Draw(int below) {
    return below <= 0 ? 0 : static_cast<int>(rng() % static_cast<unsigned>(below));
}

Teacher* Walk::AnyTeacher() {
    const TeacherList& teachers = TheEvent().GetTeachers();
    return teachers.Count() == 0 ? nullptr : teachers.Get(Draw(teachers.Count()));
}

Parent* Walk::AnyParent() {
    const ParentList& parents = TheEvent().GetParents();
    return parents.Count() == 0 ? nullptr : parents.Get(Draw(parents.Count()));
}

Pupil* Walk::AnyPupil() {
    Parent* parent = AnyParent();
    return parent == nullptr || parent->GetPupilCount() == 0
               ? nullptr
               : parent->GetPupil(Draw(parent->GetPupilCount()));
}

Presentation* Walk::AnyTalk() {
    const PresentationList& talks = TheEvent().GetPresentations();
    return talks.Count() == 0 ? nullptr : talks.GetPresentation(Draw(talks.Count()));
}

int Walk::AnyDay() {
    return Draw(Days().GetDayCount());
}

std::string Walk::DateOfDay(int day) const {
    return Days().GetDay(day)->GetDate().FormatISO();
}

std::string Walk::NewFile(const std::string& name) {
    return folder + "/" + std::to_string(++files_) + "-" + name;
}

std::string Walk::Said() const {
    std::string said;
    for (const RecordingSink::Entry& entry : sink.entries) {
        said += entry.text + "\n";
        for (const std::string& detail : entry.details) {
            said += detail + "\n";
        }
    }
    return said;
}

Walk::Seen Walk::Look() {
    Seen seen;
    MultiDaySchedule* days = controller.GetSchedule();
    if (days == nullptr || !days->GetEvent()) {
        return seen;
    }
    seen.account = AccountEvent(*days);
    seen.text = controller.FormatEventText();
    seen.timetables = AccountTimetables(*days);
    seen.locked = days->GetEvent()->IsLocked();
    const ParentList& parents = days->GetEvent()->GetParents();
    seen.families = parents.Count();
    seen.teachers = days->GetEvent()->GetTeachers().Count();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        seen.pupils += parents.Get(p)->GetPupilCount();
    }
    return seen;
}

std::optional<Breach> Walk::Take(const std::vector<int>& steps, std::vector<std::string>* lines,
                                 const std::function<Known(const Breach&)>& known,
                                 std::vector<Breach>* passed) {
    Seen before = Look();
    if (before.text.empty()) {
        return Breach{1, "the school does not open", school_ + "\n" + Said()};
    }
    if (const std::vector<Breach> breaches = ReadBackSame(before); !breaches.empty()) {
        lines->push_back("(the school as built)");
        return breaches.front();
    }
    const std::vector<Step>& table = WalkSteps();
    int total = 0;
    for (const Step& step : table) {
        total += step.weight;
    }
    for (int n : steps) {
        stepNumber = n;
        rng.seed(Mix(seed_, n));
        std::srand(Mix(seed_, n) ^ 0x2545f491u);
        int draw = Draw(total);
        const Step* step = &table.front();
        for (const Step& each : table) {
            if (draw < each.weight) {
                step = &each;
                break;
            }
            draw -= each.weight;
        }
        StepReport report;
        sink.entries.clear();
        outbox.sent.clear();
        outbox.refused.clear();
        dialogs.Clear();
        dialogs.unplanned.clear();
        prompts.answer = nullptr;
        prompts.file.clear();
        prompts.asked.clear();
        selection.Clear();
        report.step = step->name;
        step->take(*this, report);
        dialogs.Clear();
        lines->push_back(std::to_string(n) + " " + step->name + ": " + report.text);
        Seen after = Look();
        if (after.text.empty()) {
            return Breach{1, "the event is gone", Said()};
        }
        // The first breach no known fault explains fails the walk; known ones are noted.
        bool ends = false;
        for (Breach& breach : Judge(before, after, report)) {
            breach.detail += "\n  the step said: " + (Said().empty() ? "nothing\n" : Said());
            const Known fault = known ? known(breach) : Known::No;
            if (fault == Known::No) {
                return breach;
            }
            if (lines->back().find(breach.what) == std::string::npos) {
                lines->back() += " [known: " + breach.what + "]";
            }
            if (passed != nullptr) {
                passed->push_back(breach);
            }
            ends = ends || fault == Known::EndHere;
        }
        if (ends) {
            return std::nullopt;
        }
        before = std::move(after);
    }
    return std::nullopt;
}

std::vector<Breach> Walk::ReadBackSame(const Seen& now) {
    std::string messages;
    const std::unique_ptr<MultiDaySchedule> back = ReadBack(now.text, &messages);
    if (!back) {
        return {{1, "the saved event does not open", messages}};
    }
    std::string again;
    {
        FixedTimeEncoding fixed;
        again = EventFileWriter(*back).FormatEventFile();
    }
    const EventAccount reread = AccountEvent(*back);
    const std::vector<std::string> keys = DifferingKeys(now.account, reread);
    const std::vector<std::string> bookings =
        Only(keys, [](const std::string& key) { return TopicOf(key) == Topic::Booking; });
    const std::string shown =
        DescribeDifferences(now.account, reread, keys) + "\n  the reader said: " + messages;
    if (!bookings.empty() && now.locked) {
        return {{3, "a locked event reopens without bookings it holds", shown}};
    }
    if (!bookings.empty()) {
        return {{6, "the reader refuses bookings the program made", shown}};
    }
    std::vector<Breach> found;
    for (const auto& [words, some] : KindsOf(keys, now.account, reread)) {
        found.push_back(
            {1, "saved and opened again, " + words + " differ",
             DescribeDifferences(now.account, reread, some) + "\n  the reader said: " + messages});
    }
    if (!found.empty()) {
        return found;
    }
    if (again != now.text) {
        size_t line = 0;
        size_t at = 0;
        while (at < again.size() && at < now.text.size() && again[at] == now.text[at]) {
            line += again[at++] == '\n' ? 1 : 0;
        }
        const auto lineAt = [&](const std::string& text) {
            const size_t begin =
                text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
            return text.substr(begin, text.find('\n', at) - begin);
        };
        const auto sortedLines = [](const std::string& text) {
            std::vector<std::string> lines;
            std::istringstream in(text);
            for (std::string each; std::getline(in, each);) {
                lines.push_back(each);
            }
            std::sort(lines.begin(), lines.end());
            return lines;
        };
        const bool reordered = sortedLines(again) == sortedLines(now.text);
        return {{1,
                 reordered ? "saved and opened again, the people come in another order"
                           : "saved and opened again, the file text differs",
                 "line " + std::to_string(line + 1) + ": '" + lineAt(now.text) + "' -> '" +
                     lineAt(again) + "'"}};
    }
    return {};
}

std::vector<Breach> Walk::Judge(const Seen& seenBefore, const Seen& after,
                                 const StepReport& step) {
    // Moved days carry their data to their new dates, where it is looked for.
    std::optional<Seen> moved;
    if (!step.movedDates.empty()) {
        moved = seenBefore;
        moved->account.clear();
        for (const auto& [key, value] : seenBefore.account) {
            const auto to = step.movedDates.find(DateOf(key));
            moved->account[to == step.movedDates.end() ? key
                                                       : "day/" + to->second + key.substr(14)] =
                value;
        }
    }
    const Seen& before = moved ? *moved : seenBefore;
    // Every promise is judged, so that a step that breaks two shows both.
    std::vector<Breach> found;
    const auto judge = [&found](const std::optional<Breach>& breach) {
        if (breach) {
            found.push_back(*breach);
        }
    };
    const std::vector<std::string> changed = DifferingKeys(before.account, after.account);
    const auto show = [&](const std::vector<std::string>& keys) {
        return DescribeDifferences(before.account, after.account, keys);
    };
    const auto isBooking = [](const std::string& key) { return TopicOf(key) == Topic::Booking; };
    std::vector<std::string> rebooked = Only(changed, isBooking);
    // Renamed, people keep their bookings under new names: the times of each day must be the
    // same.
    if (step.renames) {
        const auto times = [](const EventAccount& account) {
            std::multiset<std::string> when;
            for (const auto& [key, value] : account) {
                if (TopicOf(key) == Topic::Booking) {
                    when.insert(DateOf(key) + " " + value);
                }
            }
            return when;
        };
        if (times(before.account) == times(after.account)) {
            rebooked.clear();
        }
    }
    // 5. Nobody doubled; what a list or a copy brings is there, and nobody else.
    judge([&]() -> std::optional<Breach> {
        const auto childrenNamed = [](const EventAccount& account) {
            std::map<std::string, int> named;
            for (const auto& [key, value] : account) {
                if (TopicOf(key) == Topic::Person && value.rfind("form '", 0) == 0) {
                    ++named[key.substr(key.rfind('/') + 1) + " of " +
                            key.substr(7, key.rfind('/') - 7)];
                }
            }
            return named;
        };
        std::string cameOrWent;
        {
            const std::map<std::string, int> was = childrenNamed(before.account);
            const std::map<std::string, int> is = childrenNamed(after.account);
            const auto count = [](const std::map<std::string, int>& named,
                                  const std::string& child) {
                const auto found = named.find(child);
                return found == named.end() ? 0 : found->second;
            };
            for (const auto& [child, n] : is) {
                if (n > count(was, child)) {
                    cameOrWent += "\n    came: " + child;
                }
            }
            for (const auto& [child, n] : was) {
                if (n > count(is, child)) {
                    cameOrWent += "\n    went: " + child;
                }
            }
        }
        const auto childrenOf = [](const EventAccount& account) {
            std::map<std::string, int> children;
            for (const auto& [key, value] : account) {
                if (TopicOf(key) != Topic::Person || value.rfind("form '", 0) != 0) {
                    continue;
                }
                // "person/<family>/<child>": a family told apart by its address is the same family.
                std::string family = key.substr(7, key.rfind('/') - 7);
                family = family.substr(0, family.find(" ("));
                std::string child = key.substr(key.rfind('/') + 1);
                child = child.substr(0, child.find(" #"));
                const std::string form = value.substr(6, value.find('\'', 6) - 6);
                ++children[family + "|" + child + "|" + form];
                // Two children of one name in one family are one child twice, whatever their forms.
                ++children[key.substr(7, key.rfind('/') - 7) + "|" + child + "|(any form)"];
            }
            return children;
        };
        const std::map<std::string, int> children = childrenOf(after.account);
        // Doubled by this step: a double passed over earlier stays in the event.
        const std::map<std::string, int> childrenBefore = childrenOf(before.account);
        for (const auto& [child, count] : children) {
            const auto was = childrenBefore.find(child);
            if (count > 1 && (was == childrenBefore.end() || was->second < count)) {
                return Breach{5, std::string("a child is in the event twice") + step.hint, child};
            }
        }
        for (const std::string& child : step.mustHold) {
            const bool held = std::any_of(children.begin(), children.end(), [&](const auto& entry) {
                return entry.first.substr(entry.first.find('|') + 1) == child;
            });
            if (!held) {
                return Breach{5, std::string("a child the list brings is turned away") + step.hint,
                              child};
            }
        }
        if (step.familiesAfter && after.families != *step.familiesAfter) {
            return Breach{
                5, std::string("the families are not those held and those brought") + step.hint,
                std::to_string(before.families) + " families, then " +
                    std::to_string(after.families) + "; expected " +
                    std::to_string(*step.familiesAfter) + cameOrWent};
        }
        if (step.teachersAfter && after.teachers != *step.teachersAfter) {
            return Breach{
                5, std::string("the teachers are not those held and those brought") + step.hint,
                std::to_string(before.teachers) + " teachers, then " +
                    std::to_string(after.teachers) + "; expected " +
                    std::to_string(*step.teachersAfter)};
        }
        for (const auto& [key, part] : step.mustContain) {
            const auto found = after.account.find(key);
            if (found == after.account.end() || found->second.find(part) == std::string::npos) {
                return Breach{5, "a merge brings a family without all the copy gives it",
                              key + " should hold '" + part + "'" + show({key})};
            }
        }
        if (step.pupilsAfter && after.pupils != *step.pupilsAfter) {
            return Breach{
                5, std::string("the children are not those held and those brought") + step.hint,
                std::to_string(before.pupils) + " children, then " + std::to_string(after.pupils) +
                    "; expected " + std::to_string(*step.pupilsAfter) + cameOrWent};
        }
        return std::nullopt;
    }());
    // People of one name twice cannot be told apart by their names, which the account goes by:
    // a step that doubled someone is judged by that alone.
    if (!found.empty()) {
        return found;
    }
    // 3. A locked event keeps its bookings.
    judge([&]() -> std::optional<Breach> {
        if (before.locked && after.locked && !step.unlocks && !rebooked.empty()) {
            return Breach{3, "a step on a locked event changes its bookings", show(rebooked)};
        }
        return std::nullopt;
    }());
    // 2. An untouched OK changes nothing; an edit put back gives back what was set.
    judge([&]() -> std::optional<Breach> {
        if (!step.changesNothing.empty() && step.refused) {
            return Breach{2, step.changesNothing + " is refused", ""};
        }
        if (!step.changesNothing.empty()) {
            for (const RecordingSink::Entry& entry : sink.entries) {
                if (entry.severity == SeverityError &&
                    !(step.lockRefuses &&
                      entry.text.find("because the schedule is locked") != std::string::npos)) {
                    return Breach{2, step.changesNothing + " reports an error", entry.text};
                }
            }
        }
        return std::nullopt;
    }());
    if (!step.changesNothing.empty()) {
        for (const auto& [words, some] : KindsOf(changed, before.account, after.account, true)) {
            found.push_back({2, step.changesNothing + " changes " + words, show(some)});
        }
    }
    if (step.putBack) {
        const std::vector<std::string> kept = Only(changed, [&](const std::string& key) {
            return step.putBackMayChange.count(TopicOf(key)) == 0 &&
                   step.putBackDatesGone.count(DateOf(key)) == 0;
        });
        for (const auto& [words, some] : KindsOf(kept, before.account, after.account, true)) {
            found.push_back({2, "an edit put back leaves " + words + " changed", show(some)});
        }
    }
    // 4. A step on one day leaves the others alone.
    judge([&]() -> std::optional<Breach> {
        if (!step.date.empty()) {
            const std::vector<std::string> elsewhere = Only(changed, [&](const std::string& key) {
                const std::string date = DateOf(key);
                return !date.empty() && date != step.date;
            });
            if (!elsewhere.empty()) {
                return Breach{4, "a step on one day changes another day's " + TopicsOf(elsewhere),
                              show(elsewhere)};
            }
        }
        return std::nullopt;
    }());
    // 6. What was booked and is still asked for stays booked, or a message names it.
    judge([&]() -> std::optional<Breach> {
        for (const std::string& key : rebooked) {
            if (before.account.count(key) == 0) {
                continue;
            }
            const std::string request = RequestOfBooking(key);
            const bool stillAsked = after.account.count("request/" + request) != 0;
            const bool bookedAnywhere =
                std::any_of(after.account.begin(), after.account.end(), [&](const auto& entry) {
                    return TopicOf(entry.first) == Topic::Booking &&
                           RequestOfBooking(entry.first) == request;
                });
            if (!step.keepsBookings.empty() && stillAsked) {
                return Breach{6, step.keepsBookings + " moves or drops a booking", show({key})};
            }
            if (!stillAsked || bookedAnywhere || step.mayUnbook) {
                continue;
            }
            const std::string pupil = request.substr(
                request.find('/') + 1, request.find(" sees ") - request.find('/') - 1);
            const std::string said = Said();
            if (said.find(pupil) == std::string::npos) {
                return Breach{6,
                              "a booking is dropped without a message naming it (" + step.step +
                                  ")" + step.hint,
                              show({key})};
            }
        }
        return std::nullopt;
    }());
    // A place at a talk that still runs goes only when asked, or with a message naming it.
    judge([&]() -> std::optional<Breach> {
        for (const std::string& key : changed) {
            if (TopicOf(key) != Topic::Talk || after.account.count(key) == 0 ||
                before.account.count(key) == 0 || step.mayDropTalks) {
                continue;
            }
            const std::string& was = before.account.at(key);
            const std::string& is = after.account.at(key);
            for (const auto& [person, value] : before.account) {
                if (TopicOf(person) != Topic::Person || after.account.count(person) == 0) {
                    continue;
                }
                const std::string name = person.substr(7);
                // Every place the name is met: "Mrs Clark" may come after "Mr and Mrs Clarke";
                // "Alex Smith" is not "Alex Smith (2 Low Road)", a namesake told apart.
                const auto attends = [&](const std::string& text) {
                    for (size_t at = text.find(" " + name); at != std::string::npos;
                         at = text.find(" " + name, at + 1)) {
                        const size_t end = at + name.size() + 1;
                        if (end == text.size() ||
                            (text[end] == ' ' && text.compare(end, 2, " (") != 0)) {
                            return true;
                        }
                    }
                    return false;
                };
                if (attends(was) && !attends(is) && Said().find(name) == std::string::npos) {
                    return Breach{6,
                                  "a place at a talk is dropped without a message naming it (" +
                                      step.step + ")",
                                  name + show({key})};
                }
            }
        }
        return std::nullopt;
    }());
    // 1. Saved and opened again, the same.
    for (const Breach& breach : ReadBackSame(after)) {
        found.push_back(breach);
    }
    judge(SentAsMarked(before, after, step));
    return found;
}

std::optional<Breach> Walk::SentAsMarked(const Seen& before, const Seen& after,
                                         const StepReport& step) {
    // Each recipient by address, when one person alone has it.
    std::map<std::string, const Person*> byAddress;
    std::set<std::string> shared;
    for (Person* person : EveryPerson(TheEvent())) {
        if (!person->GetEmail().empty() && !byAddress.emplace(person->GetEmail(), person).second) {
            shared.insert(person->GetEmail());
        }
    }
    std::map<std::string, int> mailed;
    for (const UCSMTPEmail& mail : outbox.sent) {
        for (const char* word : {"NAME", "NOTES", "SCHEDULE", "UNBOOKED", "LINK"}) {
            if (HasWord(mail.text, word)) {
                return Breach{
                    7, "a message carries a word of its text unfilled",
                    std::string(word) + " in the message to " + mail.GetTo().front()->address};
            }
        }
        for (const auto& to : mail.GetTo()) {
            ++mailed[to->address];
        }
    }
    for (const auto& [address, count] : mailed) {
        if (count > static_cast<int>(Days().GetDayCount())) {
            return Breach{7, "a message goes twice in one run", address};
        }
        const auto person = byAddress.find(address);
        if (person == byAddress.end() || shared.count(address) != 0) {
            continue;
        }
        const auto was = before.account.find("mark/" + PersonKey(*person->second));
        if (step.sentKind >= 0 && step.skipsSent && was != before.account.end() &&
            was->second[static_cast<size_t>(step.sentKind)] != '-') {
            return Breach{7, "someone marked sent is mailed again", address};
        }
    }
    if (step.failedMessages > 1) {
        int errors = 0;
        for (const RecordingSink::Entry& entry : sink.entries) {
            errors += entry.severity == SeverityError ? 1 : 0;
        }
        if (errors > 1) {
            return Breach{7, "a run that fails tells each failure in a box of its own",
                          std::to_string(errors) + " errors for " +
                              std::to_string(step.failedMessages) + " failed messages"};
        }
    }
    // Whoever stays marked has the timetable the results told them, whatever order the lists
    // that tell it now keep.
    const auto sorted = [](const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    for (auto it = sentTimetables_.begin(); it != sentTimetables_.end();) {
        const auto now = after.timetables.find(it->first);
        if (now == after.timetables.end() || !it->first->GetEmailSent(EmailResults)) {
            it = sentTimetables_.erase(it);
            continue;
        }
        if (sorted(now->second) != sorted(it->second)) {
            std::string lines;
            const auto differ = [&lines](const std::string& a, const std::string& b,
                                         const char* sign) {
                std::istringstream in(a);
                for (std::string line; std::getline(in, line);) {
                    if (b.find(line) == std::string::npos) {
                        lines += std::string("\n    ") + sign + line;
                    }
                }
            };
            differ(it->second, now->second, "sent: ");
            differ(now->second, it->second, "now: ");
            return Breach{7, "someone marked sent no longer has the timetable they were sent",
                          PersonKey(*it->first) + lines};
        }
        ++it;
    }
    for (const auto& [person, timetable] : after.timetables) {
        if (step.sentKind == EmailResults && person->GetEmailSent(EmailResults) &&
            mailed.count(person->GetEmail()) != 0) {
            sentTimetables_[person] = timetable;
        }
    }
    return std::nullopt;
}
