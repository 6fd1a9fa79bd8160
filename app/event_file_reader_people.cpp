// The teachers, parents, pupils and requests of an event file.
#include <cctype>
#include <cstdlib>
#include <memory>

#include "app/event_file_reader.h"
#include "foundation/date_time.h"
#include "foundation/percent_encoding.h"
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

EventFileReader::AttendanceKeyResult EventFileReader::ReadAttendanceKey(const std::string& key,
                                                                        Attendee* attendee) {
    if (key == "day") {
        Date date;
        if (!ReadDate(date)) {
            return {true, false};
        }
        Schedule* day = schedule_->FindDay(date);
        if (day == nullptr) {
            return {true, false};
        }
        currentDay_ = day;
        return {true, true};
    }
    if (key == "after" || key == "before") {
        TimeOfDay time;
        if (!ReadTime(time) || currentDay_ == nullptr) {
            return {true, false};
        }
        if (key == "after") {
            if (!attendee->SetStartTime(currentDay_, time)) {
                return {true, false};
            }
            attendee->SetArrivesLate(currentDay_, true);
        } else {
            if (!attendee->SetEndTime(currentDay_, time)) {
                return {true, false};
            }
            attendee->SetLeavesEarly(currentDay_, true);
        }
        return {true, true};
    }
    if (key == "notattending") {
        if (currentDay_ != nullptr) {
            attendee->SetAttending(currentDay_, false);
        }
        return {true, true};
    }
    if (key == "presentation") {
        std::string name;
        if (!ReadText(name)) {
            return {true, false};
        }
        Presentation* presentation = event_->GetPresentations().Find(name);
        if (presentation == nullptr) {
            ReportError("The presentation '" + name + "' does not exist");
            return {true, false};
        }
        return {true, attendee->AddPresentation(presentation)};
    }
    return {false, true};
}

// ---------------------------------------------------------------- teachers

bool EventFileReader::ReadTeachers() {
    TokenKind kind = tokens_->NextToken(token_);
    LowerToken();
    if (kind != TokenKey || token_ != "teachers:") {
        ReportError("Expected Teacher: heading");
        return false;
    }
    for (;;) {
        kind = tokens_->NextToken(token_);
        if (kind == TokenKey) {
            tokens_->PushBack(kind, token_);
            return true;
        }
        if (kind == TokenEnd) {
            return true;
        }
        if (kind != TokenQuoted) {
            ReportError("Found data I don't understand here: '" + token_ + "'");
            return false;
        }
        std::string name = token_;
        TrimInPlace(name);
        newTeacher_ = std::make_unique<Teacher>(name);
        teacher_ = newTeacher_.get();
        if (!ReadTeacher()) {
            return false;
        }
    }
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
    if (!schedule_->AddTeacher(std::move(newTeacher_))) {
        ReportError("Previous errors prevent teacher '" + teacher->GetName() +
                    "' from being loaded");
        teacher_ = nullptr;
        newTeacher_.reset();
        return false;
    }
    IndexTeacherName(teacher);

    for (;;) {
        const TokenKind kind = tokens_->NextToken(token_);
        if (kind != TokenWord) {
            tokens_->PushBack(kind, token_);
            break;
        }
        const int lineAfterKey = tokens_->GetLineNumber();
        LowerToken();
        const std::string key = token_;
        const AttendanceKeyResult attendance = ReadAttendanceKey(key, teacher);
        if (attendance.handled) {
            if (!attendance.ok) {
                return false;
            }
            continue;
        }
        std::string text;
        int value = 0;
        if (key == "break") {
            TimeOfDay time;
            if (!ReadTime(time) || currentDay_ == nullptr) {
                return false;
            }
            teacher->AddBreak(DateTime(currentDay_->GetDate(), time));
        } else if (key == "location") {
            if (!ReadText(text)) {
                return false;
            }
            teacher->SetLocation(text);
        } else if (key == "subject") {
            if (!ReadText(text)) {
                return false;
            }
            if (!text.empty()) {
                teacher->AddSubject(text);
            }
        } else if (key == "apptlen") {
            if (!ReadText(text)) {
                return false;
            }
            teacher->SetApptLength(std::atoi(text.c_str()));
        } else if (key == "initials") {
            if (!ReadText(text)) {
                return false;
            }
            const Teacher* other = FindTeacher(text);
            if (other != nullptr && other != teacher) {
                ReportError("The initials '" + text + "' have been defined for a previous teacher");
                return false;
            }
            IndexTeacherInitials(teacher, text);
            teacher->SetInitials(text);
        } else if (key == "email" || key == "emailalt") {
            if (!ReadText(text)) {
                return false;
            }
            if (key == "email") {
                teacher->SetEmail(text);
            } else {
                teacher->SetEmailAlt(text);
            }
        } else if (key == "meetinglink") {
            if (!ReadText(text)) {
                return false;
            }
            teacher->SetMeetingLink(text);
        } else if (key == "priority") {
            if (!ReadInt(value)) {
                return false;
            }
            teacher->SetPriority(value);
        } else {
            SkipUnknownKey(key, lineAfterKey);
        }
    }
    if (teacher->GetSubjects().empty()) {
        teacher->AddSubject(std::string());
    }
    return true;
}

