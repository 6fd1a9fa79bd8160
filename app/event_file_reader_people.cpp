// The teachers, parents, pupils and requests of an event file.
#include <cctype>
#include <climits>
#include <cstdlib>
#include <memory>

#include "app/event_file_reader.h"
#include "foundation/date_time.h"
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
    // Names are trimmed as the teacher was made from its block's first line.
    const size_t begin = nameOrInitials.find_first_not_of(" \t\r\n\v\f");
    if (begin == std::string::npos) {
        return nullptr;
    }
    const size_t end = nameOrInitials.find_last_not_of(" \t\r\n\v\f");
    const std::string& key = LowerKey(nameOrInitials.substr(begin, end + 1 - begin));
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
        Schedule* day = FindDay(date);
        if (day == nullptr) {
            return KeyResult::Failed;
        }
        currentDay_ = day;
        return KeyResult::Done;
    }
    // The day's times are given to the attendee together once the block is read, so that the
    // one rule for what a day holds sees them both.
    if (key == "after" || key == "before") {
        TimeOfDay time;
        if (!ReadTime(time) || currentDay_ == nullptr) {
            return KeyResult::Failed;
        }
        AttendancePlan& plan = PlanOf(currentDay_);
        if (key == "after") {
            plan.arrivesLate = true;
            plan.arrival = time;
        } else {
            plan.leavesEarly = true;
            plan.departure = time;
        }
        return KeyResult::Done;
    }
    if (key == "notattending") {
        if (currentDay_ != nullptr) {
            PlanOf(currentDay_).attending = false;
        }
        return KeyResult::Done;
    }
    if (key == "presentation") {
        std::string name;
        if (!ReadText(name)) {
            return KeyResult::Failed;
        }
        // As the list finds them: by no name, none.
        const auto found =
            name.empty() ? presentationNames_.end() : presentationNames_.find(LowerKey(name));
        Presentation* presentation = found != presentationNames_.end() ? found->second : nullptr;
        if (presentation == nullptr) {
            ReportError("The presentation '" + name + "' does not exist");
            return KeyResult::Failed;
        }
        return attendee->AddPresentation(presentation) ? KeyResult::Done : KeyResult::Failed;
    }
    return KeyResult::NotMine;
}

AttendancePlan& EventFileReader::PlanOf(Schedule* day) {
    for (auto& [planDay, plan] : dayPlans_) {
        if (planDay == day) {
            return plan;
        }
    }
    return dayPlans_.emplace_back(day, AttendancePlan()).second;
}

template <typename Person>
bool EventFileReader::ReadAttendeeKeys(Person* person,
                                       KeyResult (EventFileReader::*readOwnKey)(const std::string&,
                                                                                Person*)) {
    dayPlans_.clear();
    const bool read = ReadAttendeeBlock(person, readOwnKey);
    for (const auto& [day, plan] : dayPlans_) {
        person->FitDayAttendance(day, plan);
    }
    dayPlans_.clear();
    return read;
}

template <typename Person>
bool EventFileReader::ReadAttendeeBlock(Person* person,
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

Schedule* EventFileReader::FindDay(const Date& date) {
    if (daysByDate_.size() != schedule_->GetDayCount()) {
        daysByDate_.clear();
        for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
            Schedule* day = schedule_->GetDay(d);
            daysByDate_.try_emplace(DateKey(day->GetDate()), day);
        }
    }
    const auto found = daysByDate_.find(DateKey(date));
    return found != daysByDate_.end() ? found->second : nullptr;
}

TimeOfDay EventFileReader::OnSlot(const Schedule* day, const TimeOfDay& time) {
    const int slot = day != nullptr ? day->GetSlotForTime(time) : -1;
    if (slot < 0) {
        return time;
    }
    const TimeOfDay start = day->SlotToTime(slot);
    if (start != time && !movedOffSlot_) {
        movedOffSlot_ = true;
        ReportWarning("The time " + time.Format(Time12h) +
                      " does not fall on the start of a slot: it and any others like it have "
                      "been moved to the start of their slot");
    }
    return start;
}

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
    if (key == "subject" || key == "apptlen") {
        std::string text;
        if (!ReadText(text)) {
            return KeyResult::Failed;
        }
        if (key == "apptlen") {
            // An empty text gives 0, as atoi has it; a length no day holds would overflow the
            // slot arithmetic of every booking.
            const long length = std::strtol(text.c_str(), nullptr, 10);
            if (length > kMaxSlotsPerDay) {
                ReportError("The appointment length '" + text +
                            "' is longer than any day, so the file cannot be opened");
                return KeyResult::Failed;
            }
            teacher->SetApptLength(static_cast<int>(std::max(length, static_cast<long>(INT_MIN))));
        } else {
            // Written only beside other subjects: the one for talks about no subject in particular.
            teacher->AddSubject(text);
        }
        return KeyResult::Done;
    }
    if (key == "break") {
        TimeOfDay time;
        if (!ReadTime(time) || currentDay_ == nullptr) {
            return KeyResult::Failed;
        }
        teacher->AddBreak(DateTime(currentDay_->GetDate(), OnSlot(currentDay_, time)));
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
        teacher->SetPriority(BoundedPriority(priority));
        return KeyResult::Done;
    }
    if (ReadSentMark(key, *teacher)) {
        return KeyResult::Done;
    }
    return ReadTextKey(key, TeacherTextKeys(), *teacher);
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
    // The reader's own indexes stand in for the event's scan of its list, which would make
    // reading grow with the square of the teachers; the check is the same.
    if (FindTeacher(teacher->GetName()) != nullptr) {
        ReportMessage(SeverityError, "Teacher '" + teacher->GetName() + "' already exists");
        ReportError("Previous errors prevent teacher '" + teacher->GetName() +
                    "' from being loaded");
        teacher_ = nullptr;
        newTeacher_.reset();
        return false;
    }
    event_->GetTeachers().Append(newTeacher_.release());
    for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
        schedule_->GetDay(d)->AddTeacherRow(teacher);
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
    if (key == "pupil") {
        return ReadPupil() ? KeyResult::Done : KeyResult::Failed;
    }
    if (ReadSentMark(key, *parent)) {
        return KeyResult::Done;
    }
    return ReadTextKey(key, ParentTextKeys(), *parent);
}

