#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "foundation/uc_unique_ordered.h"
#include "model/email_server_settings.h"
#include "model/importer_base.h"
#include "model/parent.h"
#include "model/person.h"
#include "model/person_list.h"
#include "model/presentation.h"
#include "model/print_settings.h"
#include "model/score.h"
#include "model/teacher.h"

class FamilyIdentity;

// One parents' evening: its people, presentations, slot length, spacing rules, role words,
// e-mail texts and server, print settings and import formats. It owns all of them. Every change
// goes through its operations, which mark it modified; those that would invalidate a booked
// timetable refuse while it is locked. Held under shared ownership (std::make_shared).
class Event {
public:
    Event();
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    // People. The event takes the person whatever the answer; a refused one (reported) is
    // destroyed.
    [[nodiscard]] bool AddTeacher(std::unique_ptr<Teacher> teacher);
    [[nodiscard]] bool AddParent(std::unique_ptr<Parent> parent);
    // DeleteTeacher, DeleteParent and DeleteParentsAndPupils free requests that a day's grid
    // may still book, and never touch the timetable: call them only after every day has
    // unbooked those requests (debug builds stop on a booked one). MultiDaySchedule's
    // DeleteTeacher and DeleteParent check the lock, unbook, then call the first two.
    // Removes and deletes a person of this event (a teacher with every request to it and what
    // it teaches); false for anyone else. Not guarded by the lock.
    [[nodiscard]] bool DeleteTeacher(Teacher* teacher);
    [[nodiscard]] bool DeleteParent(Parent* parent);
    // Each of these parents of the event as DeleteParent, the list closed up once.
    void DeleteParents(const std::vector<Parent*>& parents);
    // Every request, then every parent with its pupils. Refuses while locked, but only a
    // timetable without bookings is safe with it.
    [[nodiscard]] bool DeleteParentsAndPupils();
    bool BlankRequestedTimes();
    // What is kept by date (presentations, breaks, attendance) goes with days given new dates,
    // all at once (Attendee::MoveRecords). What no day held on a new date goes (DropDate).
    // Answers the presentations deleted so, as DropDate does. Not guarded by the lock.
    std::vector<std::string> MoveDates(const DateMoves& moves);
    // Everything kept for a date whose day is gone, or that a new day takes afresh: its
    // presentations (deleted, and dropped by everyone who went), the teachers' breaks and
    // everyone's attendance on it. Answers the deleted presentations' descriptions, for the
    // caller to name. Not guarded by the lock.
    std::vector<std::string> DropDate(const Date& date);
    bool HasFixedTimeRequest() const;
    bool HasUnfixedRequest() const;
    // The lists arrange and find; adding and deleting go through the event.
    TeacherList& GetTeachers() { return teachers_; }
    const TeacherList& GetTeachers() const { return teachers_; }
    ParentList& GetParents() { return parents_; }
    const ParentList& GetParents() const { return parents_; }

    // Presentations: taken and, when refused, destroyed, as for people.
    [[nodiscard]] bool AddPresentation(std::unique_ptr<Presentation> presentation);
    // AddPresentation for each in turn, in one pass whatever their number (a file read). Those
    // added are released from the vector; the first one left is the one refused.
    [[nodiscard]] bool AddPresentations(std::vector<std::unique_ptr<Presentation>>& presentations);
    // Drops it from every attendee and deletes it; false when locked or not this event's.
    [[nodiscard]] bool DeletePresentation(Presentation* presentation);
    const PresentationList& GetPresentations() const { return presentations_; }

    bool SetName(const std::string& name);
    const std::string& GetName() const { return name_; }
    void SetSchoolName(const std::string& name);
    const std::string& GetSchoolName() const { return schoolName_; }
    const std::string& GetUrl() const { return url_; }
    void SetUrl(const std::string& url);

    // In seconds.
    int GetSlotLength() const { return slotLength_; }
    bool SetSlotLength(int seconds);
    // Given in minutes, kept in slots of the current length (rounded down).
    bool SetParentWaitingTime(int minutes);
    bool SetTeacherWaitingTime(int minutes);
    bool SetTeacherBusyTime(int minutes);
    const ScheduleOptions& GetOptions() const { return options_; }
    void SetOptions(const ScheduleOptions& options);
    // The time a scoring limit (a slot count of ScheduleOptions) was last given, in seconds,
    // kept beside the slots and slot length it became: a new slot length starts from it rather
    // than from slots already rounded, so a length tried and put back gives the limit back.
    // Never saved (a file holds the slots).
    void RememberLimitSeconds(std::int32_t ScheduleOptions::*limit, std::int64_t seconds);
    // What was remembered, while the limit still holds those slots and they were of slotSeconds.
    std::optional<std::int64_t> RememberedLimitSeconds(std::int32_t ScheduleOptions::*limit,
                                                       int slotSeconds) const;

    // Adjacent appointments whenever parents may not wait at all, else the stored mode.
    ParentGapMode GetParentGapMode() const;
    // The mode the school chose, whatever the parents' waiting time: what the file keeps.
    ParentGapMode GetChosenParentGapMode() const { return parentGapMode_; }
    void SetParentGapMode(ParentGapMode mode);

