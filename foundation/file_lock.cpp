#include "foundation/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>
#include <utility>

#include "foundation/atomic_file.h"
#include "foundation/uc_error.h"

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::function<void(const std::string&)> beforeLook;

// The files the locks of this process hold, by device and inode: outputs never replace them.
std::mutex heldMutex;
std::set<std::pair<dev_t, ino_t>> heldFiles;

void Hold(int descriptor, bool held) {
    struct stat status {};
    if (descriptor < 0 || ::fstat(descriptor, &status) != 0) {
        return;
    }
    const std::lock_guard<std::mutex> lock(heldMutex);
    if (held) {
        heldFiles.emplace(status.st_dev, status.st_ino);
    } else {
        heldFiles.erase({status.st_dev, status.st_ino});
    }
}

}  // namespace

bool IsHeldByAFileLock(const struct stat& file) {
    const std::lock_guard<std::mutex> lock(heldMutex);
    return heldFiles.count({file.st_dev, file.st_ino}) > 0;
}

bool IsAnOpenEventsFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    if (IsHeldByAFileLock(status)) {
        return true;
    }
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        return false;
    }
    const bool held = ::flock(descriptor, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(descriptor);
    return held;
}

FileLock::~FileLock() {
    if (descriptor_ >= 0) {
        Hold(descriptor_, false);
        ::close(descriptor_);
    }
}

int FileLock::Lock() {
    if (held_) {
        return kLockHeld;
    }
    const std::string failure = "Cannot lock file '" + path_ + "': ";
    // flock locks belong to one opening of the file, so a second FileLock in this process is
    // refused just like another program. The retries cover a file replaced between our open
    // and our lock, whose old copy nobody else would be locking any more.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int descriptor = ::open(path_.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
        if (descriptor < 0) {
            if (errno == ENOENT) {
                const std::string missing = LinkEnd(path_);
                if (IsFolder(FolderOf(missing))) {
                    target_ = missing;
                    held_ = true;
                    return kLockHeld;
                }
                errno = ENOENT;
            }
            UCError::Current().ReportSystemError(SeverityError, failure);
            return kLockFailed;
        }
        struct stat opened {};
        if (::fstat(descriptor, &opened) != 0) {
            const int code = errno;
            ::close(descriptor);
            errno = code;
            UCError::Current().ReportSystemError(SeverityError, failure);
            return kLockFailed;
        }
        if (!S_ISREG(opened.st_mode)) {
            ::close(descriptor);
            ReportMessage(SeverityError, failure + "it is not an ordinary file");
            return kLockFailed;
        }
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int code = errno;
            ::close(descriptor);
            if (code == EWOULDBLOCK) {
                ReportMessage(SeverityError, failure + "the file is already in use");
            } else {
                errno = code;
                UCError::Current().ReportSystemError(SeverityError, failure);
            }
            return kLockFailed;
        }
        struct stat named {};
        if (::stat(path_.c_str(), &named) == 0 && SameFile(opened, named)) {
            // Rewrites go to the file a symbolic link names, not over the link.
            if (char* resolved = ::realpath(path_.c_str(), nullptr)) {
                target_ = resolved;
                ::free(resolved);
            }
            descriptor_ = descriptor;
            held_ = true;
            Hold(descriptor_, true);
            return kLockHeld;
        }
        ::close(descriptor);
    }
    ReportMessage(SeverityError, failure + "the file keeps changing");
    return kLockFailed;
}

bool FileLock::Identify(struct stat* found) const {
    return descriptor_ >= 0 && ::fstat(descriptor_, found) == 0;
}

bool FileLock::MoveTo(const std::string& path) {
    struct stat held {};
    struct stat named {};
    if (!Identify(&held) || ::stat(path.c_str(), &named) != 0 || !SameFile(held, named)) {
        return false;
    }
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return false;
    }
    std::string target = resolved;
    ::free(resolved);
    if (target == target_) {
        return false;
    }
    path_ = path;
    target_ = std::move(target);
    return true;
}

