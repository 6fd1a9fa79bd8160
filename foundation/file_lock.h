#pragma once

#include <memory>
#include <string>

#include "foundation/byte_buffer.h"

// The exclusive lock on the open event file, through which that file is read and rewritten.
// While it is held no other lock on the same file succeeds, in this process or another, and it
// goes on excluding them after each rewrite. Dropping the object releases the lock.
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

    // The whole file; null when it is empty, missing or cannot be read. No message.
    std::unique_ptr<ByteBuffer> ReadAll() const;

    // Replaces the whole content: the new bytes go to a synced file beside the old one, which
    // is locked and then renamed over it, so a failure at any step leaves the old content
    // whole. False with errno set on failure; no message (the caller reports).
    bool WriteAll(const void* data, unsigned length);

private:
    std::string path_;
    std::string target_;  // path_ with symbolic links resolved, once locked
    int descriptor_ = -1;
    bool held_ = false;
};