    bool IsLocked() const { return locked_; }
    void SetLocked(bool locked) { locked_ = locked; }
    // Reports "Cannot <action> because the schedule is locked" when locked.
    bool RefuseWhenLocked(const char* action) const;
    bool IsModified() const { return modified_; }
    void SetModified() { modified_ = true; }
    void ClearModified() { modified_ = false; }
    bool GetAskParentTimes() const { return askParentTimes_; }
    void SetAskParentTimes(bool ask);

    // The words the program writes for the three roles, stored lower-cased.
    std::string GetTeacherDesc(bool capitalise) const { return Describe(teacherDesc_, capitalise); }
    std::string GetParentDesc(bool capitalise) const { return Describe(parentDesc_, capitalise); }
    std::string GetPupilDesc(bool capitalise) const { return Describe(pupilDesc_, capitalise); }
    void SetTeacherDesc(const std::string& word);
    void SetParentDesc(const std::string& word);
    void SetPupilDesc(const std::string& word);

    // E-mail templates: "NAME" marks the recipient's name and, in parents' and pupils'
    // invitations and reminders, "LINK" their web page. An empty text means the built-in one.
    bool SetParentEmailText(EmailTextKind kind, const std::string& text);
    bool SetPupilEmailText(EmailTextKind kind, const std::string& text);
    bool SetTeacherEmailText(EmailTextKind kind, const std::string& text);
    std::string GetParentEmailText(EmailTextKind kind) const;
    std::string GetPupilEmailText(EmailTextKind kind) const;
    std::string GetTeacherEmailText(EmailTextKind kind) const;

    void SetEmailServerSettings(const EmailServerSettings& settings);
    const EmailServerSettings& GetEmailServerSettings() const { return emailServer_; }
    PrintSettings& GetPrintSettings() { return printSettings_; }
    const PrintSettings& GetPrintSettings() const { return printSettings_; }
    void SetPrintSettings(const PrintSettings& settings);

    // The switches this event's scores compare by. Once it is the open event (made so by
    // MakeScoreSwitchesCurrent, until another event is or this one is destroyed), every Score
    // compares by them and Score::SetCompareSwitches changes them here.
    const ScoreCompareSwitches& GetScoreSwitches() const { return scoreSwitches_; }
    // Marks the event modified when they change.
    void SetScoreSwitches(const ScoreCompareSwitches& switches);
    void MakeScoreSwitchesCurrent() { Score::SetOpenEvent(this); }

    // Null past the end. Add takes ownership.
    ImporterBase* GetTeacherImporter(unsigned index) const;
    ImporterBase* GetPupilImporter(unsigned index) const;
    void AddTeacherImporter(std::unique_ptr<ImporterBase> importer);
    void AddPupilImporter(std::unique_ptr<ImporterBase> importer);
    const UCUniqueOrdered& GetTeacherImporters() const { return teacherImporters_; }
    const UCUniqueOrdered& GetPupilImporters() const { return pupilImporters_; }

    // Adds the other event's teachers, parents, pupils and requests that this one lacks, one
    // log line for each; refuses events of another school or name. copyDates takes the other
    // copy's evenings to this event's, where they have moved since it was taken.
    [[nodiscard]] bool Merge(const Event& other, std::string& log, const DateMoves& copyDates = {});

private:
    static std::string Describe(const std::string& word, bool capitalise);
    bool SetWaitingLength(int minutes, const char* action, int& slots);
    bool SetEmailText(std::string* texts, EmailTextKind kind, const std::string& text,
                      bool needsLink);
    // numberedApart: what ParentList::NumberedApart says of the other event's parents.
    [[nodiscard]] bool MergeParent(const Parent& source, std::string& log, FamilyIdentity& families,
                                   const std::set<std::string>& numberedApart,
                                   const DateMoves& copyDates);
    void ArriveWhole(Attendee& copy, const Attendee& source, const DateMoves& copyDates,
                     std::string& log) const;

    static constexpr int kEmailKinds = 3;

    ParentList parents_{256};
    TeacherList teachers_{128};
    std::string schoolName_;
    std::string name_ = "New event";
    int slotLength_ = 300;  // seconds
    bool modified_ = false;
    ParentGapMode parentGapMode_ = TryParentGaps;
    bool locked_ = false;
    bool askParentTimes_ = true;
    std::string teacherDesc_ = "teacher";
    std::string parentDesc_ = "parent";
    std::string pupilDesc_ = "pupil";
    std::string url_;
    std::string parentEmailTexts_[kEmailKinds];
    std::string pupilEmailTexts_[kEmailKinds];
    std::string teacherEmailTexts_[kEmailKinds];
    PresentationList presentations_{5};
    ScheduleOptions options_;
    struct LimitSeconds {
        std::int32_t ScheduleOptions::*limit;
        std::int64_t seconds;
        std::int32_t slots;
        int slotSeconds;
    };
    std::vector<LimitSeconds> limitSeconds_;
    ScoreCompareSwitches scoreSwitches_;
    EmailServerSettings emailServer_;
    PrintSettings printSettings_;
    UCUniqueOrdered teacherImporters_{5};
    UCUniqueOrdered pupilImporters_{5};
};
