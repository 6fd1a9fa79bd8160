#include "foundation/user_data_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "foundation/uc_error.h"

namespace {

constexpr const char* kFolderName = "Quillmoot";

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    std::vector<char> scratch(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, scratch.data(), scratch.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return "";
}

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// mkdir -p; private to the user, as the configuration folder should be.
bool MakeFolders(const std::string& path) {
    if (IsFolder(path)) {
        return true;
    }
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) {
        return false;
    }
    if (::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && IsFolder(path))) {
        return true;
    }
    if (errno == EEXIST) {
        errno = ENOTDIR;
    }
    return false;
}

}  // namespace

std::string UserDataFolder() {
    std::string base;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') {
        base = configHome;
    } else {
        const std::string home = HomeFolder();
        if (home.empty()) {
            ReportMessage(SeverityError, "Cannot read user profile location");
            return "";
        }
        base = home + (home.back() == '/' ? "" : "/") + ".config";
    }
    while (base.size() > 1 && base.back() == '/') {
        base.pop_back();
    }
    const std::string folder = (base == "/" ? "" : base) + "/" + kFolderName;
    if (!MakeFolders(folder)) {
        UCError::Current().ReportSystemError(SeverityError,
                                             "Cannot create directory '" + folder + "': ");
        return "";
    }
    return folder;
}
