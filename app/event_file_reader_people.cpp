// The teachers, parents, pupils and requests of an event file.
#include <cctype>
#include <cstdlib>
#include <memory>

#include "app/event_file_reader.h"
#include "foundation/date_time.h"
#include "foundation/percent_encoding.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/presentation.h"
#include "model/pupil.h"
#include "model/schedule.h"
#include "model/teacher.h"

const std::string& EventFileReader::LowerKey(const std::string& text) {
    lookupKey_.assign(text);
    for (char& c : lookupKey_) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lookupKey_;
}

Teacher* EventFileReader::FindTeacher(const std::string& nameOrInitials) {
    if (nameOrInitials.empty()) {
        return nullptr;
    }
    const std::string& key = LowerKey(nameOrInitials);
    auto found = teacherNames_.find(key);
    if (found != teacherNames_.end()) {
        return found->second;
    }
    found = teacherInitials_.find(key);
    return found != teacherInitials_.end() ? found->second : nullptr;
}

void EventFileReader::IndexTeacherName(Teacher* teacher) {
    if (!teacher->GetName().empty()) {
        teacherNames_.try_emplace(LowerKey(teacher->GetName()), teacher);
    }
}

void EventFileReader::IndexTeacherInitials(Teacher* teacher, const std::string& initials) {
    if (!teacher->GetInitials().empty()) {
        auto old = teacherInitials_.find(LowerKey(teacher->GetInitials()));
        if (old != teacherInitials_.end() && old->second == teacher) {
            teacherInitials_.erase(old);
        }
    }
    if (!initials.empty()) {
        teacherInitials_.try_emplace(LowerKey(initials), teacher);
    }
}

EventFileReader::KeyResult EventFileReader::ReadAttendanceKey(const std::string& key,
                                                              Attendee* attendee) {
    if (key == "day") {
        Date date;
        if (!ReadDate(date)) {
            return KeyResult::Failed;
        }
        Schedule* day = schedule_->FindDay(date);
        if (day == nullptr) {
            return KeyResult::Failed;
        }
        currentDay_ = day;
        return KeyResult::Done;
    }
    if (key == "after" || key == "before") {
        TimeOfDay time;
        if (!ReadTime(time) || currentDay_ == nullptr) {
            return KeyResult::Failed;
        }
        if (key == "after") {
            if (!attendee->SetStartTime(currentDay_, time)) {
                return KeyResult::Failed;
            }
            attendee->SetArrivesLate(currentDay_, true);
        } else {
            if (!attendee->SetEndTime(currentDay_, time)) {
                return KeyResult::Failed;
            }
            attendee->SetLeavesEarly(currentDay_, true);
        }
        return KeyResult::Done;
    }
    if (key == "notattending") {
        if (currentDay_ != nullptr) {
            attendee->SetAttending(currentDay_, false);
        }
        return KeyResult::Done;
    }
    if (key == "presentation") {
        std::string name;
        if (!ReadText(name)) {
            return KeyResult::Failed;
        }
        Presentation* presentation = event_->GetPresentations().Find(name);
        if (presentation == nullptr) {
            ReportError("The presentation '" + name + "' does not exist");
            return KeyResult::Failed;
        }
        return attendee->AddPresentation(presentation) ? KeyResult::Done : KeyResult::Failed;
    }
    return KeyResult::NotMine;
}

template <typename Person>
bool EventFileReader::ReadAttendeeKeys(Person* person,
                                       KeyResult (EventFileReader::*readOwnKey)(const std::string&,
                                                                                Person*)) {
    int keyLine = 0;
    while (NextBlockKey(keyLine)) {
        const std::string key = token_;
        KeyResult result = ReadAttendanceKey(key, person);
        if (result == KeyResult::NotMine) {
            result = (this->*readOwnKey)(key, person);
        }
        if (result == KeyResult::Failed) {
            return false;
        }
        if (result == KeyResult::NotMine) {
            SkipUnknownKey(key, keyLine);
        }
    }
    return true;
}

// ---------------------------------------------------------------- teachers

bool EventFileReader::ReadTeachers() {
    if (!ExpectHeading("teachers:", "Expected Teacher: heading")) {
        return false;
    }
    Next next;
    while ((next = NextBlockName(true)) == Next::Item) {
        newTeacher_ = std::make_unique<Teacher>(token_);
        teacher_ = newTeacher_.get();
        if (!ReadTeacher()) {
            return false;
        }
    }
    return next == Next::Done;
}

