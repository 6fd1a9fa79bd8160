#include "app/qm_controller.h"

#include <signal.h>

#include <utility>

#include "app/autosave_session.h"
#include "app/event_file_writer.h"
#include "app/qm_script.h"
#include "app/smtp_client.h"
#include "foundation/date.h"
#include "foundation/file_lock.h"
#include "foundation/md5.h"
#include "foundation/string_functions.h"
#include "foundation/time_of_day.h"
#include "foundation/uc_error.h"
#include "foundation/user_data_folder.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"
#include "model/person.h"
#include "model/schedule.h"

QMController::QMController()
    : autosaveOwner_(std::make_unique<AutosaveOwner>()),
      autosave_(std::make_unique<AutosaveSession>([this] {
          return AutosaveSubject{schedule_.get(), savedDigest_, autosavePath_};
      })) {}

QMController::~QMController() {
    autosave_.reset();
    lock_.reset();
    schedule_.reset();
    settings_.Clear();
    event_.reset();
}

void QMController::Initialise() {
    // A write past the file-size limit then fails with EFBIG and is reported like a full disk,
    // instead of killing the program.
    ::signal(SIGXFSZ, SIG_IGN);
    dataFolderMissing_ = false;
    const std::string folder = GetUserDataFolder();
    dataFolderMissing_ = folder.empty();
    dataFolder_ = folder;
    // Without a folder there is nowhere safe to write: the paths stay empty and every write to
    // them reports instead of landing somewhere else.
    EndAutosave();
    autosavePath_ = folder.empty() ? std::string() : autosaveOwner_->Claim(folder);
    AutosaveSession::SettleLeftCopies(autosavePath_);
    const std::string settingsPath =
        folder.empty() ? std::string() : folder + "/" + kSettingsFileName;
    settingsLoaded_ = !settingsPath.empty() && settings_.Load(settingsPath);
}

std::unique_ptr<QMScript> QMController::CreateScript(const std::string& /*fileName*/) {
    return nullptr;
}

void QMController::SetClientFactory(std::unique_ptr<UCSMTPClientFactory> factory) {
    clientFactory_ = std::move(factory);
}

void QMController::SetEvent(std::unique_ptr<MultiDaySchedule> schedule) {
    if (!schedule || schedule == schedule_) {
        return;
    }
    EndAutosave();
    // Freed only once the followers hold the new one.
    const std::unique_ptr<MultiDaySchedule> previous =
        std::exchange(schedule_, std::move(schedule));
    ++eventGeneration_;
    if (schedule_->GetEvent() != event_) {
        event_ = schedule_->GetEvent();
        // The lock names the previous event's file; keeping it would let a Save write this
        // event over that file.
        lock_.reset();
        readOnlyPath_.clear();
        savedDigest_.clear();
        fileOnDisk_.reset();
        // What another event's people were sent says nothing of this one's changes.
        seenTimetables_ = DigestTimetables(schedule_.get());
        clearedMarks_.clear();
    }
    if (event_) {
        event_->MakeScoreSwitchesCurrent();
    }
    followers_.Publish({EventMessage::Kind::Replaced, schedule_.get(), {}});
}

bool QMController::IsEventChanged() const {
    if (!schedule_ || !schedule_->GetEvent()) {
        return false;
    }
    return DiffersFromSaved(FormatEventText());
}

std::string QMController::DigestEventText() const {
    if (!schedule_ || !schedule_->GetEvent()) {
        return std::string();
    }
    MD5 md5;
    return md5.HexDigest(FormatEventText());
}

std::string QMController::FormatEventText() const {
    // A schedule without days has nothing to write; asking is not saving, so nobody is told.
    if (!schedule_ || !schedule_->GetEvent() || schedule_->GetDayCount() == 0 ||
        schedule_->GetDay(0) == nullptr) {
        return std::string();
    }
    // The random filler of encoded times is no change, and asking must not move rand().
    FixedTimeEncoding fixed;
    return EventFileWriter(*schedule_).FormatEventFile();
}

bool QMController::DiffersFromSaved(const std::string& text) const {
    MD5 md5;
    return savedDigest_.empty() || md5.HexDigest(text) != savedDigest_;
}

std::string QMController::GetUserDataFolder() const {
    // Start-up has said why there is none; looking again would say it again at every save.
    if (dataFolderMissing_) {
        return std::string();
    }
    return UserDataFolder();
}

std::string QMController::GetUserSettingsPath() const {
    const std::string folder = GetUserDataFolder();
    return folder.empty() ? std::string() : folder + "/" + kSettingsFileName;
}

