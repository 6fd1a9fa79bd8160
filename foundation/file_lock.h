#pragma once

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>

#include "foundation/byte_buffer.h"

// Whether a FileLock of this process holds that file (the open event's): what the program writes
// for the user elsewhere (an export, a report, a handout) never replaces it.
bool IsHeldByAFileLock(const struct stat& file);

// Whether path is an ordinary file that a running copy of the program holds as its open event:
// this one, by any name, or another copy, whose lock a new opening here cannot share.
bool IsAnOpenEventsFile(const std::string& path);

// The exclusive lock on the open event file, through which that file is read and rewritten.
// While it is held no other lock on the same file succeeds, in this process or another, and it
// goes on excluding them after each rewrite. Dropping the object releases the lock.
class ReplacementFile;

class FileLock {
public:
    static constexpr int kLockFailed = 1;
    static constexpr int kLockHeld = 2;

    explicit FileLock(const char* path) : path_(path != nullptr ? path : "") {}
    explicit FileLock(const std::string& path) : path_(path) {}
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // kLockHeld on success. Otherwise reports "Cannot lock file '<path>': <reason>" and returns
    // kLockFailed. A path whose folder exists but which names no file yet is reserved without
    // creating anything: reading it fails, and the first WriteAll creates it (where a symbolic
    // link there points), refusing if another program created it meanwhile.
    int Lock();
    bool IsHeld() const { return held_; }
    const std::string& GetPath() const { return path_; }

    // Which file the lock holds now (after each rewrite, the new one); false when none.
    bool Identify(struct stat* found) const;

    // Moves the lock to another name of the file it holds (a second hard link), so that its
    // rewrites land there. False, changing nothing, when path is no other name of that file.
    bool MoveTo(const std::string& path);

    // Whether path, a name of the locked file when it was locked, now leads to another place
    // (a symbolic link on it pointed elsewhere): rewrites would not land where path leads.
    bool LeadsElsewhere(const std::string& path) const;

    // The whole file; null when it is empty, missing or cannot be read. No message.
    std::unique_ptr<ByteBuffer> ReadAll() const;

    // Replaces the whole content: the new bytes go to a synced file beside the old one, which
    // is locked and then renamed over it, so a failure at any step leaves the old content
    // whole. False with errno set on failure; no message (the caller reports).
    bool WriteAll(const void* data, unsigned length);

    // Shown the file about to be replaced, at a path where it can be read, once the new
    // content is written: true lets it be replaced.
    using Look = std::function<bool(const std::string& replaced)>;
    enum class Replaced { Done, Kept, Failed };
    // As WriteAll, with the look as the very last step: the two files swap names first, and a
    // file the look refuses is put back (Kept), so that nothing another program lands before
    // the swap is replaced unlooked. A file gone by then is not looked at: the new one takes
    // its name only while nobody else has. taken runs the moment the new file has the name,
    // before anything else is done. Failed sets errno. Without syncFolder the caller syncs the
    // folder (SyncFolderOf).
    Replaced Replace(const void* data, unsigned length, const Look& look,
                     const std::function<void()>& taken = nullptr, bool syncFolder = true);
    // Where the last Replace kept another program's file that it could not put back, beside
    // the name; empty when there is none. Done then means the new file has the name because
    // nothing could go back.
    const std::string& KeptAside() const { return keptAside_; }

    // For tests: runs once the new content is written and locked, just before the look.
    static void SetBeforeLook(std::function<void(const std::string& path)> step);

private:
    // The new file, now at the name, is the one held.
    Replaced Adopt(ReplacementFile& replacement);

    std::string path_;
    std::string target_;  // path_ with symbolic links resolved, once locked
    int descriptor_ = -1;
    bool held_ = false;
    std::string keptAside_;
};