// ---------------------------------------------------------------- parents

bool EventFileReader::ReadParents() {
    TokenKind kind = tokens_->NextToken(token_);
    LowerToken();
    if (kind != TokenKey || token_ != "parents:") {
        ReportError("Expected Parent: heading");
        return false;
    }
    for (;;) {
        kind = tokens_->NextToken(token_);
        if (kind == TokenEnd) {
            return true;
        }
        if (kind != TokenQuoted) {
            ReportError("Found data I don't understand here: '" + token_ + "'");
            return false;
        }
        std::string name = token_;
        TrimInPlace(name);
        newParent_ = std::make_unique<Parent>(name);
        parent_ = newParent_.get();
        pupil_ = nullptr;
        if (!ReadParent()) {
            return false;
        }
    }
}

bool EventFileReader::ReadParent() {
    Parent* parent = parent_;
    if (parent == nullptr || newParent_.get() != parent) {
        return false;
    }
    currentDay_ = schedule_->GetDay(0);
    parent->ResetAttendanceAllDays(schedule_);
    parent->SetGapMode(event_->GetParentGapMode());

    for (;;) {
        const TokenKind kind = tokens_->NextToken(token_);
        if (kind == TokenQuoted || kind == TokenEnd) {
            tokens_->PushBack(kind, token_);
            break;
        }
        if (kind != TokenWord) {
            ReportError("Expected an option word");
            return false;
        }
        const int lineAfterKey = tokens_->GetLineNumber();
        LowerToken();
        const std::string key = token_;
        const AttendanceKeyResult attendance = ReadAttendanceKey(key, parent);
        if (attendance.handled) {
            if (!attendance.ok) {
                return false;
            }
            continue;
        }
        std::string text;
        if (key == "pupil") {
            if (!ReadPupil()) {
                return false;
            }
        } else if (key == "email" || key == "emailalt") {
            if (!ReadText(text)) {
                return false;
            }
            if (key == "email") {
                parent->SetEmail(text);
            } else {
                parent->SetEmailAlt(text);
            }
        } else if (key.size() == 5 && key.compare(0, 4, "addr") == 0 && key[4] >= 'a' &&
                   key[4] <= 'e') {
            if (!ReadText(text)) {
                return false;
            }
            parent->SetAddress(key[4] - 'a', text);
        } else if (key == "notes") {
            if (!ReadText(text)) {
                return false;
            }
            parent->SetNotes(text);
        } else if (key == "uniqueid") {
            if (!ReadText(text)) {
                return false;
            }
            parent->SetUniqueId(text);
        } else if (key == "url") {
            if (!ReadText(text)) {
                return false;
            }
            parent->SetUrl(text);
        } else if (key == "notefrom") {
            if (!ReadText(text)) {
                return false;
            }
            parent->SetNoteFrom(PercentDecode(text.c_str()));
        } else {
            SkipUnknownKey(key, lineAfterKey);
        }
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
    for (;;) {
        const TokenKind kind = tokens_->NextToken(token_);
        if (kind != TokenWord) {
            tokens_->PushBack(kind, token_);
            return true;
        }
        const int lineAfterKey = tokens_->GetLineNumber();
        const std::string word = token_;
        LowerToken();
        const std::string key = token_;
        std::string text;
        if (key == "pupil") {
            tokens_->PushBack(kind, word);
            return true;
        }
        if (key == "form" || key == "house" || key == "email") {
            if (!ReadText(text)) {
                return false;
            }
            if (key == "form") {
                pupil_->SetForm(text);
            } else if (key == "house") {
                pupil_->SetHouse(text);
            } else {
                pupil_->SetEmail(text);
            }
        } else if (key == "taughtby") {
            if (!ReadTaughtBy()) {
                return false;
            }
        } else if (key == "seeing") {
            if (!ReadRequest()) {
                return false;
            }
        } else {
            SkipUnknownKey(key, lineAfterKey);
        }
    }
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
