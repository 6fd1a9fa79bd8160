// The controller's file actions: open, save, merge, the autosave copy and its recovery.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "app/autosave_session.h"
#include "app/event_file_format.h"
#include "app/event_file_reader.h"
#include "app/event_file_writer.h"
#include "app/qm_controller.h"
#include "foundation/atomic_file.h"
#include "foundation/byte_buffer.h"
#include "foundation/file_lock.h"
#include "foundation/files.h"
#include "foundation/md5.h"
#include "foundation/string_functions.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    std::error_code error;
    return a == b || std::filesystem::equivalent(a, b, error);
}

// A file this user may read but not replace (another user's, on a read-only medium, or in a
// folder where the new copy that every save writes beside it cannot be made).
bool IsOnlyReadable(const char* path) {
    if ((::access(path, W_OK) == 0 && ::access(FolderOf(path).c_str(), W_OK) == 0) ||
        (errno != EACCES && errno != EROFS)) {
        return false;
    }
    return ::access(path, R_OK) == 0;
}

// A file system stamps a change with a clock that moves in steps (a few milliseconds, two
// seconds on some), so a change made within a step of a file being looked at can leave its size
// and time as they were.
constexpr long long kTimeStampStepNs = 2000000000LL;

FileOnDisk Remembered(const struct stat& found, std::string digest) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return FileOnDisk{
        found.st_dev,
        found.st_ino,
        static_cast<long long>(found.st_size),
        static_cast<long long>(found.st_mtim.tv_sec) * 1000000000LL + found.st_mtim.tv_nsec,
        std::move(digest),
        static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec};
}

// Which file path names and the digest of what it holds; nothing when there is none. One that
// cannot be read gets no digest, so it never passes for the one read or written.
std::optional<FileOnDisk> LookAtFile(const std::string& path) {
    struct stat found {};
    if (path.empty() || ::stat(path.c_str(), &found) != 0) {
        return std::nullopt;
    }
    std::unique_ptr<ByteBuffer> bytes = FileName(path).ReadAll();
    if (!bytes && found.st_size != 0) {
        return Remembered(found, std::string());
    }
    return Remembered(found, MD5().HexDigest(bytes ? bytes->ToString() : std::string()));
}

enum class Sameness { Same, Changed, Gone };

// Whether path names the file known: the same file, either untouched since (its size and time
// are as they were, and that time was well before it was looked at: no read, for this is looked
// at while a save holds its new file in place) or holding the same bytes.
Sameness CompareWith(const std::string& path, const FileOnDisk& known) {
    struct stat found {};
    if (path.empty() || ::stat(path.c_str(), &found) != 0) {
        return Sameness::Gone;
    }
    const FileOnDisk now = Remembered(found, std::string());
    if (now.device != known.device || now.inode != known.inode) {
        return Sameness::Changed;
    }
    if (now.size == known.size && now.modifiedNs == known.modifiedNs &&
        known.modifiedNs + kTimeStampStepNs < known.seenNs) {
        return Sameness::Same;
    }
    const auto read = LookAtFile(path);
    return read && !read->digest.empty() && read->digest == known.digest ? Sameness::Same
                                                                         : Sameness::Changed;
}

bool PathExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace

std::unique_ptr<MultiDaySchedule> QMController::ParseEventFile(Tokeniser& reader) {
    auto event = std::make_shared<Event>();
    auto schedule = std::make_unique<MultiDaySchedule>(event);
    EventFileReader fileReader(schedule.get(), &reader);
    if (!fileReader.Read()) {
        ReportMessage(SeverityError, StringPrintf("The event file seems to be invalid at line %d",
                                                  reader.GetLineNumber()));
        return nullptr;
    }
    return schedule;
}

std::unique_ptr<MultiDaySchedule> QMController::ParseFileText(const std::string& text,
                                                              const std::string& path) {
    const FileCheck check = CheckEventFileText(text);
    Tokeniser reader;
    reader.SetText(FileTextToUTF8(text));
    std::unique_ptr<MultiDaySchedule> schedule = ParseEventFile(reader);
    // Said before anyone works on it: what is missing may matter more than what opened.
    if (schedule && (check == FileCheck::Damaged || reader.EndedInsideQuote())) {
        ReportMessage(SeverityWarning,
                      "The file '" + path +
                          "' has been damaged or changed outside this program: it may be cut "
                          "short or hold changes that were never checked. Check the event "
                          "before working on it.");
    }
    return schedule;
}

