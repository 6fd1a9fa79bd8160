#include "foundation/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// Keeps errno across clean-up calls, so the caller reports the first failure, not the last.
class ErrnoKeeper {
public:
    ErrnoKeeper() : saved_(errno) {}
    ~ErrnoKeeper() { errno = saved_; }

private:
    int saved_;
};

bool WriteWhole(int descriptor, const char* data, size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(descriptor, data, length);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
    return true;
}

// Not rand(): tests seed it for repeatable runs, and saving must not shift that sequence.
std::string UniqueSuffix() {
    // Files are written from the window's thread and from workers at once.
    static std::atomic<unsigned> counter{0};
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    char text[64];
    std::snprintf(text, sizeof text, ".%ld.%u.%lx", static_cast<long>(::getpid()),
                  counter.fetch_add(1) + 1, static_cast<unsigned long>(now.tv_nsec));
    return text;
}

std::string BaseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void SyncFolder(const std::string& folder) {
    // Best effort: the rename has happened either way, and some file systems refuse this.
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

}  // namespace

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string StagedReplacementPath(const std::string& destination, pid_t pid) {
    return FolderOf(destination) + "/." + BaseNameOf(destination) + ".new." +
           std::to_string(static_cast<long>(pid)) + ".staged";
}

void RemoveStaleReplacements(const std::string& destination) {
    const std::string folder = FolderOf(destination);
    const std::string prefix = "." + BaseNameOf(destination) + ".new.";
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        // Only a save that can no longer finish: one of a process that is gone, or one of ours
        // (saves here never overlap).
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        const bool gone = pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        if (gone || pid == ::getpid()) {
            ::unlink((folder + "/" + name).c_str());
        }
    }
    ::closedir(listing);
}