bool QMController::SaveUserSettings() {
    const std::string path = GetUserSettingsPath();
    if (path.empty()) {
        ReportMessage(
            SeverityError,
            "Cannot save the user settings because the user data folder is not available");
        return false;
    }
    return settings_.Save(path);
}

bool QMController::IsUpdateAllowed(const Date& /*today*/) const {
    return true;
}

std::string QMController::GetFileName() const {
    return lock_ ? lock_->GetPath() : readOnlyPath_;
}

void QMController::EndAutosave() {
    autosave_->Cancel();
}

void QMController::BeginChange() {
    ++changeDepth_;
}

void QMController::CloseEvent() {
    EndAutosave();
    const std::unique_ptr<MultiDaySchedule> previous = std::move(schedule_);
    ++eventGeneration_;
    if (previous) {
        followers_.Publish({EventMessage::Kind::Replaced, nullptr, {}});
    }
    lock_.reset();
    readOnlyPath_.clear();
    savedDigest_.clear();
    fileOnDisk_.reset();
    autosavePath_.clear();
    seenTimetables_.clear();
    clearedMarks_.clear();
}

void QMController::SettleChanges() {
    if (changeDepth_ > 0) {
        return;
    }
    // Whoever was added or renamed takes the place the event file will give them when it is
    // opened again, so that what is saved reads back in the order it was written.
    if (schedule_) {
        schedule_->SortPeople();
    }
    // Before the views hear, so that they show the marks as the change left them.
    SettleSentMarks();
    followers_.Publish({EventMessage::Kind::Settled, schedule_.get(), TakeChanges()});
    std::vector<std::function<void()>> waiting;
    waiting.swap(afterSettling_);
    for (const std::function<void()>& work : waiting) {
        work();
    }
}

void QMController::AfterChangesSettle(std::function<void()> work) {
    if (changeDepth_ > 0) {
        afterSettling_.push_back(std::move(work));
    } else {
        work();
    }
}

EventChanges QMController::TakeChanges() {
    EventChanges changes;
    const PeopleDigest people = DigestPeople(schedule_ ? event_.get() : nullptr);
    changes.event = eventGeneration_ != seenGeneration_;
    changes.people = people.members != seenPeople_.members;
    changes.names = people.names != seenPeople_.names;
    seenGeneration_ = eventGeneration_;
    seenPeople_ = people;
    return changes;
}

void QMController::SettleSentMarks() {
    marksStale_ = false;
    TimetableDigests now = DigestTimetables(schedule_.get());
    SettleResultsMarks(seenTimetables_, now, clearedMarks_);
    seenTimetables_ = std::move(now);
}

void QMController::MatchGridsToTeachers() {
    if (!schedule_ || !event_) {
        return;
    }
    const TeacherList& teachers = event_->GetTeachers();
    for (unsigned d = 0; d < schedule_->GetDayCount(); ++d) {
        Schedule* day = schedule_->GetDay(d);
        // New teachers are appended to the list, so their rows are the missing last ones.
        for (unsigned row = day->GetGrid().GetRowCount(); row < teachers.Count(); ++row) {
            day->AddTeacherRow(teachers.Get(row));
        }
    }
}

void QMController::BookUnbookedRequests(bool report, bool unbookFirst) {
    if (!schedule_ || !event_) {
        return;
    }
    const ParentList& parents = event_->GetParents();
    int incomplete = 0;
    // Unbooking a family first takes only that family's bookings, so what the days held before
    // answers for every family.
    const RequestSet booked = schedule_->CollectBookedRequests();
    for (unsigned p = 0; p < parents.Count(); ++p) {
        const Parent* parent = parents.Get(p);
        if (schedule_->IsParentBooked(parent, booked)) {
            continue;
        }
        ++incomplete;
        if (unbookFirst) {
            // A locked booking keeps the parent as booked as before; the booking below still runs.
            (void)schedule_->UnbookParent(parent);
        }
    }
    unsigned failed = 0;
    // A locked event books nothing, and its refusal has said so: no count to report.
    if (!schedule_->BookParents(&parents, &failed, 0) && event_->IsLocked()) {
        return;
    }
    if (!report) {
        return;
    }
    if (incomplete == 0) {
        ReportMessage(SeverityInformation, "There were no unbooked requests");
        return;
    }
    std::string text = StringPrintf("Booked %d parents in", incomplete);
    if (failed != 0) {
        text += StringPrintf(", but %u appointments could not be booked", failed);
    }
    ReportMessage(SeverityInformation, text);
}