std::unique_ptr<MultiDaySchedule> QMController::ReadLockedEventFile(FileLock& lock,
                                                                    std::string* read) {
    std::unique_ptr<ByteBuffer> bytes = lock.ReadAll();
    if (!bytes) {
        ReportMessage(SeverityError, "Cannot read file '" + lock.GetPath() + "'");
        return nullptr;
    }
    std::string text = bytes->ToString();
    std::unique_ptr<MultiDaySchedule> schedule = ParseFileText(text, lock.GetPath());
    if (read != nullptr) {
        *read = std::move(text);
    }
    return schedule;
}

std::unique_ptr<MultiDaySchedule> QMController::ReadEventFile(const char* path) {
    const std::string name = path != nullptr ? path : "";
    const auto refuse = [&name](const char* reason) {
        ReportMessage(SeverityError, reason);
        ReportMessage(SeverityError, "Cannot load file '" + name + "'");
        return nullptr;
    };
    FileName file(name);
    if (path == nullptr) {
        return refuse("No file specified");
    }
    if (!file.Exists()) {
        return refuse("File doesn't exist");
    }
    // A FIFO would wait for a writer, and reads as empty if refused later.
    if (const std::string why = WhyNotOrdinaryFile(name); !why.empty()) {
        ReportMessage(SeverityError, "Cannot open file '" + name + "': " + why);
        ReportMessage(SeverityError, "Cannot load file '" + name + "'");
        return nullptr;
    }
    // Null for an empty file too, which reads as the empty text.
    std::unique_ptr<ByteBuffer> bytes = file.ReadAll();
    if (!bytes && file.Size() != 0) {
        UCError::Current().ReportSystemError(SeverityError, "Cannot open file '" + name + "': ");
        ReportMessage(SeverityError, "Cannot load file '" + name + "'");
        return nullptr;
    }
    return ParseFileText(bytes ? bytes->ToString() : std::string(), name);
}

bool QMController::IsTheOpenFile(const std::string& path) const {
    return SameFile(GetFileName(), path);
}

void QMController::RememberFileOnDisk() {
    fileOnDisk_ = LookAtFile(GetFileName());
}

void QMController::RememberLockedFile(const std::string& bytes) {
    fileOnDisk_.reset();
    struct stat found {};
    if (lock_ && lock_->Identify(&found)) {
        fileOnDisk_ = Remembered(found, MD5().HexDigest(bytes));
    }
}

bool QMController::IsOpenFileChangedOnDisk() const {
    const std::string path = GetFileName();
    if (path.empty() || !fileOnDisk_) {
        return false;
    }
    // A file gone holds nothing a save could overwrite; one that cannot be read may be
    // another program's.
    return CompareWith(path, *fileOnDisk_) == Sameness::Changed;
}

bool QMController::OpenEventFile(const char* path) {
    if (path == nullptr || path[0] == '\0') {
        ReportMessage(SeverityError, "Cannot open an event file without a name");
        return false;
    }
    // The open event's own file is not read again over its changes, locked or only readable,
    // unless another program has changed it since.
    if (IsTheOpenFile(path)) {
        if (!IsOpenFileChangedOnDisk()) {
            // By a second name (a hard link), that name is the one the user now works on.
            if (lock_) {
                (void)lock_->MoveTo(path);
            }
            return true;
        }
        if (lock_ && fileOnDisk_) {
            struct stat found {};
            if (::stat(path, &found) == 0 && found.st_dev == fileOnDisk_->device &&
                found.st_ino == fileOnDisk_->inode) {
                // Rewritten in place: our own lock holds that file, so it is read through it.
                (void)lock_->MoveTo(path);
                return ReadOpenFileAgain();
            }
        }
    }
    if (IsProgramsOwnFile(path)) {
        return OpenOwnFileAsNew(path);
    }
    if (IsOnlyReadable(path)) {
        return OpenReadOnly(path);
    }
    // Locked before it is read, and the held event given up only once the new one is read.
    auto lock = std::make_unique<FileLock>(path);
    if (lock->Lock() != FileLock::kLockHeld) {
        return false;
    }
    std::string read;
    std::unique_ptr<MultiDaySchedule> schedule = ReadLockedEventFile(*lock, &read);
    if (!schedule) {
        return false;
    }
    SetEvent(std::move(schedule));
    lock_ = std::move(lock);
    readOnlyPath_.clear();
    RememberSavedText();
    RememberLockedFile(read);
    return true;
}

