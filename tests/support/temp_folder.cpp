#include "support/temp_folder.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string BaseFolder() {
    const char* tmpdir = ::getenv("TMPDIR");
    struct stat info {};
    if (tmpdir != nullptr && *tmpdir != '\0' && ::stat(tmpdir, &info) == 0 &&
        S_ISDIR(info.st_mode)) {
        std::string base = tmpdir;
        while (base.size() > 1 && base.back() == '/') {
            base.pop_back();
        }
        return base;
    }
    return "/tmp";
}

}  // namespace

TempFolder::TempFolder(const std::string& prefix) {
    std::string pattern = BaseFolder() + "/" + prefix + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder '" + pattern +
                                 "': " + ::strerror(errno));
    }
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    // Tests may leave read-only folders behind; make them writable so that everything goes.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        }
    }
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::Write(const std::string& name, const std::string& bytes) const {
    const std::string path = File(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

std::string TempFolder::Read(const std::string& name) const {
    return ReadWholeFile(File(name));
}

std::vector<std::string> TempFolder::Names() const {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ignored)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}
