#pragma once

#include <string>
#include <vector>

// A fresh folder of its own for one test (under $TMPDIR, else /tmp), removed with everything in it
// when the test ends.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "qm-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    // Writes bytes to the named file in the folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    // The whole content of the named file; empty when it cannot be read.
    std::string Read(const std::string& name) const;
    // Names of the folder's entries, sorted.
    std::vector<std::string> Names() const;

private:
    std::string path_;
};

// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