bool QMController::OpenOwnFileAsNew(const char* path) {
    std::unique_ptr<MultiDaySchedule> schedule = ReadEventFile(path);
    if (!schedule) {
        return false;
    }
    // A new event, as a recovered one is: it counts as changed until saved elsewhere.
    SetEvent(std::move(schedule));
    lock_.reset();
    readOnlyPath_.clear();
    fileOnDisk_.reset();
    schedule_->SetModified();
    ReportMessage(SeverityWarning, std::string("The file '") + path +
                                       "' is one of this program's own files: its event has "
                                       "been opened without a file name, to be saved under "
                                       "another name.");
    return true;
}

bool QMController::ReadOpenFileAgain() {
    std::string read;
    std::unique_ptr<MultiDaySchedule> schedule = ReadLockedEventFile(*lock_, &read);
    if (!schedule) {
        return false;
    }
    std::unique_ptr<FileLock> lock = std::move(lock_);
    SetEvent(std::move(schedule));
    lock_ = std::move(lock);
    RememberSavedText();
    RememberLockedFile(read);
    return true;
}

bool QMController::OpenReadOnly(const char* path) {
    // Said as the locked road says it, which finds no bytes in an empty file.
    if (FileName(path).Size() == 0) {
        ReportMessage(SeverityError, std::string("Cannot read file '") + path + "'");
        return false;
    }
    std::unique_ptr<MultiDaySchedule> schedule = ReadEventFile(path);
    if (!schedule) {
        return false;
    }
    SetEvent(std::move(schedule));
    lock_.reset();
    readOnlyPath_ = path;
    RememberSavedText();
    RememberFileOnDisk();
    ReportMessage(SeverityWarning, std::string("The file '") + path +
                                       "' can only be read: changes to it must be saved under "
                                       "another name.");
    return true;
}

bool QMController::SaveEvent(const char* path, const Question& ask) {
    if (!schedule_) {
        return false;
    }
    if (path == nullptr || path[0] == '\0') {
        ReportMessage(SeverityError, "Cannot save an event file without a name");
        return false;
    }
    // The program writes over, or removes, its own files whenever it likes: an event saved as
    // one of them would be lost without a word.
    if (IsProgramsOwnFile(path)) {
        ReportMessage(SeverityError, std::string("The file '") + path +
                                         "' is one of this program's own files: the event "
                                         "cannot be saved over it. Save it under another name.");
        return false;
    }
    std::unique_ptr<FileLock> newLock;
    FileLock* target = lock_.get();
    // Another spelling of the open file's path is still the open file: a second lock on it
    // would be refused by our own. A link pointed elsewhere since leads to another file, which
    // is what the user saves by that name.
    if (!lock_ || !SameFile(lock_->GetPath(), path) || lock_->LeadsElsewhere(path)) {
        newLock = std::make_unique<FileLock>(path);
        if (newLock->Lock() != FileLock::kLockHeld) {
            return false;
        }
        target = newLock.get();
    }
    // Saved as a second name of the open file (a hard link), the event goes there; a save that
    // does not happen leaves the lock on the name it had.
    std::string formerName;
    if (target == lock_.get()) {
        formerName = lock_->GetPath();
        if (!lock_->MoveTo(path)) {
            formerName.clear();
        }
    }
    const auto keepName = [&] {
        if (!formerName.empty()) {
            (void)lock_->MoveTo(formerName);
        }
        return false;
    };
    // Read-only or locked, the open file is replaced only as it was read or saved.
    const bool openFile = target == lock_.get() || IsTheOpenFile(path);
    // A script that reshaped timetables and saves before it ends: the file marks as sent only
    // the timetables that were.
    SettleSentMarksIfReshaped();
    EventFileWriter writer(*schedule_);
    const std::string text = writer.FormatSavedText();
    if (text.empty()) {
        ReportMessage(SeverityError, "The file '" + target->GetPath() + "' could not be saved!");
        return keepName();
    }
    // A copy under way never lands after the file it would be older than.
    EndAutosave();
    std::optional<int> removal;  // errno of the copy's removal, 0 when it went
    const auto removeCopy = [&] {
        removal =
            SameFile(autosavePath_, target->GetPath()) || AutosaveSession::RemoveCopy(autosavePath_)
                ? 0
                : errno;
    };
    std::optional<FileOnDisk> accepted = fileOnDisk_;
    const auto isOurs = [&](const std::string& replaced) {
        return !accepted || CompareWith(replaced, *accepted) != Sameness::Changed;
    };
    FileLock::Replaced outcome = FileLock::Replaced::Kept;
    // Each answer is about the file as it was asked of: one changed again is asked of again.
    while (outcome == FileLock::Replaced::Kept) {
        // Nothing between the new file taking its name and the copy going: a copy left behind
        // would be offered at the next start over the newer file.
        outcome = target->Replace(text.data(), static_cast<unsigned>(text.size()),
                                  openFile ? FileLock::Look(isOurs) : FileLock::Look(), removeCopy,
                                  false);
        if (!target->KeptAside().empty()) {
            ReportMessage(SeverityWarning, "Another program's version of the file '" +
                                               target->GetPath() +
                                               "' could not be put back in its place: it has "
                                               "been kept as '" +
                                               target->KeptAside() + "'.");
        }
        if (outcome != FileLock::Replaced::Kept) {
            break;
        }
        const std::string changed = "The file '" + target->GetPath() +
                                    "' has been changed by another program since it was opened "
                                    "or last saved";
        // What the user refused stays a change: whatever the name holds by the next save, even
        // the bytes first read, is asked about again.
        const auto refused = [&] {
            if (openFile && fileOnDisk_) {
                // Still the file the lock holds, but like nothing it held.
                fileOnDisk_->size = -1;
                fileOnDisk_->digest.clear();
            }
            return keepName();
        };
        if (!ask) {
            ReportMessage(SeverityError, changed + ": it has been kept, not replaced.");
            return refused();
        }
        const auto asked = LookAtFile(path);
        if (!ask(changed + ". Do you want to replace it with this event?")) {
            return refused();
        }
        // Gone when asked: whatever is there by now is another change.
        accepted = asked ? *asked : FileOnDisk{};
    }
    if (outcome == FileLock::Replaced::Failed) {
        UCError::Current().ReportSystemError(
            SeverityError, "Cannot write data to save file '" + target->GetPath() + "': ");
        ReportMessage(SeverityError, "The file '" + target->GetPath() + "' could not be saved!");
        return keepName();
    }
    SyncFolderOf(WriteTargetOf(target->GetPath()));
    if (!autosavePath_.empty()) {
        SyncFolderOf(autosavePath_);
    }
    schedule_->ClearModified();
    if (newLock) {
        lock_ = std::move(newLock);
        readOnlyPath_.clear();
    }
    RememberSavedText();
    // What was written, not what the name holds by now: another program's file that lands
    // there after the save is a change to ask about.
    RememberLockedFile(text);
    if (removal.value_or(0) != 0) {
        errno = *removal;
        UCError::Current().ReportSystemError(
            SeverityWarning, "The autosave copy '" + autosavePath_ + "' could not be removed: ");
    }
    // The event is saved; settings that could not be written have said so and cost no data.
    (void)SaveUserSettings();
    return true;
}

