#include "comms/update_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <vector>

#include "app/user_settings.h"
#include "comms/web_service.h"
#include "foundation/child_process.h"
#include "foundation/files.h"
#include "foundation/md5.h"
#include "foundation/uc_error.h"

UpdateCheck::UpdateCheck(const UserSettings& settings)
    : host_(WebService::GetHost(settings)),
      caFile_(settings.Get(WebService::kCAFileSetting)),
      debug_(settings.GetInt("updatecheckdebug", 0) == 1),
      force_(settings.GetInt("updateforceupgrade", 0) == 1) {}

bool UpdateCheck::IsConfigured(bool report) const {
    if (host_.empty()) {
        if (report) {
            ReportMessage(SeverityError,
                          "Cannot check for updates: no update server is configured.");
        }
        return false;
    }
    // libcurl reads the file inside a poll on the window's thread: a FIFO would hold it there.
    const std::string why = caFile_.empty() ? std::string() : WhyNotOrdinaryFile(caFile_);
    if (!why.empty() && report) {
        ReportMessage(SeverityError, "Cannot check for updates: the certificate file '" + caFile_ +
                                         "' cannot be used: " + why + ".");
    }
    return why.empty();
}

std::string UpdateCheck::GetVersionTextURL() const {
    return "https://" + host_ + "/download/latest_version.txt";
}

std::string UpdateCheck::GetDownloadURL(const std::string& fileName) const {
    // Unreserved characters stay as they are: a server need not decode "%2D" to find the file.
    static const char kHexDigits[] = "0123456789ABCDEF";
    std::string path;
    for (const char byte : fileName) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            path += byte;
        } else {
            path += '%';
            path += kHexDigits[c >> 4];
            path += kHexDigits[c & 0x0F];
        }
    }
    return "https://" + host_ + "/download/" + path;
}

std::string UpdateCheck::ContactError() const {
    return "Error contacting the " + host_ + " website - please check your network connection";
}

VersionNumber UpdateCheck::ParseAvailableVersion(const std::string& line) {
    if (line.size() <= kVersionIndex) {
        return VersionNumber();
    }
    return VersionNumber(line.c_str() + kVersionIndex, '_');
}

bool UpdateCheck::IsPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find("..") != std::string::npos ||
        name.find('/') != std::string::npos || name.find('\\') != std::string::npos) {
        return false;
    }
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            return false;
        }
    }
    return true;
}

UpdateCheck::Outcome UpdateCheck::Evaluate(const std::string& line, std::string* message,
                                           ReleaseInfo* info) const {
    if (line.size() < kMinimumLineLength) {
        *message = ContactError();
        return ContactFailed;
    }
    const VersionNumber current(kProgramVersion, '.');
    const VersionNumber available = ParseAvailableVersion(line);
    std::string text = "This Quillmoot: version " + current.Format() +
                       "\nAvailable for download: version " + available.Format();
    if (!force_ &&
        static_cast<int>(available.GetPacked()) <= static_cast<int>(current.GetPacked())) {
        *message = text + "\nYou are running the most up-to-date version of Quillmoot.";
        return UpToDate;
    }
    info->available = available;
    *message = text + "\nAn update is available, download it now?";
    return UpdateAvailable;
}

bool UpdateCheck::ParseRelease(const std::string& line, ReleaseInfo* info, std::string* message) {
    // Fields are separated by one or more spaces.
    std::vector<std::string> fields;
    size_t start = line.find_first_not_of(' ');
    while (start != std::string::npos && fields.size() < 2) {
        size_t end = line.find(' ', start);
        fields.push_back(line.substr(start, end == std::string::npos ? end : end - start));
        start = end == std::string::npos ? end : line.find_first_not_of(' ', end);
    }
    if (fields.size() < 2 || !IsPlainFileName(fields[1])) {
        *message = "Error parsing website response, please try again later";
        return false;
    }
    info->checksum = fields[0];
    info->fileName = fields[1];
    return true;
}

std::string UpdateCheck::TooLargeReplyMessage() const {
    return "The reply of the " + host_ + " website is larger than any version text (" +
           std::to_string(kVersionReplyLimit / 1024) +
           " KB), so the check for updates has been stopped.";
}

std::string UpdateCheck::PartialPath(const std::string& target) {
    // Not a name someone could have prepared a link under beforehand.
    static unsigned counter = 0;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".download.%ld.%u.%lx", static_cast<long>(::getpid()),
                  ++counter, static_cast<unsigned long>(now.tv_nsec ^ now.tv_sec));
    return folder + "." + name + suffix;
}

bool UpdateCheck::FileMatches(const std::string& path, const std::string& checksum) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    MD5 md5;
    const std::string digest = md5.FileHexDigest(path.c_str());
    return !digest.empty() && digest == checksum;
}

bool UpdateCheck::AcceptDownload(const std::string& partialPath, const std::string& target,
                                 const std::string& checksum) const {
    MD5 md5;
    const std::string digest = md5.FileHexDigest(partialPath.c_str());
    if (digest.empty() || digest != checksum) {
        std::remove(partialPath.c_str());
        ReportMessage(SeverityError,
                      "Download did not succeed, please check your network connection and try "
                      "again");
        if (debug_) {
            ReportMessage(SeverityDebug,
                          "Website file checksum " + checksum + ", local file checksum " + digest);
        }
        return false;
    }
    if (std::rename(partialPath.c_str(), target.c_str()) != 0) {
        UCError::Current().ReportSystemError(SeverityError,
                                             "Cannot save to file '" + target + "': ");
        std::remove(partialPath.c_str());
        return false;
    }
    return true;
}

bool UpdateCheck::MakeRunnable(const std::string& path) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    struct stat info {};
    const bool done = ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) &&
                      ::fchmod(descriptor, info.st_mode | S_IXUSR) == 0;
    ::close(descriptor);
    return done;
}

bool UpdateCheck::StartInstaller(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(path.c_str(), X_OK) != 0) {
        ReportMessage(SeverityError, "Installer failed to run: " + path);
        return false;
    }
    // A bare name would be looked up on PATH instead of taken from here.
    const std::string program = path.find('/') == std::string::npos ? "./" + path : path;
    ChildProcess installer(std::vector<std::string>{program});
    if (!installer.Start()) {
        ReportMessage(SeverityError, "Installer failed to run: " + path);
        return false;
    }
    return true;
}
