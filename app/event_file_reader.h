#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "app/event_file_format.h"
#include "foundation/date.h"
#include "foundation/time_of_day.h"
#include "foundation/tokeniser.h"
#include "model/attendance_record.h"
#include "model/email_server_settings.h"
#include "model/score.h"

class Attendee;
class Event;
class MultiDaySchedule;
class Parent;
class Presentation;
class Pupil;
class Schedule;
class Teacher;
enum ParentGapMode : int;

// Rebuilds an event, its days, people, requests and bookings from the tokens of an event file.
// It always fills a new, empty event: on failure the caller throws event and schedule away, and
// nothing outside them has changed (the score switches read go to the event, not to the
// process). One reader serves one read.
class EventFileReader {
public:
    // Past these a file is refused: no school runs an evening that long or that finely cut.
    static constexpr unsigned kMaxDays = 366;
    static constexpr int kMaxSlotsPerDay = 24 * 60;
    // The most slots a waiting or busy time can span: the settings' longest time (a day) in
    // slots of one second.
    static constexpr int kMaxOptionSlots = 24 * 60 * 60;

    EventFileReader(MultiDaySchedule* schedule, Tokeniser* tokens);
    ~EventFileReader();
    EventFileReader(const EventFileReader&) = delete;
    EventFileReader& operator=(const EventFileReader&) = delete;

    // The event is named "<Unnamed event>" until its Name line is read.
    bool Read();
    bool ReadSections();

    bool ReadEventSection();
    bool ReadOption();
    bool ReadExtraDays();
    bool ReadPresentations();
    bool ReadPresentation(Presentation* presentation);
    bool ReadTeachers();
    bool ReadTeacher();
    bool ReadParents();
    bool ReadParent();
    bool ReadPupil();

    // Value readers: each takes the next token. A quoted text, trimmed at both ends except for
    // escaped white space.
    bool ReadText(std::string& out);
    // A quoted number; false without a message for an empty text.
    bool ReadInt(int& out);
    // A time word ("9:05am", "09:05") or an encoded time.
    bool ReadTime(TimeOfDay& out);
    // A quoted long date ("05 Mar 2024"); false without a message unless valid.
    bool ReadDate(Date& out);
    static bool IsTrueWord(const std::string& word);

    // "(line N, parent 'P') message" (or the current teacher) as an Error.
    void ReportError(const char* message);
    void ReportError(const std::string& message) { ReportError(message.c_str()); }

private:
    // What a key handler made of the key it was offered.
    enum class KeyResult { NotMine, Done, Failed };
    // What starts next in a section or block.
    enum class Next { Item, Done, Failed };

