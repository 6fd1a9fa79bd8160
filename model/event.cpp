#include "model/event.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/builtin_importers.h"
#include "model/family_identity.h"
#include "model/pupil.h"

Event::Event() {
    teacherImporters_.Append(new ImporterTxtTeachers());
    pupilImporters_.Append(new ImporterXMLPupils());
    pupilImporters_.Append(new ImporterTxtPupils());
}

Event::~Event() {
    if (Score::IsOpenEvent(this)) {
        Score::SetOpenEvent(nullptr);
    }
    // People first: their destructors still see the presentations they point at.
    parents_.DeleteAll();
    teachers_.DeleteAll();
    teacherImporters_.DeleteAll();
    pupilImporters_.DeleteAll();
    presentations_.DeleteAll();
}

bool Event::RefuseWhenLocked(const char* action) const {
    if (!locked_) {
        return false;
    }
    ReportMessage(SeverityError,
                  std::string("Cannot ") + action + " because the schedule is locked");
    return true;
}

bool Event::AddTeacher(std::unique_ptr<Teacher> teacher) {
    if (!teacher) {
        return false;
    }
    if (teachers_.FindByNameOrInitials(teacher->GetName()) != nullptr) {
        ReportMessage(SeverityError, "Teacher '" + teacher->GetName() + "' already exists");
        return false;
    }
    const std::string& initials = teacher->GetInitials();
    if (teachers_.FindByNameOrInitials(initials) != nullptr) {
        ReportMessage(SeverityError, "Teacher initials '" + initials +
                                         "' have already been used for a different teacher");
        return false;
    }
    teachers_.Append(teacher.release());
    modified_ = true;
    return true;
}

bool Event::AddParent(std::unique_ptr<Parent> parent) {
    if (!parent) {
        return false;
    }
    std::string key = parent->GetUniqueIdOrName();
    if (parents_.FindByKey(key) != nullptr) {
        ReportMessage(SeverityError, "Parent '" + key + "' already exists");
        return false;
    }
    parents_.Append(parent.release());
    modified_ = true;
    return true;
}

bool Event::DeleteTeacher(Teacher* teacher) {
    int index = teachers_.IndexOf(teacher);
    if (index < 0) {
        return false;
    }
    parents_.RemoveTeacher(teacher);
    delete teachers_.RemoveAt(static_cast<unsigned>(index));
    modified_ = true;
    return true;
}

bool Event::DeleteParent(Parent* parent) {
    int index = parents_.IndexOf(parent);
    if (index < 0) {
        return false;
    }
    delete parents_.RemoveAt(static_cast<unsigned>(index));
    modified_ = true;
    return true;
}

void Event::DeleteParents(const std::vector<Parent*>& parents) {
    // As DeleteParent, only a parent's first place in the list goes.
    std::unordered_set<const Person*> doomed(parents.begin(), parents.end());
    std::vector<Person*> gone;
    PersonList& list = parents_;
    unsigned kept = 0;
    for (unsigned i = 0; i < list.Count(); ++i) {
        Person* person = list.At(i);
        if (doomed.erase(person) > 0) {
            gone.push_back(person);
        } else {
            list.At(kept++) = person;
        }
    }
    while (list.Count() > kept) {
        (void)list.Pop();
    }
    for (Person* person : gone) {
        delete person;
    }
    modified_ = modified_ || !gone.empty();
}

bool Event::DeleteParentsAndPupils() {
    if (RefuseWhenLocked("delete parents and pupils")) {
        return false;
    }
    parents_.DeleteAllRequests();
    parents_.DeleteAll();
    modified_ = true;
    return true;
}

bool Event::BlankRequestedTimes() {
    if (RefuseWhenLocked("blank requested times")) {
        return false;
    }
    for (Person* person : parents_) {
        static_cast<Parent*>(person)->ClearRequestedTimes();
    }
    modified_ = true;
    return true;
}

bool Event::HasFixedTimeRequest() const {
    for (Person* person : parents_) {
        if (static_cast<Parent*>(person)->HasFixedTimeRequest()) {
            return true;
        }
    }
    return false;
}

