#pragma once

#include <cstddef>
#include <string>

// A logo is a file the user names: it is read only when it is a regular file (a FIFO or a
// device would keep the program waiting for ever) and no larger than a picture sensibly is.
constexpr size_t kMaxImageFileBytes = 64 * 1024 * 1024;

// False, leaving bytes empty, for anything but a regular file of at most kMaxImageFileBytes
// that can be read whole.
bool ReadImageFile(const std::string& path, std::string* bytes);

// The whole picture decodes without an error or a warning (a truncated file only warns).
bool IsWholePng(const std::string& bytes);
bool IsWholeJpeg(const std::string& bytes);
