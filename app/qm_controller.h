#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/event_changes.h"
#include "app/script_run.h"
#include "app/user_settings.h"
#include "foundation/publisher.h"

class AutosaveOwner;
class AutosaveSession;
class ByteBuffer;
class Date;
class Event;
class FileLock;
class MultiDaySchedule;
class QMScript;
class Tokeniser;
class UCSMTPClientFactory;

// A file as it was read or written: which file, its size and time, and the digest of its bytes.
struct FileOnDisk {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = -1;
    long long modifiedNs = 0;
    std::string digest;
    // When this was taken, on the same clock as modifiedNs.
    long long seenNs = 0;
};

// The application's controller: owns the event being worked on, its timetable, the lock on its
// file and the user settings, and carries out the file-level actions on them (open, save,
// merge, close, the autosave copy and its recovery after a crash). The window's controller
// derives from it to make the script host and to own the mail transport.
class QMController {
public:
    QMController();
    virtual ~QMController();
    QMController(const QMController&) = delete;
    QMController& operator=(const QMController&) = delete;

    // Once, at start-up: the autosave path (a copy of this run's own: one another run left
    // behind, to recover, or else a new one) and the user settings.
    virtual void Initialise();
    // A script host loaded from the file, owned by the caller; none without a scripting engine.
    virtual std::unique_ptr<QMScript> CreateScript(const std::string& fileName);
    // How the window offers Stop while a road runs scripts (ScriptRun); without one nothing
    // stops them.
    void SetScriptStopOffer(ScriptRun::StopOffer offer) { scriptRun_.offer = std::move(offer); }
    ScriptRun::State& GetScriptRunState() { return scriptRun_; }
    // Makes the schedule the held one (the previous one is deleted) and its event the one whose
    // score switches are in force. A schedule of another event drops the file lock too: that
    // event has no file of its own until it is saved.
    virtual void SetEvent(std::unique_ptr<MultiDaySchedule> schedule);

    // --- what the window and the other subsystems reach directly ---
    MultiDaySchedule* GetSchedule() const { return schedule_.get(); }
    const std::shared_ptr<Event>& GetEvent() const { return event_; }
    UserSettings& GetUserSettings() { return settings_; }
    const UserSettings& GetUserSettings() const { return settings_; }
    bool AreSettingsLoaded() const { return settingsLoaded_; }
    // The one mail transport of the whole run; null until the window sets one.
    UCSMTPClientFactory* GetClientFactory() const { return clientFactory_.get(); }
    void SetClientFactory(std::unique_ptr<UCSMTPClientFactory> factory);

    // --- user data folder ---
    // Created when missing; "" (reported) when it cannot be found or made, and "" without a
    // word once start-up found none.
    std::string GetUserDataFolder() const;
    // "" when there is no user data folder.
    std::string GetUserSettingsPath() const;
    const std::string& GetAutosavePath() const { return autosavePath_; }
    [[nodiscard]] bool SaveUserSettings();

    // --- autosave and recovery ---
    // Writes a changed event (IsEventChanged) to the autosave copy, whole or not at all; the
    // event stays changed. True when the copy was written or nothing needed writing; false,
    // saying nothing, with no event, and false after saying why when the copy failed.
    [[nodiscard]] bool Autosave();
    bool AutosaveFileExists() const;
    // True when there was none or it is gone.
    [[nodiscard]] bool DeleteAutosaveFile();
    // Loads the autosave copy as a new, unsaved event without a file name, after checking its
    // digest. A copy that cannot be recovered is renamed aside and kept.
    [[nodiscard]] bool RecoverAutosave();
    // The copy the window's tick starts, of the event as it stands, whatever runs. Whatever
    // replaces, saves or closes the event, writes the copy at once or removes it first ends a
    // copy under way, so that an older text never lands after it.
    AutosaveSession& GetAutosave() { return *autosave_; }

    bool IsUpdateAllowed(const Date& today) const;