bool Event::HasUnfixedRequest() const {
    for (Person* person : parents_) {
        if (static_cast<Parent*>(person)->HasUnfixedRequest()) {
            return true;
        }
    }
    return false;
}

bool Event::AddPresentation(std::unique_ptr<Presentation> presentation) {
    if (!presentation || !presentations_.Add(presentation.get())) {
        return false;
    }
    presentation.release();
    modified_ = true;
    return true;
}

bool Event::AddPresentations(std::vector<std::unique_ptr<Presentation>>& presentations) {
    if (presentations.empty()) {
        return true;
    }
    modified_ = true;
    return presentations_.AddAll(presentations);
}

bool Event::DeletePresentation(Presentation* presentation) {
    if (presentation == nullptr) {
        return false;
    }
    if (RefuseWhenLocked("delete a presentation")) {
        return false;
    }
    if (presentations_.IndexOf(presentation) < 0) {
        return false;
    }
    parents_.RemovePresentation(presentation);
    teachers_.RemovePresentation(presentation);
    presentations_.Remove(presentation);
    delete presentation;
    modified_ = true;
    return true;
}

bool Event::SetName(const std::string& name) {
    if (RefuseWhenLocked("set the event name")) {
        return false;
    }
    name_ = name;
    modified_ = true;
    return true;
}

void Event::SetSchoolName(const std::string& name) {
    schoolName_ = name;
    modified_ = true;
}

void Event::SetUrl(const std::string& url) {
    url_ = url;
    modified_ = true;
}

bool Event::SetSlotLength(int seconds) {
    if (RefuseWhenLocked("set time slot length")) {
        return false;
    }
    if (seconds <= 0) {
        return false;
    }
    if (seconds != slotLength_) {
        slotLength_ = seconds;
        modified_ = true;
    }
    return true;
}

bool Event::SetWaitingLength(int minutes, const char* action, int& slots) {
    if (RefuseWhenLocked(action)) {
        return false;
    }
    // A negative allowance has no meaning and would make the scoring charge the wrong gaps.
    if (minutes < 0) {
        return false;
    }
    slots = static_cast<int>(
        std::min<std::int64_t>(static_cast<std::int64_t>(minutes) * 60 / slotLength_, INT32_MAX));
    modified_ = true;
    return true;
}

bool Event::SetParentWaitingTime(int minutes) {
    return SetWaitingLength(minutes, "update waiting time", options_.ParentGapLength);
}

bool Event::SetTeacherWaitingTime(int minutes) {
    return SetWaitingLength(minutes, "update waiting time", options_.TeacherGapLength);
}

bool Event::SetTeacherBusyTime(int minutes) {
    return SetWaitingLength(minutes, "update busy time", options_.TeacherBlockLength);
}

void Event::RememberLimitSeconds(std::int32_t ScheduleOptions::*limit, std::int64_t seconds) {
    const LimitSeconds remembered{limit, seconds, options_.*limit, slotLength_};
    for (LimitSeconds& entry : limitSeconds_) {
        if (entry.limit == limit) {
            entry = remembered;
            return;
        }
    }
    limitSeconds_.push_back(remembered);
}

std::optional<std::int64_t> Event::RememberedLimitSeconds(std::int32_t ScheduleOptions::*limit,
                                                          int slotSeconds) const {
    for (const LimitSeconds& entry : limitSeconds_) {
        if (entry.limit == limit && entry.slots == options_.*limit &&
            entry.slotSeconds == slotSeconds) {
            return entry.seconds;
        }
    }
    return std::nullopt;
}

void Event::SetOptions(const ScheduleOptions& options) {
    options_ = options;
    modified_ = true;
}

ParentGapMode Event::GetParentGapMode() const {
    return options_.ParentGapLength <= 0 ? AdjacentParentAppointments : parentGapMode_;
}

void Event::SetParentGapMode(ParentGapMode mode) {
    parentGapMode_ = mode;
    modified_ = true;
}

void Event::SetAskParentTimes(bool ask) {
    askParentTimes_ = ask;
    modified_ = true;
}