EventFileReader::KeyResult EventFileReader::ReadTeacherKey(const std::string& key,
                                                           Teacher* teacher) {
    static const TextKey<Teacher> kTexts[] = {
        {"location", [](Teacher& t, const std::string& v) { t.SetLocation(v); }},
        {"email", [](Teacher& t, const std::string& v) { t.SetEmail(v); }},
        {"emailalt", [](Teacher& t, const std::string& v) { t.SetEmailAlt(v); }},
        {"meetinglink", [](Teacher& t, const std::string& v) { t.SetMeetingLink(v); }},
        {"subject",
         [](Teacher& t, const std::string& v) {
             if (!v.empty()) {
                 t.AddSubject(v);
             }
         }},
        // An empty text gives 0, as atoi has it.
        {"apptlen",
         [](Teacher& t, const std::string& v) { t.SetApptLength(std::atoi(v.c_str())); }},
    };
    const KeyResult text = ReadTextKey(key, kTexts, *teacher);
    if (text != KeyResult::NotMine) {
        return text;
    }
    if (key == "break") {
        TimeOfDay time;
        if (!ReadTime(time) || currentDay_ == nullptr) {
            return KeyResult::Failed;
        }
        teacher->AddBreak(DateTime(currentDay_->GetDate(), time));
        return KeyResult::Done;
    }
    if (key == "initials") {
        std::string initials;
        if (!ReadText(initials)) {
            return KeyResult::Failed;
        }
        const Teacher* other = FindTeacher(initials);
        if (other != nullptr && other != teacher) {
            ReportError("The initials '" + initials + "' have been defined for a previous teacher");
            return KeyResult::Failed;
        }
        IndexTeacherInitials(teacher, initials);
        teacher->SetInitials(initials);
        return KeyResult::Done;
    }
    if (key == "priority") {
        int priority = 1;
        if (!ReadInt(priority)) {
            return KeyResult::Failed;
        }
        teacher->SetPriority(priority);
        return KeyResult::Done;
    }
    return KeyResult::NotMine;
}

bool EventFileReader::ReadTeacher() {
    Teacher* teacher = teacher_;
    if (teacher == nullptr || newTeacher_.get() != teacher) {
        return false;
    }
    currentDay_ = schedule_->GetDay(0);
    if (!teacher->ResetAttendanceAllDays(schedule_)) {
        ReportError("Cannot set start and end times for teacher");
        return false;
    }
    // A refused teacher is gone with the call, so the message naming it is made first.
    const std::string refusal = Located(
        ("Previous errors prevent teacher '" + teacher->GetName() + "' from being loaded").c_str());
    if (!schedule_->AddTeacher(std::move(newTeacher_))) {
        teacher_ = nullptr;
        ReportMessage(SeverityError, refusal);
        return false;
    }
    IndexTeacherName(teacher);

    if (!ReadAttendeeKeys(teacher, &EventFileReader::ReadTeacherKey)) {
        return false;
    }
    if (teacher->GetSubjects().empty()) {
        teacher->AddSubject(std::string());
    }
    return true;
}

// ---------------------------------------------------------------- parents

bool EventFileReader::ReadParents() {
    if (!ExpectHeading("parents:", "Expected Parent: heading")) {
        return false;
    }
    Next next;
    while ((next = NextBlockName(false)) == Next::Item) {
        newParent_ = std::make_unique<Parent>(token_);
        parent_ = newParent_.get();
        pupil_ = nullptr;
        if (!ReadParent()) {
            return false;
        }
    }
    return next == Next::Done;
}

EventFileReader::KeyResult EventFileReader::ReadParentKey(const std::string& key, Parent* parent) {
    static const TextKey<Parent> kTexts[] = {
        {"email", [](Parent& p, const std::string& v) { p.SetEmail(v); }},
        {"emailalt", [](Parent& p, const std::string& v) { p.SetEmailAlt(v); }},
        {"addra", [](Parent& p, const std::string& v) { p.SetAddress(0, v); }},
        {"addrb", [](Parent& p, const std::string& v) { p.SetAddress(1, v); }},
        {"addrc", [](Parent& p, const std::string& v) { p.SetAddress(2, v); }},
        {"addrd", [](Parent& p, const std::string& v) { p.SetAddress(3, v); }},
        {"addre", [](Parent& p, const std::string& v) { p.SetAddress(4, v); }},
        {"notes", [](Parent& p, const std::string& v) { p.SetNotes(v); }},
        {"uniqueid", [](Parent& p, const std::string& v) { p.SetUniqueId(v); }},
        {"url", [](Parent& p, const std::string& v) { p.SetUrl(v); }},
        {"notefrom",
         [](Parent& p, const std::string& v) { p.SetNoteFrom(PercentDecode(v.c_str())); }},
    };
    if (key == "pupil") {
        return ReadPupil() ? KeyResult::Done : KeyResult::Failed;
    }
    return ReadTextKey(key, kTexts, *parent);
}

bool EventFileReader::ReadParent() {
    Parent* parent = parent_;
    if (parent == nullptr || newParent_.get() != parent) {
        return false;
    }
    currentDay_ = schedule_->GetDay(0);
    parent->ResetAttendanceAllDays(schedule_);
    parent->SetGapMode(event_->GetParentGapMode());

    if (!ReadAttendeeKeys(parent, &EventFileReader::ReadParentKey)) {
        return false;
    }
    // The next parent's name or the end of the file; anything else has no place here.
    if (kind_ != TokenQuoted && kind_ != TokenEnd) {
        tokens_->NextToken(token_);
        ReportError("Expected an option word");
        return false;
    }
    // Added only now, with its unique id known, so that two families of the same name but
    // different ids both load. The event reports a duplicate itself.
    if (!schedule_->AddParent(std::move(newParent_))) {
        parent_ = nullptr;
        pupil_ = nullptr;
        newParent_.reset();
        return false;
    }
    return true;
}

