#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "model/person.h"

class EmailServerSettings;
class MultiDaySchedule;
class Parent;
class PersonList;
class PrintSettings;
class Pupil;
class QMController;
class QMScript;
class Schedule;
class Teacher;
class UCSMTPClient;
class UCSMTPClientFactory;
class UCSMTPEmail;

// Why a person gets no message about a day (0: the message is sent).
enum EmailSkipReason {
    EmailWillBeSent = 0,
    EmailSkipNoPerson = 1,
    EmailSkipNoDay = 2,
    EmailSkipNoAddress = 3,
    EmailSkipAlreadySent = 4,
    EmailSkipNoRequests = 5,
    EmailSkipNoAppointments = 6,
    EmailSkipWrongType = 7,
    EmailSkipAlreadyResponded = 8,
    EmailSkipNotRegistered = 9
};

// One message of a run: a person and the event day it is about.
struct EmailRecipient {
    Person* person = nullptr;
    Schedule* day = nullptr;
};

// How a composed text ends its lines: plain text for a message body, or the escaped line ends
// of a calendar description.
enum EmailTextStyle { EmailTextPlain = 0, EmailTextCalendar = 2 };

// One run of e-mails of one kind over the loaded event: who gets a message about which day,
// why others get none, and the sending itself, one message per SendNext so that a progress
// window can drive it. A person's sent flag of the kind is set once every message the run owes
// them was accepted.
class EmailJob {
public:
    static constexpr const char* kCallerName = "Quillmoot 6.2.0";

    // options: the choices of a run for once (one person's send), copied; without them the
    // run takes the event's own.
    EmailJob(QMController* controller, EmailTextKind kind, const PrintSettings* options = nullptr);
    ~EmailJob();
    EmailJob(const EmailJob&) = delete;
    EmailJob& operator=(const EmailJob&) = delete;

    int GetRecipientCount() const;
    const std::vector<EmailRecipient>& GetRecipients() const { return recipients_; }
    EmailTextKind GetKind() const { return kind_; }
    int GetSentCount() const { return sentCount_; }
    int GetSkippedCount() const { return skippedCount_; }
    int GetFailedCount() const { return failedCount_; }
    // The log's line when the user stopped the run's scripts: the run ends there.
    static constexpr const char* kStoppedText =
        "Script stopped by the user: no more emails are sent";
    // The user stopped the e-mail scripts, as they loaded or as one wrote a message: nothing
    // more is composed or sent.
    bool WasStopped() const { return stopped_; }
    // No recipient is left and no message is under way.
    bool IsFinished() const { return nextIndex_ >= recipients_.size() && !IsSending(); }
    bool IsSending() const { return sending_.person != nullptr; }
    // "3 sent, 1 skipped, 1 failed": how the run went, for its closing line.
    std::string GetSummary() const;

    void EnableDebugLog();
    bool IsDebugLogEnabled() const { return debug_; }
    // Null before Connect.
    UCSMTPClient* GetClient() const { return client_.get(); }

    EmailSkipReason GetSkipReason(Person* person, Schedule* day) const;
    // The web service on which events are registered, from the user's settings; "" when none.
    std::string GetWebsiteAddress() const;
    // The reason as the preview words it; a text starting with a blank follows the name.
    static std::string GetSkipReasonText(EmailSkipReason reason, const std::string& website);
    void AddRecipient(Person* person);
    void AddRecipients(PersonList& people);
    void SetSingleRecipient(Person* person);

    // Why the server settings cannot send at all (no server, or no sender); empty when they can.
    static std::string CheckServerSettings(const EmailServerSettings& settings);
    // Refused, with CheckServerSettings' reason, when the event's settings cannot send.
    bool Connect(int attachCalendar);

    // What one call did: a message is still under way, or one recipient's message was sent,
    // skipped (its text is blank) or failed; None once no recipient is left.
    enum EmailStep {
        EmailStepSending,
        EmailStepSent,
        EmailStepSkipped,
        EmailStepFailed,
        EmailStepNone
    };
    // For a window's timer: starts the next recipient's message or advances the one under
    // way, without waiting for the server. The log gets the recipient's line when it is done.
    EmailStep Step(std::string* log);
    // One whole recipient, waiting for the server; the next call goes on with the next. A
    // script's Stop gives the message up while the server cannot have it yet (None).
    EmailStep SendNextMessage(std::string* log);
    // One recipient. True when its message was sent; after the last one it returns false with
    // an empty log.
    bool SendNext(std::string* log);
    // Gives the message under way up, unless the server may have it (its end has gone): then
    // it returns false, and Step counts it by the server's answer as any other.
    bool GiveUpMessage();
    // Ends the message under way: given up, or counted by the server's answer, waited for up to
    // the client's stall limit.
    void CancelMessage();