    // The last quoted text as a value of the event: trimmed as written, and without the
    // control bytes that no text of an event holds.
    void Unquote(std::string& text) const;
    // At the token source's current line unless a line is given.
    std::string Located(const char* message, int line = 0) const;
    // For a check made after reading on: the message names the line the check belongs to.
    void ReportErrorAt(int line, const std::string& message);
    void ReportWarning(const std::string& message);
    // A priority no editor offers is never booked: read as the nearest of 0, 1 and 2, saying so.
    int BoundedPriority(int priority);
    // Lower-cases the current word in place.
    void LowerToken();
    // The next token must be the heading (lower-cased), else the message is reported.
    bool ExpectHeading(const char* heading, const char* message);
    // The next key of the Event section or of an extra day, lower-cased in token_. Done at a
    // heading (pushed back, kind_ says so) or the end; anything else is "Expected an option
    // word".
    Next NextOptionKey();
    // The quoted name that starts the next presentation, teacher or parent, in token_. Done at
    // the end, and at a heading (pushed back) when headingEnds; anything else is data the
    // section does not understand.
    Next NextBlockName(bool headingEnds);
    // The next key of a teacher, parent or pupil block, lower-cased in token_, with the line it
    // stands on. False, with the token pushed back, at anything else.
    bool NextBlockKey(int& keyLine);
    // An unknown word: when a value stands on the same line after it (an unknown key with its
    // value), the value is skipped with a warning; otherwise the word was a flag.
    void SkipUnknownKey(const std::string& key, int keyLine);
    // A key of the section's text key table, its value decoded and handed to the target.
    template <typename Target>
    KeyResult ReadTextKey(const std::string& key, std::span<const TextKey<Target>> keys,
                          Target& target);
    // day, after, before, notattending and presentation, shared by teachers and parents.
    KeyResult ReadAttendanceKey(const std::string& key, Attendee* attendee);
    KeyResult ReadTeacherKey(const std::string& key, Teacher* teacher);
    KeyResult ReadParentKey(const std::string& key, Parent* parent);
    KeyResult ReadEventKey(const std::string& key, int* date);
    KeyResult ReadEventFlag(const std::string& key);
    void SwitchOn(bool ScheduleOptions::*option);
    void SetGapMode(ParentGapMode mode);
    // The keys of a teacher's or parent's block up to its end: the attendance keys, then the
    // block's own, and any other word skipped.
    template <typename Person>
    bool ReadAttendeeKeys(Person* person,
                          KeyResult (EventFileReader::*readOwnKey)(const std::string&, Person*));
    template <typename Person>
    bool ReadAttendeeBlock(Person* person,
                           KeyResult (EventFileReader::*readOwnKey)(const std::string&, Person*));
    // The times and absence read so far for the day of the block being read.
    AttendancePlan& PlanOf(Schedule* day);
    // The day of the date, from an index of the days once they are all read: a scan per line
    // would grow with the days times the lines.
    Schedule* FindDay(const Date& date);
    static long long DateKey(const Date& date) {
        return static_cast<long long>(date.Year()) * 10000 + date.Month() * 100 + date.Day();
    }
    // A break or booking time that is not on a slot boundary moves to the start of the slot
    // holding it, so breaks and bookings meet by slot and what is read is what the next open
    // reads. Said once. Times outside the day stay as they are.
    TimeOfDay OnSlot(const Schedule* day, const TimeOfDay& time);
    bool ReadRequest();
    bool ReadTaughtBy();
    // A number or switch of the scheduling options.
    KeyResult ReadScheduleOption(const std::string& key);
    // False, reported, once the days or this day's slots reach sizes no school has.
    bool CheckDaySize(const Schedule& day);

    // Name first, then initials, ignoring case, without a scan: the indexes grow as teachers
    // are added.
    Teacher* FindTeacher(const std::string& nameOrInitials);
    void IndexTeacherName(Teacher* teacher);
    void IndexTeacherInitials(Teacher* teacher, const std::string& initials);
    const std::string& LowerKey(const std::string& text);

    std::shared_ptr<Event> event_;
    MultiDaySchedule* schedule_;
    // The teacher or parent whose block is being read, until the event takes it.
    std::unique_ptr<Teacher> newTeacher_;
    std::unique_ptr<Parent> newParent_;
    Tokeniser* tokens_;
    Parent* parent_ = nullptr;
    Pupil* pupil_ = nullptr;
    Teacher* teacher_ = nullptr;
    Schedule* currentDay_ = nullptr;
    TokenKind kind_ = TokenEnd;
    std::string text_;
    std::string token_;
    std::string lookupKey_;
    bool locked_ = false;
    bool movedOffSlot_ = false;
    EmailServerSettings server_;
    ScoreCompareSwitches switches_;
    std::unordered_map<std::string, Teacher*> teacherNames_;
    std::unordered_map<std::string, Teacher*> teacherInitials_;
    std::unordered_set<std::string> parentKeys_;
    std::unordered_map<long long, Schedule*> daysByDate_;
    std::unordered_map<std::string, Presentation*> presentationNames_;
    std::vector<std::pair<Schedule*, AttendancePlan>> dayPlans_;
};

template <typename Target>
EventFileReader::KeyResult EventFileReader::ReadTextKey(const std::string& key,
                                                        std::span<const TextKey<Target>> keys,
                                                        Target& target) {
    const TextKey<Target>* entry = FindTextKey(keys, key);
    if (entry == nullptr) {
        return KeyResult::NotMine;
    }
    std::string text;
    if (!ReadText(text)) {
        return KeyResult::Failed;
    }
    entry->set(target, DecodeTextValue(entry->form, text));
    return KeyResult::Done;
}