std::string Event::Describe(const std::string& word, bool capitalise) {
    std::string text = word;
    if (capitalise && !text.empty()) {
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    }
    return text;
}

void Event::SetTeacherDesc(const std::string& word) {
    teacherDesc_ = ToLower(word.c_str());
    modified_ = true;
}

void Event::SetParentDesc(const std::string& word) {
    parentDesc_ = ToLower(word.c_str());
    modified_ = true;
}

void Event::SetPupilDesc(const std::string& word) {
    pupilDesc_ = ToLower(word.c_str());
    modified_ = true;
}

bool Event::SetEmailText(std::string* texts, EmailTextKind kind, const std::string& text,
                         bool needsLink) {
    if (!text.empty()) {
        if (text.find("NAME") == std::string::npos) {
            ReportMessage(SeverityError,
                          "The email text must contain the word NAME to show where the "
                          "recipient's name will go");
            return false;
        }
        bool linkedKind = kind == EmailInvitation || kind == EmailReminder;
        if (needsLink && linkedKind && text.find("LINK") == std::string::npos) {
            ReportMessage(SeverityError,
                          "The email text must contain the word LINK to show where the link to "
                          "the recipient's webpage will go");
            return false;
        }
    }
    if (kind >= 0 && kind < kEmailKinds) {
        texts[kind] = text;
        modified_ = true;
    }
    return true;
}

bool Event::SetParentEmailText(EmailTextKind kind, const std::string& text) {
    return SetEmailText(parentEmailTexts_, kind, text, true);
}

bool Event::SetPupilEmailText(EmailTextKind kind, const std::string& text) {
    return SetEmailText(pupilEmailTexts_, kind, text, true);
}

bool Event::SetTeacherEmailText(EmailTextKind kind, const std::string& text) {
    return SetEmailText(teacherEmailTexts_, kind, text, false);
}

std::string Event::GetParentEmailText(EmailTextKind kind) const {
    return kind >= 0 && kind < kEmailKinds ? parentEmailTexts_[kind] : std::string();
}

std::string Event::GetPupilEmailText(EmailTextKind kind) const {
    return kind >= 0 && kind < kEmailKinds ? pupilEmailTexts_[kind] : std::string();
}

std::string Event::GetTeacherEmailText(EmailTextKind kind) const {
    return kind >= 0 && kind < kEmailKinds ? teacherEmailTexts_[kind] : std::string();
}

void Event::SetEmailServerSettings(const EmailServerSettings& settings) {
    emailServer_ = settings;
    modified_ = true;
}

void Event::SetPrintSettings(const PrintSettings& settings) {
    printSettings_ = settings;
    modified_ = true;
}

void Event::SetScoreSwitches(const ScoreCompareSwitches& switches) {
    if (scoreSwitches_ != switches) {
        scoreSwitches_ = switches;
        modified_ = true;
    }
}

ImporterBase* Event::GetTeacherImporter(unsigned index) const {
    return static_cast<ImporterBase*>(teacherImporters_.Get(index));
}

ImporterBase* Event::GetPupilImporter(unsigned index) const {
    return static_cast<ImporterBase*>(pupilImporters_.Get(index));
}

void Event::AddTeacherImporter(std::unique_ptr<ImporterBase> importer) {
    if (importer) {
        teacherImporters_.Append(importer.release());
        modified_ = true;
    }
}

void Event::AddPupilImporter(std::unique_ptr<ImporterBase> importer) {
    if (importer) {
        pupilImporters_.Append(importer.release());
        modified_ = true;
    }
}