    // --- changed since saved ---
    // Whether the event file written now would differ from the one last saved or opened (in
    // more than the random filler of its encoded times); an event that never had a file (new,
    // recovered) counts as changed. What would be written is compared, not what anyone marked,
    // so every change counts whatever made it, and one that was undone does not. False without
    // an event.
    bool IsEventChanged() const;
    // The MD5 of the text the event file writer would write now, encoded times without their
    // filler; empty without an event.
    std::string DigestEventText() const;
    // That text itself; empty without an event or without days. Reports nothing, so that a
    // thread other than the window's may ask while the window's thread keeps off the model.
    std::string FormatEventText() const;
    // The digest of the text last saved or opened; empty for an event that has none.
    const std::string& GetSavedDigest() const { return savedDigest_; }
    // Whether text (as FormatEventText gives it) differs from the text last saved or opened.
    bool DiffersFromSaved(const std::string& text) const;

    // --- what the views follow ---
    // Held while the event may change: a command, an editor, a file opened or dropped. Scopes
    // nest; when the outermost ends the subscribers are told once what changed, then the work
    // left for after the change runs.
    class ChangeScope {
    public:
        explicit ChangeScope(QMController& controller) : controller_(controller) {
            controller_.BeginChange();
        }
        ~ChangeScope() {
            if (--controller_.changeDepth_ == 0) {
                controller_.SettleChanges();
            }
        }
        ChangeScope(const ChangeScope&) = delete;
        ChangeScope& operator=(const ChangeScope&) = delete;

    private:
        QMController& controller_;
    };
    // Replaced and Settled messages until the subscription goes.
    [[nodiscard]] Subscription Subscribe(std::function<void(const EventMessage&)> handler) {
        return followers_.Subscribe(std::move(handler));
    }
    // Tells the subscribers what changed since they last heard and runs the work that waited
    // for it; inside a change scope this waits for the scope's end.
    void SettleChanges();
    // Runs the work once the subscribers have heard of the change under way (a report over the
    // views as the change left them); at once when nothing is changing.
    void AfterChangesSettle(std::function<void()> work);
    bool IsChanging() const { return changeDepth_ > 0; }
    // What changed since the last call: another event (or none), its people, or only their
    // names; asking moves the mark. Whatever made the change, this sees it. The timetable
    // itself is not followed: views that show it redraw whenever they are asked to.
    EventChanges TakeChanges();
    // Clears the results mark of each person whose timetable changed since the last look, so
    // that the next results e-mail and handouts reach them again (people who came or went are
    // left as they are), and gives it back while the event is open when a later change puts back
    // the timetable they were sent; every settled change does it first. An e-mail or print run
    // calls it before choosing whom to reach, so that a timetable changed earlier in the same
    // change (by a script) is settled before the run marks anyone, not after.
    void SettleSentMarks();
    // A script function is about to reshape timetables: a script reading a mark afterwards asks
    // SettleSentMarksIfReshaped first, without paying for a look when nothing was reshaped.
    void NoteTimetablesReshaped() { marksStale_ = true; }
    void SettleSentMarksIfReshaped() {
        if (marksStale_) {
            SettleSentMarks();
        }
    }

    // --- event files ---
    // Locks the file, reads it and makes it the held event; on failure nothing changes. A file
    // the user may read but not write opens read-only, with a message saying so. The open
    // event's own path answers true and reads nothing, unless another program changed the file
    // since it was opened or saved: then it is read.
    [[nodiscard]] bool OpenEventFile(const char* path);
    // A yes/no question to the user; true for Yes.
    using Question = std::function<bool(const std::string& question)>;
    // Writes the event to the path through a lock, replacing the old file atomically; a new
    // path becomes the event's file. On failure the old file and state stay as they were. The
    // open file, changed by another program since it was opened or saved, is replaced only when
    // ask says Yes; without ask it is kept and the save refused.
    [[nodiscard]] bool SaveEvent(const char* path, const Question& ask = nullptr);
    // The locked file's path (or the read-only file's); "" for an event never saved.
    std::string GetFileName() const;
    // Whether path names the open event's file, however it is spelled.
    bool IsTheOpenFile(const std::string& path) const;
    // Whether another program replaced or rewrote the open file since it was opened or saved.
    bool IsOpenFileChangedOnDisk() const;
    // The event came from a file this user can only read: it is held without a lock, and
    // saving it means choosing another name (the window's Save runs Save As).
    bool IsReadOnly() const { return !readOnlyPath_.empty(); }
    // Whether path names one of the files the program keeps in its user data folder (the
    // settings, any running copy's autosave copy, what is written beside them), by any name.
    // No event is saved over one; one opened is held as a new event without a file name.
    bool IsProgramsOwnFile(const std::string& path) const;
    void CloseEvent();
    // Adds the other file's people and requests that the held event lacks; the log gets a
    // line for each. Refused, changing nothing, while the event is locked.
    [[nodiscard]] bool MergeEventFile(const char* path, std::string* log);
    // Books every request that is booked on no day, leaving existing bookings (or first taking
    // out those of parents with unbooked requests) and, when asked, says how it went.
    void BookUnbookedRequests(bool report, bool unbookFirst);