    // --- composition ---
    static std::string GetLineEnd(EmailTextStyle style);
    // Every whole-word occurrence of the word, with the lines rebuilt to end in CR LF.
    static std::string ReplacePlaceholder(const std::string& text, const char* word,
                                          const char* value);
    // All placeholders in one pass, so a value that holds a placeholder word stays as it is.
    static std::string FillPlaceholders(const std::string& text,
                                        const std::map<std::string, std::string>& values);
    std::string ComposeInvitationText(Person* person, const std::string& link,
                                      EmailTextStyle style) const;
    std::string ComposeParentText(Parent* parent, Schedule* day, EmailTextStyle style) const;
    std::string ComposePupilText(Pupil* pupil, Schedule* day, EmailTextStyle style) const;
    std::string ComposeTeacherText(Teacher* teacher, Schedule* day, EmailTextStyle style) const;
    // False, with GetScriptFailure saying why, when the person's e-mail script failed: what it
    // wrote up to then is no message.
    bool BuildMessage(UCSMTPEmail& email, Person* person, Schedule* day, int attachCalendar) const;
    // The error that ended the e-mail script of the last message built; "" when none did.
    const std::string& GetScriptFailure() const { return scriptFailure_; }

private:
    struct Style;
    std::string ComposeParent(Parent* parent, Schedule* day, const Style& style) const;
    std::string ComposePupil(Pupil* pupil, Schedule* day, const Style& style) const;
    std::string ComposeTeacher(Teacher* teacher, Schedule* day, const Style& style) const;
    // The role's script text, when its script has the function for this kind.
    bool RunScript(QMScript* script, Person* person, Schedule* day, const Style& style,
                   std::string* text) const;
    std::string ParentScheduleLines(Parent* parent, Schedule* day, const Style& style,
                                    int* bookedSlots) const;
    std::string PupilScheduleLines(Pupil* pupil, Schedule* day, const Style& style) const;
    std::string TeacherScheduleLines(Teacher* teacher, Schedule* day, const Style& style) const;
    std::string ParentUnbookedLines(Parent* parent, const Style& style) const;
    // The pupil's requests booked on no day; a family's lines name the pupil.
    std::string PupilUnbookedLines(Pupil* pupil, const Style& style, bool aboutPupil) const;
    std::string TeacherUnbookedLines(Teacher* teacher, const Style& style) const;
    std::string AppointmentLine(Schedule* day, int slot, const class Appointment& booking,
                                const Style& style, bool aboutPupil) const;
    bool HasEvent() const;
    // A message of the person's is done with: accepted, or blank and not owed. The sent flag
    // waits for the last one the run owes them.
    void Settle(Person* person, bool accepted);

    std::unique_ptr<UCSMTPClient> client_;
    MultiDaySchedule* days_ = nullptr;
    int sentCount_ = 0;
    int skippedCount_ = 0;
    int failedCount_ = 0;
    size_t nextIndex_ = 0;
    // The recipient whose message is under way; none between messages.
    EmailRecipient sending_;
    bool debug_ = false;
    bool stopped_ = false;
    const PrintSettings* selection_ = nullptr;
    std::unique_ptr<PrintSettings> ownOptions_;
    EmailTextKind kind_;
    int attachCalendar_ = 0;
    std::unique_ptr<QMScript> parentScript_;
    std::unique_ptr<QMScript> pupilScript_;
    std::unique_ptr<QMScript> teacherScript_;
    QMController* controller_;
    UCSMTPClientFactory* factory_ = nullptr;
    std::vector<EmailRecipient> recipients_;
    struct Settlement {
        long messages = 0;
        bool accepted = false;
    };
    std::map<const Person*, Settlement> settled_;
    mutable std::string scriptFailure_;
    // Whether the last text composed was the role's script's.
    mutable bool scriptWrote_ = false;
};