std::vector<std::string> Event::MoveDates(const DateMoves& moves) {
    std::vector<std::string> dropped;
    if (moves.empty()) {
        return dropped;
    }
    // A new date that was no moving day's own holds only what a day that went left behind.
    for (const auto& [from, to] : moves) {
        if (moves.count(to) == 0) {
            for (std::string& name : DropDate(to)) {
                dropped.push_back(std::move(name));
            }
        }
    }
    for (unsigned i = 0; i < presentations_.Count(); ++i) {
        Presentation* presentation = presentations_.GetPresentation(i);
        const auto found =
            presentation != nullptr ? moves.find(presentation->GetDate()) : moves.end();
        if (found != moves.end()) {
            presentation->SetDate(found->second);
        }
    }
    for (Person* person : teachers_) {
        auto* teacher = static_cast<Teacher*>(person);
        teacher->MoveRecords(moves);
        teacher->MoveBreaks(moves);
    }
    for (Person* person : parents_) {
        static_cast<Parent*>(person)->MoveRecords(moves);
    }
    modified_ = true;
    return dropped;
}

std::vector<std::string> Event::DropDate(const Date& date) {
    std::vector<Presentation*> dated;
    for (unsigned i = 0; i < presentations_.Count(); ++i) {
        Presentation* presentation = presentations_.GetPresentation(i);
        if (presentation != nullptr && presentation->GetDate() == date) {
            dated.push_back(presentation);
        }
    }
    std::vector<std::string> names;
    for (Presentation* presentation : dated) {
        names.push_back("'" + presentation->GetName() + "' on " + date.FormatLong());
        parents_.RemovePresentation(presentation);
        teachers_.RemovePresentation(presentation);
        presentations_.Remove(presentation);
        delete presentation;
    }
    for (Person* person : teachers_) {
        auto* teacher = static_cast<Teacher*>(person);
        teacher->DropRecord(date);
        teacher->DropBreaksOn(date);
    }
    for (Person* person : parents_) {
        static_cast<Parent*>(person)->DropRecord(date);
    }
    modified_ = true;
    return names;
}

bool Event::Merge(const Event& other, std::string& log, const DateMoves& copyDates) {
    log.clear();
    if (schoolName_ != other.schoolName_) {
        ReportMessage(SeverityError, "Cannot merge: school names are different");
        return false;
    }
    if (name_ != other.name_) {
        ReportMessage(SeverityError, "Cannot merge: event names are different");
        return false;
    }
    if (&other == this) {
        return true;  // an event lacks nothing of itself
    }
    // A teacher refused (initials another teacher has) is named and the merge goes on: its
    // requests find no teacher and are left out, and everything else still arrives.
    bool whole = true;
    for (Person* person : other.teachers_) {
        auto* teacher = static_cast<Teacher*>(person);
        if (teachers_.FindByNameOrInitials(teacher->GetName()) != nullptr) {
            continue;
        }
        auto copy = std::make_unique<Teacher>(*teacher);
        copy->MoveBreaks(copyDates);
        ArriveWhole(*copy, *teacher, copyDates, log);
        if (!AddTeacher(std::move(copy))) {
            ReportMessage(SeverityError, "Teacher '" + teacher->GetName() +
                                             "' was not merged; the rest of the file was");
            whole = false;
            continue;
        }
        log += "Created new teacher '" + teacher->GetName() + "'\n";
    }
    FamilyIdentity families(parents_);
    const std::set<std::string> numberedApart = other.parents_.NumberedApart();
    for (Person* person : other.parents_) {
        if (!MergeParent(*static_cast<Parent*>(person), log, families, numberedApart, copyDates)) {
            whole = false;
        }
    }
    return whole;
}

// A copy of a person keeps neither the talks (they belong to the other event) nor the evenings
// as this event has them: it goes to the talks of those names here, and its days move with ours.
void Event::ArriveWhole(Attendee& copy, const Attendee& source, const DateMoves& copyDates,
                        std::string& log) const {
    copy.MoveRecords(copyDates);
    const PresentationList& attended = source.GetPresentations();
    for (unsigned i = 0; i < attended.Count(); ++i) {
        const Presentation* theirs = attended.GetPresentation(i);
        if (theirs == nullptr) {
            continue;
        }
        if (Presentation* ours = presentations_.Find(theirs->GetName())) {
            (void)copy.AddPresentation(ours);  // refuses only null
        } else {
            log += "Presentation '" + theirs->GetName() + "' is not in this event, so '" +
                   source.GetName() + "' does not attend it\n";
        }
    }
}

