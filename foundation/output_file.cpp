#include "foundation/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "foundation/atomic_file.h"
#include "foundation/file_lock.h"

namespace {

// What the user may do, not what the process's real user id may.
bool MayAccess(const std::string& path, int mode) {
    return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

}  // namespace

bool CanWriteOutputFile(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    // The writer replaces the file a link names, in that file's folder.
    std::string target = path;
    if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    struct stat status {};
    if (::stat(target.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            errno = EISDIR;
            return false;
        }
        // An open event's file, ours by any name or another running copy's: an output written
        // over it would take the event's place on disk while that window still shows it saved.
        if (IsAnOpenEventsFile(target)) {
            errno = EBUSY;
            return false;
        }
        if (!MayAccess(target, W_OK)) {
            return false;
        }
    }
    return MayAccess(FolderOf(target), W_OK | X_OK);
}

bool WriteOutputFile(const std::string& path, const void* data, size_t length) {
    return CanWriteOutputFile(path) && WriteFileAtomically(path, data, length);
}