bool FileLock::LeadsElsewhere(const std::string& path) const {
    struct stat held {};
    struct stat named {};
    if (Identify(&held) && ::stat(path.c_str(), &named) == 0 && SameFile(held, named)) {
        return false;
    }
    // A file put in place of ours at the same place is a change there, not another place.
    std::error_code endError;
    std::error_code ownError;
    const auto end = std::filesystem::weakly_canonical(LinkEnd(path), endError);
    const auto own = std::filesystem::weakly_canonical(target_.empty() ? path_ : target_, ownError);
    return !endError && !ownError && end != own;
}

std::unique_ptr<ByteBuffer> FileLock::ReadAll() const {
    struct stat status {};
    if (descriptor_ < 0 || ::fstat(descriptor_, &status) != 0 || status.st_size <= 0 ||
        status.st_size > INT_MAX) {
        return nullptr;
    }
    const auto size = static_cast<size_t>(status.st_size);
    auto buffer = std::make_unique<ByteBuffer>(static_cast<int>(size));
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(descriptor_, buffer->At(static_cast<int>(done)), size - done,
                                    static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return nullptr;
        }
        done += static_cast<size_t>(got);
    }
    return buffer;
}

bool FileLock::WriteAll(const void* data, unsigned length) {
    return Replace(data, length, nullptr) == Replaced::Done;
}

FileLock::Replaced FileLock::Replace(const void* data, unsigned length, const Look& look,
                                     const std::function<void()>& taken, bool syncFolder) {
    keptAside_.clear();
    if (!held_) {
        errno = EBADF;
        return Replaced::Failed;
    }
    const std::string destination = target_.empty() ? path_ : target_;
    ReplacementFile replacement(destination, data, length);
    if (!replacement.Ok()) {
        return Replaced::Failed;
    }
    // Lock the new file before it takes the old one's place, so there is no moment at which
    // another program could lock the event file.
    if (::flock(replacement.Descriptor(), LOCK_EX | LOCK_NB) != 0) {
        return Replaced::Failed;
    }
    if (beforeLook) {
        beforeLook(destination);
    }
    bool done = false;
    if (!look) {
        done = replacement.Commit(descriptor_ < 0, syncFolder);
        if (!done) {
            return Replaced::Failed;
        }
    }
    // Each turn either replaces, keeps, or finds the name taken or emptied since the last.
    for (int attempt = 0; !done && attempt < 10; ++attempt) {
        if (replacement.Exchange()) {
            if (!look(replacement.ReplacedPath())) {
                (void)replacement.PutBack();
                keptAside_ = replacement.KeptPath();
                // Nothing could go back: the new file has the name, and the refused one is
                // kept aside.
                if (replacement.IsAt(destination)) {
                    if (taken) {
                        taken();
                    }
                    if (syncFolder) {
                        SyncFolderOf(destination);
                    }
                    return Adopt(replacement);
                }
                return Replaced::Kept;
            }
            if (taken) {
                taken();
            }
            (void)replacement.Finish(syncFolder);
            return Adopt(replacement);
        }
        if (errno == ENOENT) {
            // Nothing to look at: the name is taken only while nobody else has taken it.
            done = replacement.Commit(true, syncFolder);
            if (!done && errno != EEXIST) {
                return Replaced::Failed;
            }
            continue;
        }
        if (errno != EINVAL && errno != ENOSYS) {
            return Replaced::Failed;
        }
        // A file system that cannot swap names: the look comes just before the rename.
        if (!look(destination)) {
            return Replaced::Kept;
        }
        done = replacement.Commit(false, syncFolder);
        if (!done) {
            return Replaced::Failed;
        }
    }
    if (!done) {
        errno = EAGAIN;
        return Replaced::Failed;
    }
    if (taken) {
        taken();
    }
    return Adopt(replacement);
}

FileLock::Replaced FileLock::Adopt(ReplacementFile& replacement) {
    if (descriptor_ >= 0) {
        Hold(descriptor_, false);
        ::close(descriptor_);
    }
    descriptor_ = replacement.ReleaseDescriptor();
    Hold(descriptor_, true);
    return Replaced::Done;
}

void FileLock::SetBeforeLook(std::function<void(const std::string& path)> step) {
    beforeLook = std::move(step);
}