bool Event::MergeParent(const Parent& source, std::string& log, FamilyIdentity& families,
                        const std::set<std::string>& numberedApart, const DateMoves& copyDates) {
    const FamilyIdentity::Placement placement =
        families.Place(FamilyLine::Of(source, numberedApart));
    Parent* target = placement.family;
    bool arriving = source.GetPupilCount() == 0;
    for (const Pupil* found : placement.children) {
        arriving = arriving || found == nullptr;
    }
    if (target == nullptr && arriving) {
        auto copy = std::make_unique<Parent>(source);
        FamilyIdentity::Name(*copy, placement);
        // A namesake elsewhere is another family, as an import tells them apart; one already
        // here under that longer name lives elsewhere too.
        if (placement.name != source.GetName() &&
            parents_.FindByKey(copy->GetUniqueIdOrName()) != nullptr) {
            ReportMessage(SeverityError, "Parent '" + source.GetName() + "' of " +
                                             source.GetAddress(0) +
                                             " was not merged; the rest of the file was");
            return false;
        }
        ArriveWhole(*copy, source, copyDates, log);
        target = copy.get();
        if (!AddParent(std::move(copy))) {
            return false;
        }
        families.Added(target);
        log += "Created new parent '" + placement.name + "'\n";
    }
    for (unsigned p = 0; p < source.GetPupilCount(); ++p) {
        const Pupil* pupil = source.GetPupil(p);
        Pupil* targetPupil = placement.children[p];
        if (targetPupil == nullptr) {
            auto copy = std::make_unique<Pupil>(*pupil);
            // What teaches the child here is this event's teacher of that name.
            for (unsigned t = 0; t < pupil->GetTaughtByCount(); ++t) {
                if (const Teacher* teacher = pupil->GetTaughtByTeacher(t)) {
                    copy->AddTaughtBy(teachers_.FindByNameOrInitials(teacher->GetName()),
                                      pupil->GetTaughtBySubject(t));
                }
            }
            targetPupil = copy.get();
            (void)target->AddPupil(std::move(copy));  // refuses only null
            // Pupils and requests bypass the event's add operations, so mark the change here.
            modified_ = true;
            log += "Created new pupil '" + pupil->GetName() + "' for parent '" + target->GetName() +
                   "'\n";
        }
        // Each request takes one of the child's own to its teacher that no other has taken,
        // one of its subject first: a second subject with one teacher is a second request, and
        // the same one under another subject is not.
        const unsigned count = pupil->GetRequestCount();
        std::vector<Teacher*> teachers(count, nullptr);
        std::vector<bool> found(count, false);
        std::vector<const AppointmentRequest*> held;
        for (unsigned r = 0; r < count; ++r) {
            const AppointmentRequest* request = pupil->GetRequest(r);
            if (request->GetTeacher() != nullptr) {
                teachers[r] = teachers_.FindByNameOrInitials(request->GetTeacher()->GetName());
            }
        }
        for (const bool sameSubject : {true, false}) {
            for (unsigned r = 0; r < count; ++r) {
                for (unsigned i = 0; i < targetPupil->GetRequestCount() && !found[r]; ++i) {
                    const AppointmentRequest* mine = targetPupil->GetRequest(i);
                    if (teachers[r] != nullptr && mine->GetTeacher() == teachers[r] &&
                        (!sameSubject ||
                         mine->GetSubject() == pupil->GetRequest(r)->GetSubject()) &&
                        std::find(held.begin(), held.end(), mine) == held.end()) {
                        found[r] = true;
                        held.push_back(mine);
                    }
                }
            }
        }
        for (unsigned r = 0; r < count; ++r) {
            const AppointmentRequest* request = pupil->GetRequest(r);
            Teacher* teacher = teachers[r];
            if (teacher == nullptr || found[r]) {
                continue;
            }
            if (targetPupil->AddRequest(teacher, request->GetSubject(), request->GetPriority(),
                                        request->GetOwnLength())) {
                modified_ = true;
                log += "New request for pupil '" + pupil->GetName() + "' to see '" +
                       teacher->GetName() + "'\n";
            }
        }
    }
    return true;
}
