#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

// A new version of a file, written completely and synced beside the file it will replace, so
// that a crash, a full disk or a write error leaves either the old content or the new, never a
// mixture. Commit renames it over the destination and syncs the folder; a replacement that is
// never committed is removed again.
class ReplacementFile {
public:
    // Writes data to a new file in the destination's folder. When the destination exists the
    // new file takes its permission bits; otherwise the usual ones for a new file. Ok() tells
    // whether every byte reached the disk; on failure errno says why.
    ReplacementFile(const std::string& destination, const void* data, size_t length);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    bool Ok() const { return descriptor_ >= 0; }
    // Open for reading and writing; -1 when the write failed.
    int Descriptor() const { return descriptor_; }

    // Puts the new file in place of the destination. With mustBeNew the commit fails (EEXIST)
    // when something appeared at the destination meanwhile instead of replacing it. Without
    // syncFolder the caller syncs the folder (SyncFolderOf), when it holds nothing up.
    bool Commit(bool mustBeNew, bool syncFolder = true);

    // Leaves the new file, whole, at StagedReplacementPath(destination, this process) for
    // another process to put in place.
    bool Stage();

    // Swaps the new file and the destination in one step, so that what is replaced can still be
    // looked at (at ReplacedPath()) and put back: nothing another program puts at the
    // destination in the meantime is lost. Fails (ENOENT) when nothing is there, and (EINVAL)
    // on a file system that cannot swap two names.
    bool Exchange();
    // After Exchange: the file the new one replaced, until Finish or PutBack.
    const std::string& ReplacedPath() const { return temporaryPath_; }
    // After Exchange: the replaced file goes, and the new one stays.
    bool Finish(bool syncFolder = true);
    // After Exchange: the replaced file is put back, and the new one goes. What is not the
    // program's own is never removed: when the name no longer holds the new file (another
    // program put one there meanwhile, which stays), or the swap back fails, the replaced file
    // is kept beside it under a name of its own (KeptPath()). False, with errno set, when even
    // that move failed: it is then left at ReplacedPath().
    bool PutBack();
    // Where PutBack kept the replaced file; empty when it went back.
    const std::string& KeptPath() const { return keptPath_; }
    // Whether path names the new file just now.
    bool IsAt(const std::string& path) const;

    // Hands the descriptor of the committed file to the caller, who closes it.
    int ReleaseDescriptor();

private:
    // Moves the replaced file to a name of its own beside the destination.
    bool KeepAside();

    std::string destination_;
    std::string temporaryPath_;
    int descriptor_ = -1;
    bool committed_ = false;
    // Swapped with the destination: temporaryPath_ holds the replaced file.
    bool exchanged_ = false;
    std::string keptPath_;
};

// Where process pid leaves a whole replacement of destination (ReplacementFile::Stage); it
// counts as stale, like any replacement of a process that is gone.
std::string StagedReplacementPath(const std::string& destination, pid_t pid);

// Removes the replacement files that saves of destination killed part-way left beside it.
// Each replacement removes them first.
void RemoveStaleReplacements(const std::string& destination);

// Where a write to path lands: the target of a symbolic link there, otherwise path itself.
std::string WriteTargetOf(const std::string& path);

// Where a file opened for writing at path is made: through symbolic links, even those that name
// no file yet, to the path they end at. Links too deep to follow end where they stop.
std::string LinkEnd(std::string path);

// Replaces the whole content of path with data through a ReplacementFile. False with errno set
// on failure, when the old file is exactly as it was.
bool WriteFileAtomically(const std::string& path, const void* data, size_t length);
inline bool WriteFileAtomically(const std::string& path, const std::string& text) {
    return WriteFileAtomically(path, text.data(), text.size());
}

// Syncs the folder holding path, so that a rename there survives a crash; best effort.
void SyncFolderOf(const std::string& path);

// The folder part of a path: "." when it has none, "/" for a file in the root.
std::string FolderOf(const std::string& path);