    // Reading an event into a new timetable; null (reported) on failure.
    std::unique_ptr<MultiDaySchedule> ParseEventFile(Tokeniser& reader);
    // read: the bytes as read, when wanted.
    std::unique_ptr<MultiDaySchedule> ReadLockedEventFile(FileLock& lock,
                                                          std::string* read = nullptr);
    std::unique_ptr<MultiDaySchedule> ReadEventFile(const char* path);

private:
    static constexpr const char* kSettingsFileName = "user_settings.dat";

    bool OpenReadOnly(const char* path);
    bool OpenOwnFileAsNew(const char* path);
    // The open file again, through its lock, after another program rewrote it in place.
    bool ReadOpenFileAgain();
    // The text of an event file, as read from path: checked against its check line, taken as
    // Windows-1252 when it is not UTF-8, and parsed.
    std::unique_ptr<MultiDaySchedule> ParseFileText(const std::string& text,
                                                    const std::string& path);
    // After a merge added teachers: a grid row on every day for each of them.
    void MatchGridsToTeachers();
    // The checked and parsed autosave copy; null (reported) when it cannot be recovered.
    std::unique_ptr<MultiDaySchedule> ReadAutosaveCopy();
    // Moves a copy that could not be recovered out of the autosave path; "" on failure.
    std::string KeepFailedAutosave();
    void EndAutosave();
    void BeginChange();
    // After an open or a save: the event as it stands is the one its file holds.
    void RememberSavedText() { savedDigest_ = DigestEventText(); }
    // After an open or a save: which file the path names and what it holds.
    void RememberFileOnDisk();
    // After an open or a save through the lock: the file it holds, and the bytes read from it
    // or written to it.
    void RememberLockedFile(const std::string& bytes);

    std::unique_ptr<UCSMTPClientFactory> clientFactory_;
    std::shared_ptr<Event> event_;
    std::unique_ptr<MultiDaySchedule> schedule_;
    std::unique_ptr<FileLock> lock_;
    // The file of an event opened read-only; empty otherwise.
    std::string readOnlyPath_;
    // The digest of the text last saved or opened; empty for an event that has none.
    std::string savedDigest_;
    // The open file as it was opened or last saved.
    std::optional<FileOnDisk> fileOnDisk_;
    // Moves whenever the held event is replaced or closed; what the views last saw of it.
    unsigned eventGeneration_ = 0;
    unsigned seenGeneration_ = 0;
    PeopleDigest seenPeople_;
    // Each person's timetable as the sent marks last saw it; taken afresh for another event.
    TimetableDigests seenTimetables_;
    // The results marks a change cleared, until the timetable sent comes back; for this event.
    ClearedResultsMarks clearedMarks_;
    Publisher<EventMessage> followers_;
    int changeDepth_ = 0;
    std::vector<std::function<void()>> afterSettling_;
    std::string autosavePath_;
    // Keeps this run's autosave copy its own while it runs.
    std::unique_ptr<AutosaveOwner> autosaveOwner_;
    bool dataFolderMissing_ = false;
    // As start-up found it: the folder of the program's own files.
    std::string dataFolder_;
    std::unique_ptr<AutosaveSession> autosave_;
    UserSettings settings_;
    bool settingsLoaded_ = false;
    ScriptRun::State scriptRun_;
    bool marksStale_ = false;
};
