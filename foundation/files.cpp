#include "foundation/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

StdioFile::StdioFile(const char* path, const char* mode) {
    if (path != nullptr) {
        file_ = std::fopen(path, mode != nullptr ? mode : "r");
    }
}

StdioFile::~StdioFile() {
    Close();
}

void StdioFile::Close() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool StdioFile::Eof() const {
    return file_ == nullptr || std::feof(file_) != 0;
}

bool StdioFile::ReadLine(std::string& out) {
    if (Eof()) {
        return false;
    }
    out.clear();
    bool readAny = false;
    for (;;) {
        const int c = std::fgetc(file_);
        if (c == EOF) {
            return readAny;
        }
        readAny = true;
        if (c == '\n') {
            return true;
        }
        if (c == '\r') {
            // Old spreadsheet exports end their lines with CR alone.
            const int next = std::fgetc(file_);
            if (next != '\n' && next != EOF) {
                std::ungetc(next, file_);
            }
            return true;
        }
        out += static_cast<char>(c);
    }
}

long StdioFile::Size() const {
    if (file_ == nullptr) {
        return 0;
    }
    const long position = std::ftell(file_);
    std::fseek(file_, 0, SEEK_END);
    const long size = std::ftell(file_);
    std::fseek(file_, position < 0 ? 0 : position, SEEK_SET);
    return size < 0 ? 0 : size;
}

namespace {

std::string SystemReason(int code) {
    const char* description = std::strerror(code);
    return description != nullptr && *description != '\0' ? description
                                                          : "system error " + std::to_string(code);
}

std::string WhyNotOrdinary(const struct stat& info) {
    if (S_ISREG(info.st_mode)) {
        return std::string();
    }
    return S_ISDIR(info.st_mode) ? SystemReason(EISDIR) : "it is not an ordinary file";
}

}  // namespace

std::string WhyNotOrdinaryFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return SystemReason(errno);
    }
    return WhyNotOrdinary(info);
}

FILE* OpenOrdinaryFile(const std::string& path, std::string* reason) {
    // errno for a refusal: a folder has its own; anything else has none that fits.
    int code = EINVAL;
    auto refuse = [&](int descriptor, std::string why) -> FILE* {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        if (reason != nullptr) {
            *reason = std::move(why);
        }
        errno = code;
        return nullptr;
    };
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        code = errno;
        return refuse(-1, SystemReason(code));
    }
    if (!S_ISREG(info.st_mode)) {
        code = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return refuse(-1, WhyNotOrdinary(info));
    }
    // The path may have been swapped for a FIFO since it was looked at: without O_NONBLOCK that
    // open would wait for a writer.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        code = errno;
        return refuse(-1, SystemReason(code));
    }
    if (::fstat(descriptor, &info) != 0) {
        code = errno;
        return refuse(descriptor, SystemReason(code));
    }
    if (!S_ISREG(info.st_mode)) {
        code = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return refuse(descriptor, WhyNotOrdinary(info));
    }
    const int flags = ::fcntl(descriptor, F_GETFL);
    FILE* file = nullptr;
    if (flags == -1 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == -1 ||
        (file = ::fdopen(descriptor, "rb")) == nullptr) {
        code = errno;
        return refuse(descriptor, SystemReason(code));
    }
    return file;
}

bool FileName::Stat() {
    statDone_ = ::stat(path_.c_str(), &status_) == 0;
    return statDone_;
}

bool FileName::Exists() {
    return statDone_ || Stat();
}

std::int64_t FileName::Size() {
    return Exists() ? static_cast<std::int64_t>(status_.st_size) : 0;
}

bool FileName::IsDirectory() {
    return Exists() && S_ISDIR(status_.st_mode);
}

time_t FileName::ModificationTime() {
    return Exists() ? status_.st_mtime : 0;
}

bool FileName::MakeDirectory() const {
    return ::mkdir(path_.c_str(), 0777) == 0;
}

std::string FileName::Join(const char* name) const {
    return path_ + DirectoryName::Separator() + (name != nullptr ? name : "");
}

std::unique_ptr<ByteBuffer> FileName::ReadAll() {
    if (!Exists()) {
        return nullptr;
    }
    StdioFile file(OpenOrdinaryFile(path_));
    if (file.GetFile() == nullptr) {
        return nullptr;
    }
    // The size of what was opened, not the kept status: a file that grew since would otherwise
    // come back cut short as if whole.
    struct stat opened {};
    if (::fstat(::fileno(file.GetFile()), &opened) != 0) {
        return nullptr;
    }
    const std::int64_t size = opened.st_size;
    if (S_ISDIR(opened.st_mode) || size > INT_MAX) {
        errno = S_ISDIR(opened.st_mode) ? EISDIR : EFBIG;
        return nullptr;
    }
    if (size <= 0) {
        return nullptr;
    }
    auto buffer = std::make_unique<ByteBuffer>(static_cast<int>(size));
    if (std::fread(buffer->At(0), 1, static_cast<size_t>(size), file.GetFile()) !=
        static_cast<size_t>(size)) {
        if (std::ferror(file.GetFile()) == 0) {
            errno = EIO;  // cut short while it was read
        }
        return nullptr;
    }
    return buffer;
}

void DirectoryName::Set(const std::string& path) {
    path_ = path;
    if (path_.size() > 1 && path_.back() == '/') {
        path_.pop_back();
    }
}

bool DirectoryName::Exists() const {
    FileName name(path_);
    return name.IsDirectory();
}

DirectoryName DirectoryName::TempDirectory() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') {
        DirectoryName candidate(fromEnvironment);
        if (candidate.Exists()) {
            return candidate;
        }
    }
    return DirectoryName("/tmp");
}

bool DirectoryName::List(UCStringList& names) const {
    DIR* folder = ::opendir(path_.c_str());
    if (folder == nullptr) {
        return false;
    }
    while (const dirent* entry = ::readdir(folder)) {
        names.Append(entry->d_name);
    }
    ::closedir(folder);
    return true;
}