bool EventFileReader::ReadParent() {
    Parent* parent = parent_;
    if (parent == nullptr || newParent_.get() != parent) {
        return false;
    }
    currentDay_ = schedule_->GetDay(0);
    parent->ResetAttendanceAllDays(schedule_);
    parent->SetGapMode(event_->GetChosenParentGapMode());

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
    // different ids both load. The reader's set of keys stands in for the event's scan.
    const std::string key = parent->GetUniqueIdOrName();
    if (!key.empty() && !parentKeys_.insert(key).second) {
        ReportMessage(SeverityError, "Parent '" + key + "' already exists");
        parent_ = nullptr;
        pupil_ = nullptr;
        newParent_.reset();
        return false;
    }
    event_->GetParents().Append(newParent_.release());
    return true;
}

bool EventFileReader::ReadPupil() {
    std::string name;
    if (tokens_->NextToken(name) != TokenQuoted) {
        ReportError("Expected pupil's name");
        return false;
    }
    Unquote(name);
    auto pupil = std::make_unique<Pupil>(name);
    Pupil* added = pupil.get();
    if (!parent_->AddPupil(std::move(pupil))) {
        return false;
    }
    pupil_ = added;
    int keyLine = 0;
    while (NextBlockKey(keyLine)) {
        const std::string key = token_;
        if (key == "pupil") {
            tokens_->PushBack(TokenWord, key);
            return true;
        }
        KeyResult result = ReadTextKey(key, PupilTextKeys(), *pupil_);
        if (key == "taughtby") {
            result = ReadTaughtBy() ? KeyResult::Done : KeyResult::Failed;
        } else if (key == "seeing") {
            result = ReadRequest() ? KeyResult::Done : KeyResult::Failed;
        } else if (result == KeyResult::NotMine && ReadSentMark(key, *pupil_)) {
            result = KeyResult::Done;
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
    // The lines where a file in the written order would have been checked: after its subject
    // (or the look for one), and after its time.
    int subjectLine = 0;
    int timeLine = 0;

    // The lines of one request, in any order, each at most once.
    for (;;) {
        std::string word;
        const TokenKind kind = tokens_->NextToken(word);
        if (subjectLine == 0) {
            subjectLine = tokens_->GetLineNumber();
        }
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
            subjectLine = tokens_->GetLineNumber();
        } else if (key == "day" && !hasDay) {
            hasDay = true;
            std::string text;
            Date read;
            if (!ReadText(text) || !read.ParseLong(text)) {
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
            timeLine = tokens_->GetLineNumber();
        } else if (key == "priority" && !hasPriority) {
            hasPriority = true;
            if (!ReadInt(priority)) {
                return false;
            }
            priority = BoundedPriority(priority);
        } else if (key == "length" && !hasLength) {
            hasLength = true;
            if (!ReadInt(length)) {
                return false;
            }
            if (length > kMaxSlotsPerDay) {
                ReportError("The appointment length '" + std::to_string(length) +
                            "' is longer than any day, so the file cannot be opened");
                return false;
            }
        } else {
            tokens_->PushBack(kind, word);
            break;
        }
    }

    if (pupil_->FindRequest(teacher, subject) != nullptr) {
        ReportErrorAt(subjectLine, "Pupil " + pupil_->GetName() + " wants to see the teacher " +
                                       name + " about subject '" + subject + "' more than once");
        return false;
    }
    if (hasTime) {
        time = OnSlot(FindDay(date), time);
    }
    const DateTime when(date, time);
    if (hasTime && teacher->HasBreak(when)) {
        ReportErrorAt(timeLine,
                      "Pupil " + pupil_->GetName() + " wants to see teacher " + name + " at " +
                          when.Format() +
                          " but the teacher has a break at that time. The request will not be "
                          "honoured.");
        hasTime = false;
    }
    if (hasTime) {
        return pupil_->AddFixedTimeRequest(teacher, subject, priority, length, when);
    }
    return pupil_->AddRequest(teacher, subject, priority, length);
}