bool EventFileReader::ReadPupil() {
    std::string name;
    if (tokens_->NextToken(name) != TokenQuoted) {
        ReportError("Expected pupil's name");
        return false;
    }
    TrimInPlace(name);
    auto pupil = std::make_unique<Pupil>(name);
    Pupil* added = pupil.get();
    if (!parent_->AddPupil(std::move(pupil))) {
        return false;
    }
    pupil_ = added;
    static const TextKey<Pupil> kTexts[] = {
        {"form", [](Pupil& p, const std::string& v) { p.SetForm(v); }},
        {"house", [](Pupil& p, const std::string& v) { p.SetHouse(v); }},
        {"email", [](Pupil& p, const std::string& v) { p.SetEmail(v); }},
    };
    int keyLine = 0;
    while (NextBlockKey(keyLine)) {
        const std::string key = token_;
        if (key == "pupil") {
            tokens_->PushBack(TokenWord, key);
            return true;
        }
        KeyResult result = ReadTextKey(key, kTexts, *pupil_);
        if (key == "taughtby") {
            result = ReadTaughtBy() ? KeyResult::Done : KeyResult::Failed;
        } else if (key == "seeing") {
            result = ReadRequest() ? KeyResult::Done : KeyResult::Failed;
        }
        if (result == KeyResult::Failed) {
            return false;
        }
        if (result == KeyResult::NotMine) {
            SkipUnknownKey(key, keyLine);
        }
    }
    return true;
}

bool EventFileReader::ReadTaughtBy() {
    std::string name;
    if (!ReadText(name)) {
        return false;
    }
    Teacher* teacher = FindTeacher(name);
    if (teacher == nullptr) {
        ReportError("Pupil " + pupil_->GetName() + " is taught by non-existent teacher " + name);
        return false;
    }
    std::string subject;
    std::string word;
    const TokenKind kind = tokens_->NextToken(word);
    if (kind == TokenWord && LowerKey(word) == "subject") {
        if (!ReadText(subject)) {
            return false;
        }
    } else {
        tokens_->PushBack(kind, word);
    }
    if (!subject.empty() && teacher->GetSubjects().count(subject) == 0) {
        teacher->AddSubject(subject);
    }
    pupil_->AddTaughtBy(teacher, subject);
    return true;
}

bool EventFileReader::ReadRequest() {
    std::string name;
    if (!ReadText(name)) {
        return false;
    }
    Teacher* teacher = FindTeacher(name);
    if (teacher == nullptr) {
        ReportError("Pupil " + pupil_->GetName() + " wants to see non-existent teacher " + name);
        return false;
    }
    const Schedule* firstDay = schedule_->GetDay(0);
    std::string subject;
    Date date = firstDay != nullptr ? firstDay->GetDate() : Date();
    TimeOfDay time;
    int priority = 1;
    int length = -1;
    bool hasSubject = false;
    bool hasDay = false;
    bool hasTime = false;
    bool hasPriority = false;
    bool hasLength = false;

    // The lines of one request, in any order, each at most once.
    for (;;) {
        std::string word;
        const TokenKind kind = tokens_->NextToken(word);
        if (kind != TokenWord) {
            tokens_->PushBack(kind, word);
            break;
        }
        const std::string& key = LowerKey(word);
        if (key == "subject" && !hasSubject) {
            hasSubject = true;
            if (!ReadText(subject)) {
                return false;
            }
        } else if (key == "day" && !hasDay) {
            hasDay = true;
            std::string text;
            if (!ReadText(text)) {
                return false;
            }
            Date read;
            if (!read.ParseLong(text)) {
                ReportError("Pupil " + pupil_->GetName() + " wants to see the teacher " + name +
                            " on an invalid date");
                return false;
            }
            date = read;
        } else if (key == "at" && !hasTime) {
            hasTime = true;
            if (!ReadTime(time)) {
                return false;
            }
        } else if (key == "priority" && !hasPriority) {
            hasPriority = true;
            if (!ReadInt(priority)) {
                return false;
            }
        } else if (key == "length" && !hasLength) {
            hasLength = true;
            if (!ReadInt(length)) {
                return false;
            }
        } else {
            tokens_->PushBack(kind, word);
            break;
        }
    }

    if (pupil_->FindRequest(teacher, subject) != nullptr) {
        ReportError("Pupil " + pupil_->GetName() + " wants to see the teacher " + name +
                    " about subject '" + subject + "' more than once");
        return false;
    }
    const DateTime when(date, time);
    if (hasTime && teacher->HasBreak(when)) {
        ReportError("Pupil " + pupil_->GetName() + " wants to see teacher " + name + " at " +
                    when.Format() +
                    " but the teacher has a break at that time. The request will not be honoured.");
        hasTime = false;
    }
    if (hasTime) {
        return pupil_->AddFixedTimeRequest(teacher, subject, priority, length, when);
    }
    return pupil_->AddRequest(teacher, subject, priority, length);
}
