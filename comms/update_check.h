#pragma once

#include <string>

#include "foundation/version_number.h"

class UserSettings;

// What the web service says about the latest release: the first line of its version text.
struct ReleaseInfo {
    std::string checksum;  // the installer's MD5 digest
    std::string fileName;  // the installer's name in the download area
    VersionNumber available;
};

// The update check without its windows: where to ask, how to read the answer, and how a
// downloaded installer is checked and started. Every refusal is reported to the message sink.
class UpdateCheck {
public:
    static constexpr const char* kProgramVersion = "6.2.0";
    static constexpr const char* kUserAgent = "Quillmoot 6.2.0";
    // A shorter first line is no answer at all.
    static constexpr size_t kMinimumLineLength = 60;
    // Where the version begins in that line, written with '_' between its numbers.
    static constexpr size_t kVersionIndex = 52;
    // A version text is a line or a few; a longer reply is not one.
    static constexpr size_t kVersionReplyLimit = 64 * 1024;

    enum Outcome { ContactFailed, UpToDate, UpdateAvailable };

    explicit UpdateCheck(const UserSettings& settings);

    // False, with "no update server is configured" reported, when the user set no host.
    bool IsConfigured(bool report) const;
    const std::string& GetHost() const { return host_; }
    const std::string& GetCAFile() const { return caFile_; }
    std::string GetVersionTextURL() const;
    // The file name goes into the download area's path, percent-encoded where a path needs it.
    std::string GetDownloadURL(const std::string& fileName) const;

    // Reads the first line of the version text. The message is what the user is told (an
    // error, the up-to-date note, or the question whether to download); info->available is
    // filled for UpdateAvailable.
    Outcome Evaluate(const std::string& line, std::string* message, ReleaseInfo* info) const;
    // The digest and the installer's name, read once the user wants the download; false, with
    // the message, when the line does not hold both or the name is not a plain file name.
    static bool ParseRelease(const std::string& line, ReleaseInfo* info, std::string* message);
    static VersionNumber ParseAvailableVersion(const std::string& line);
    // A name the server may give us: no folder, no "..", no control characters.
    static bool IsPlainFileName(const std::string& name);

    // What the user is told when the version reply passes kVersionReplyLimit.
    std::string TooLargeReplyMessage() const;

    // A fresh name beside the target for the download until its digest has been checked; the
    // download creates it, and fails rather than write where a file or link already is.
    static std::string PartialPath(const std::string& target);
    // The target is a file of its own (not a link) that already holds this installer.
    static bool FileMatches(const std::string& path, const std::string& checksum);
    // Moves a download whose digest matches over the target; otherwise reports, removes the
    // download and leaves the target as it was.
    bool AcceptDownload(const std::string& partialPath, const std::string& target,
                        const std::string& checksum) const;
    // Lets the owner run the file; false for anything but a file of its own.
    static bool MakeRunnable(const std::string& path);
    // Starts the installer from its path alone (no shell); it must be an executable file.
    static bool StartInstaller(const std::string& path);

private:
    std::string ContactError() const;

    std::string host_;
    std::string caFile_;
    bool debug_ = false;
    bool force_ = false;
};