ReplacementFile::ReplacementFile(const std::string& destination, const void* data, size_t length)
    : destination_(destination) {
    {
        ErrnoKeeper keep;
        RemoveStaleReplacements(destination);
    }
    struct stat existing {};
    const bool exists = ::stat(destination.c_str(), &existing) == 0;
    const std::string prefix = FolderOf(destination) + "/." + BaseNameOf(destination) + ".new";
    int descriptor = -1;
    for (int attempt = 0; attempt < 100 && descriptor < 0; ++attempt) {
        temporaryPath_ = prefix + UniqueSuffix();
        descriptor =
            ::open(temporaryPath_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (descriptor < 0 && errno != EEXIST) {
            break;
        }
    }
    if (descriptor < 0) {
        temporaryPath_.clear();
        return;
    }
    // A file shared through its group stays the group's, where the user may give it that
    // group; elsewhere it goes on as the user's own (the owner only root could keep). Before the
    // mode, which a change of group may clear bits of.
    if (exists) {
        struct stat made {};
        if (::fstat(descriptor, &made) == 0 && made.st_gid != existing.st_gid) {
            ErrnoKeeper keep;
            (void)::fchown(descriptor, static_cast<uid_t>(-1), existing.st_gid);
        }
    }
    const bool written = (!exists || ::fchmod(descriptor, existing.st_mode & 07777) == 0) &&
                         WriteWhole(descriptor, static_cast<const char*>(data), length) &&
                         ::fsync(descriptor) == 0;
    if (!written) {
        ErrnoKeeper keep;
        ::close(descriptor);
        ::unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
        return;
    }
    descriptor_ = descriptor;
}

ReplacementFile::~ReplacementFile() {
    ErrnoKeeper keep;
    if (exchanged_) {
        // Neither finished nor put back: the replaced file is not ours to remove.
        (void)PutBack();
    }
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
    if (!committed_ && !temporaryPath_.empty()) {
        ::unlink(temporaryPath_.c_str());
    }
}

void SyncFolderOf(const std::string& path) {
    SyncFolder(FolderOf(path));
}

bool ReplacementFile::Commit(bool mustBeNew, bool syncFolder) {
    if (descriptor_ < 0 || committed_) {
        errno = EBADF;
        return false;
    }
    if (mustBeNew) {
        const bool moved = ::renameat2(AT_FDCWD, temporaryPath_.c_str(), AT_FDCWD,
                                       destination_.c_str(), RENAME_NOREPLACE) == 0;
        if (!moved) {
            if (errno != EINVAL && errno != ENOSYS) {
                return false;
            }
            // A file system without the no-replace rename: a hard link fails just the same
            // when the name is taken.
            if (::link(temporaryPath_.c_str(), destination_.c_str()) != 0) {
                return false;
            }
            ::unlink(temporaryPath_.c_str());
        }
    } else if (::rename(temporaryPath_.c_str(), destination_.c_str()) != 0) {
        return false;
    }
    committed_ = true;
    if (syncFolder) {
        SyncFolder(FolderOf(destination_));
    }
    return true;
}

bool ReplacementFile::Stage() {
    if (descriptor_ < 0 || committed_) {
        errno = EBADF;
        return false;
    }
    if (::rename(temporaryPath_.c_str(), StagedReplacementPath(destination_, ::getpid()).c_str()) !=
        0) {
        return false;
    }
    committed_ = true;
    return true;
}

bool ReplacementFile::Exchange() {
    if (descriptor_ < 0 || committed_ || exchanged_) {
        errno = EBADF;
        return false;
    }
    if (::renameat2(AT_FDCWD, temporaryPath_.c_str(), AT_FDCWD, destination_.c_str(),
                    RENAME_EXCHANGE) != 0) {
        return false;
    }
    exchanged_ = true;
    return true;
}

bool ReplacementFile::Finish(bool syncFolder) {
    if (!exchanged_) {
        errno = EBADF;
        return false;
    }
    exchanged_ = false;
    committed_ = true;
    ::unlink(temporaryPath_.c_str());
    if (syncFolder) {
        SyncFolder(FolderOf(destination_));
    }
    return true;
}

bool ReplacementFile::IsAt(const std::string& path) const {
    struct stat ours {};
    struct stat there {};
    return descriptor_ >= 0 && ::fstat(descriptor_, &ours) == 0 &&
           ::lstat(path.c_str(), &there) == 0 && ours.st_dev == there.st_dev &&
           ours.st_ino == there.st_ino;
}

bool ReplacementFile::PutBack() {
    if (!exchanged_) {
        errno = EBADF;
        return false;
    }
    exchanged_ = false;
    const auto swap = [this] {
        return ::renameat2(AT_FDCWD, temporaryPath_.c_str(), AT_FDCWD, destination_.c_str(),
                           RENAME_EXCHANGE) == 0;
    };
    // Only over our own new file: one another program put at the name is newer than the file
    // it replaced.
    if (IsAt(destination_) && swap()) {
        if (IsAt(temporaryPath_)) {
            return true;  // the new file goes with this object
        }
        // Another program's file landed between the look and the swap: it is the latest.
        (void)swap();
    }
    // Nothing at the name (the new file moved away): the replaced file takes it again.
    struct stat there {};
    if (::lstat(destination_.c_str(), &there) != 0 && errno == ENOENT &&
        ::renameat2(AT_FDCWD, temporaryPath_.c_str(), AT_FDCWD, destination_.c_str(),
                    RENAME_NOREPLACE) == 0) {
        temporaryPath_.clear();
        return true;
    }
    return KeepAside();
}

bool ReplacementFile::KeepAside() {
    std::string stem = BaseNameOf(destination_);
    std::string extension;
    if (const size_t dot = stem.rfind('.'); dot != std::string::npos && dot > 0) {
        extension = stem.substr(dot);
        stem.erase(dot);
    }
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) != nullptr) {
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    }
    int failure = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string kept = FolderOf(destination_) + "/" + stem + "-kept-" + stamp;
        if (attempt > 0) {
            kept += "-" + std::to_string(attempt);
        }
        kept += extension;
        // Never over anything: a file of that name is someone's too.
        bool moved = ::renameat2(AT_FDCWD, temporaryPath_.c_str(), AT_FDCWD, kept.c_str(),
                                 RENAME_NOREPLACE) == 0;
        if (!moved && (errno == EINVAL || errno == ENOSYS)) {
            moved = ::link(temporaryPath_.c_str(), kept.c_str()) == 0;
            if (moved) {
                ::unlink(temporaryPath_.c_str());
            }
        }
        if (moved) {
            keptPath_ = std::move(kept);
            temporaryPath_.clear();
            return true;
        }
        failure = errno;
        if (failure != EEXIST) {
            break;
        }
    }
    // Left where it is, and never removed by this object.
    keptPath_ = temporaryPath_;
    temporaryPath_.clear();
    errno = failure;
    return false;
}

int ReplacementFile::ReleaseDescriptor() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

std::string WriteTargetOf(const std::string& path) {
    // Write through a symbolic link to its target rather than replacing the link itself.
    std::string destination = path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        destination = resolved;
        ::free(resolved);
    }
    return destination;
}

std::string LinkEnd(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        char linked[PATH_MAX];
        const ssize_t length = ::readlink(path.c_str(), linked, sizeof linked - 1);
        if (length <= 0) {
            break;
        }
        const std::string next(linked, static_cast<size_t>(length));
        path = next.front() == '/' ? next : FolderOf(path) + "/" + next;
    }
    return path;
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t length) {
    ReplacementFile replacement(WriteTargetOf(path), data, length);
    return replacement.Ok() && replacement.Commit(false);
}
