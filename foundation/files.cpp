#include "foundation/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

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
    StdioFile file(path_.c_str(), "rb");
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