bool QMController::IsProgramsOwnFile(const std::string& path) const {
    const std::string& folder = dataFolder_;
    if (folder.empty() || path.empty()) {
        return false;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path where = fs::weakly_canonical(LinkEnd(path), error);
    const fs::path ours = fs::weakly_canonical(folder, error);
    if (!error && where.parent_path() == ours) {
        const std::string name = where.filename().string();
        // The settings, each running copy's autosave copy, and what is written beside them.
        if (name == kSettingsFileName || name == "autosave.qmv" ||
            name.rfind(".autosave", 0) == 0 ||
            name.rfind(std::string(".") + kSettingsFileName, 0) == 0) {
            return true;
        }
        if (name.rfind("autosave-", 0) == 0 && name.size() > 13 &&
            name.compare(name.size() - 4, 4, ".qmv") == 0 &&
            name.find_first_not_of("0123456789", 9) == name.size() - 4) {
            return true;
        }
    }
    // Another name for one of them.
    if (!PathExists(path)) {
        return false;
    }
    if (SameFile(path, folder + "/" + kSettingsFileName)) {
        return true;
    }
    for (int place = 0; place < AutosaveOwner::kMostCopies; ++place) {
        if (SameFile(path, AutosaveOwner::CopyPath(folder, place))) {
            return true;
        }
    }
    return false;
}

bool QMController::MergeEventFile(const char* path, std::string* log) {
    std::shared_ptr<Event> event = event_;
    if (!event || !schedule_) {
        return false;
    }
    // Said before anything is read: a locked timetable takes nobody new, whoever asks.
    if (event->RefuseWhenLocked("merge changes")) {
        return false;
    }
    std::unique_ptr<MultiDaySchedule> other = ReadEventFile(path);
    if (!other) {
        return false;
    }
    std::string scratch;
    std::string& text = log != nullptr ? *log : scratch;
    const unsigned teachersBefore = event->GetTeachers().Count();
    // A date both copies have is the same evening; with as many days in each, the copy's other
    // evenings are our others in order, wherever their dates have moved since it was taken.
    DateMoves copyDates;
    if (other->GetDayCount() == schedule_->GetDayCount()) {
        std::vector<Date> theirs;
        std::vector<Date> ours;
        for (unsigned d = 0; d < other->GetDayCount(); ++d) {
            if (schedule_->FindDay(other->GetDay(d)->GetDate()) == nullptr) {
                theirs.push_back(other->GetDay(d)->GetDate());
            }
            if (other->FindDay(schedule_->GetDay(d)->GetDate()) == nullptr) {
                ours.push_back(schedule_->GetDay(d)->GetDate());
            }
        }
        for (size_t d = 0; d < theirs.size() && d < ours.size(); ++d) {
            copyDates[theirs[d]] = ours[d];
        }
    }
    const bool merged = event->Merge(*other->GetEvent(), text, copyDates);
    // Even a merge that stopped part-way may have added teachers.
    MatchGridsToTeachers();
    // New teachers come last, with breaks made on the other file's slots: their minutes stay
    // breaks here.
    for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
        schedule_->GetDay(d)->RefitBreaks(other->GetEvent()->GetSlotLength(), teachersBefore);
    }
    schedule_->EnforceTimeBoundaries();
    return merged;
}

