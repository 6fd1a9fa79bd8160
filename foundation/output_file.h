#pragma once

#include <cstddef>
#include <string>

// Files the user names for the program's output (exports, saved reports, handouts, PDF). They
// are replaced whole beside the old file and renamed into place, and a rename only asks the
// folder: a file the user made read-only would be replaced all the same. Every such writer
// asks here first, so it is refused as opening it for writing would be.

// Whether an output file can be written at the path: a new one can be made in its folder, and
// one already there (or the file a link there names) is not closed to writing, nor the file a
// lock of this program holds (EBUSY). False sets errno to the reason.
bool CanWriteOutputFile(const std::string& path);

// Replaces the output file at path with data, whole or not at all, when CanWriteOutputFile
// allows it. False with errno set otherwise; the old file is then exactly as it was.
bool WriteOutputFile(const std::string& path, const void* data, size_t length);
inline bool WriteOutputFile(const std::string& path, const std::string& text) {
    return WriteOutputFile(path, text.data(), text.size());
}
