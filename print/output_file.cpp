#include "print/output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "foundation/atomic_file.h"

bool CanWriteOutputFile(const std::string& path) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            errno = EISDIR;
            return false;
        }
        if (access(path.c_str(), W_OK) != 0) {
            return false;
        }
    }
    // The whole file is made beside the old one and put in its place.
    return access(FolderOf(path).c_str(), W_OK) == 0;
}