bool QMController::Autosave() {
    if (autosave_->CopyNow() != AutosaveSession::Outcome::Failed) {
        return schedule_ != nullptr;
    }
    for (const std::string& reason : autosave_->FailureReasons()) {
        ReportMessage(SeverityError, reason);
    }
    return false;
}

bool QMController::AutosaveFileExists() const {
    return PathExists(autosavePath_);
}

bool QMController::DeleteAutosaveFile() {
    EndAutosave();
    // Whatever else it is, the open event's file is never removed as a copy.
    if (IsTheOpenFile(autosavePath_)) {
        return true;
    }
    // Even when there is none: a copy begun before (a script watchdog's) must not land after.
    return AutosaveSession::RemoveCopy(autosavePath_);
}

std::string QMController::KeepFailedAutosave() {
    const std::filesystem::path autosave(autosavePath_);
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = std::string("autosave-failed-") + stamp;
        if (attempt > 0) {
            name += StringPrintf("-%d", attempt);
        }
        const std::string aside = (autosave.parent_path() / (name + ".qmv")).string();
        if (PathExists(aside)) {
            continue;
        }
        std::error_code error;
        std::filesystem::rename(autosave, aside, error);
        return error ? std::string() : aside;
    }
    return "";
}

std::unique_ptr<MultiDaySchedule> QMController::ReadAutosaveCopy() {
    // Locked only while it is read: the recovered event gets no file name, so it is never
    // saved back over its own autosave copy.
    FileLock lock(autosavePath_);
    if (lock.Lock() != FileLock::kLockHeld) {
        return nullptr;
    }
    std::unique_ptr<ByteBuffer> bytes = lock.ReadAll();
    if (!bytes) {
        ReportMessage(SeverityError, "Cannot read file '" + autosavePath_ + "'");
        return nullptr;
    }
    std::string body;
    if (!VerifyAutosaveText(bytes->ToString(), &body)) {
        ReportMessage(SeverityError,
                      "The autosave file '" + autosavePath_ +
                          "' is damaged: its check line does not match its contents");
        return nullptr;
    }
    Tokeniser reader;
    reader.SetText(FileTextToUTF8(body));
    return ParseEventFile(reader);
}

bool QMController::RecoverAutosave() {
    EndAutosave();
    if (!AutosaveFileExists()) {
        return false;
    }
    std::unique_ptr<MultiDaySchedule> schedule = ReadAutosaveCopy();
    if (!schedule) {
        // Kept under another name, so that neither the next autosave nor the window's
        // clean-up at the end of the run can destroy what may be the only copy.
        const std::string aside = KeepFailedAutosave();
        if (aside.empty()) {
            UCError::Current().ReportSystemError(SeverityError,
                                                 "The autosave file '" + autosavePath_ +
                                                     "' could not be recovered or moved aside: ");
        } else {
            ReportMessage(
                SeverityError,
                "The autosave file could not be recovered; it has been kept as '" + aside + "'");
        }
        return false;
    }
    // A new event, so it has no saved text: it counts as changed until it is saved.
    SetEvent(std::move(schedule));
    lock_.reset();
    fileOnDisk_.reset();
    schedule_->SetModified();
    return true;
}
