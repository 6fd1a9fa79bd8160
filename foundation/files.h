#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "foundation/byte_buffer.h"
#include "foundation/uc_string_list.h"

// An owned C stream, closed with the object. Callers test GetFile() for null to see whether
// the file could be opened.
class StdioFile {
public:
    // Mode "r" when mode is null.
    StdioFile(const char* path, const char* mode);
    // Adopts an open stream.
    explicit StdioFile(FILE* file) : file_(file) {}
    ~StdioFile();
    StdioFile(const StdioFile&) = delete;
    StdioFile& operator=(const StdioFile&) = delete;

    FILE* GetFile() const { return file_; }
    void Close();
    bool Eof() const;

    // The next line without its line end: CR, LF and CR LF each end a line, and a last line
    // without one counts. False at the end of the file when nothing was read.
    bool ReadLine(std::string& out);

    // The stream's length in bytes; the position is kept.
    long Size() const;

private:
    FILE* file_ = nullptr;
};

// Why the path cannot be read as an ordinary file (following symbolic links), or empty when it
// can: the system's description when it cannot be looked at or is a folder, else "it is not an
// ordinary file". A FIFO, a device or a socket would make opening or reading it wait for ever,
// so every path a user, a file or a script names is asked this before anything opens it; the
// reason follows "...: " in a message.
std::string WhyNotOrdinaryFile(const std::string& path);

// Opens an ordinary file for reading ("rb"), never waiting for a writer: anything else is
// refused before a read can start. Null when refused or not opened, with reason (if given) as
// WhyNotOrdinaryFile or the system puts it.
FILE* OpenOrdinaryFile(const std::string& path, std::string* reason = nullptr);

// A path with its file status, read on first need and kept once read successfully (a failed
// read is tried again on the next question).
class FileName {
public:
    FileName() = default;
    FileName(const char* path) : path_(path != nullptr ? path : "") {}
    FileName(const std::string& path) : path_(path) {}

    const std::string& GetPath() const { return path_; }

    bool Stat();
    bool Exists();
    // Forgets the kept status, so the next question asks the system again.
    void ClearStatus() { statDone_ = false; }

    // 0 when the file does not exist.
    std::int64_t Size();
    bool IsDirectory();
    // 0 when the file does not exist.
    time_t ModificationTime();

    bool MakeDirectory() const;
    // The path, the separator, then name.
    std::string Join(const char* name) const;

    // Every byte of the file; null when it is missing, empty, not an ordinary file or cannot be
    // read whole, and then, unless it is empty, errno says why.
    std::unique_ptr<ByteBuffer> ReadAll();

private:
    struct stat status_ {};
    bool statDone_ = false;
    std::string path_;
};

// A folder, held without a trailing separator (except the root itself).
class DirectoryName {
public:
    DirectoryName() = default;
    DirectoryName(const char* path) { Set(path != nullptr ? path : ""); }
    DirectoryName(const std::string& path) { Set(path); }

    void Set(const std::string& path);
    const std::string& GetPath() const { return path_; }

    bool Exists() const;

    static char Separator() { return '/'; }

    // $TMPDIR when it names a folder, else /tmp.
    static DirectoryName TempDirectory();

    // Appends the name of every entry ("." and ".." included) in the order the system gives
    // them. False when the folder cannot be opened.
    bool List(UCStringList& names) const;

private:
    std::string path_;
};
