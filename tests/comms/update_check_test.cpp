#include "comms/update_check.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "app/user_settings.h"
#include "comms/http_transfer.h"
#include "comms/web_service.h"
#include "foundation/md5.h"
#include "foundation/uc_error.h"
#include "support/loopback_servers.h"
#include "support/stalled_fifo.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const std::string kDigest = "0123456789abcdef0123456789abcdef";

// The digest, one blank, then a file name whose version starts at index 52 of the line.
std::string VersionLine(const std::string& version, const std::string& tail) {
    return kDigest + " QuillmootSetup_ver_" + version + tail;
}

UserSettings Settings(const std::string& host, int force = 0, int debug = 0) {
    UserSettings settings;
    settings.Set(WebService::kHostSetting, host);
    settings.SetInt("updateforceupgrade", force);
    settings.SetInt("updatecheckdebug", debug);
    return settings;
}

TEST(UpdateCheck, VersionLinesAreJudgedByLengthVersionAndFields) {
    ASSERT_EQ(VersionLine("6_3_0", ".ex").size(), 60u);
    const std::string current = "This Quillmoot: version 6.2.0\nAvailable for download: version ";
    struct Case {
        const char* name;
        std::string line;
        int force;
        UpdateCheck::Outcome outcome;
        std::string message;
    };
    const Case cases[] = {
        {"59 characters", VersionLine("6_3_0", ".e"), 0, UpdateCheck::ContactFailed,
         "Error contacting the updates.example website - please check your network connection"},
        {"60 characters, newer", VersionLine("6_3_0", ".ex"), 0, UpdateCheck::UpdateAvailable,
         current + "6.3.0\nAn update is available, download it now?"},
        {"same version", VersionLine("6_2_0", ".exe"), 0, UpdateCheck::UpToDate,
         current + "6.2.0\nYou are running the most up-to-date version of Quillmoot."},
        {"same version, forced", VersionLine("6_2_0", ".exe"), 1, UpdateCheck::UpdateAvailable,
         current + "6.2.0\nAn update is available, download it now?"},
        {"older version", VersionLine("5_9_9", ".exe"), 0, UpdateCheck::UpToDate,
         current + "5.9.9\nYou are running the most up-to-date version of Quillmoot."},
        {"fewer than three fields", VersionLine("6_3", "xxxxxx"), 0, UpdateCheck::UpToDate,
         current + "0.0.0\nYou are running the most up-to-date version of Quillmoot."},
        // The question comes before the fields are read.
        {"one field only, newer", std::string(52, 'x') + "7_0_0.exe", 0,
         UpdateCheck::UpdateAvailable, current + "7.0.0\nAn update is available, download it now?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateCheck check(Settings("updates.example", c.force));
        std::string message;
        ReleaseInfo info;
        EXPECT_EQ(check.Evaluate(c.line, &message, &info), c.outcome);
        EXPECT_EQ(message, c.message);
    }
    EXPECT_EQ(UpdateCheck::ParseAvailableVersion("short").GetPacked(), 0u);
}

TEST(UpdateCheck, ReleaseFieldsAreTheDigestAndAPlainFileName) {
    struct Case {
        const char* name;
        std::string line;
        bool ok;
        const char* fileName;
    };
    const Case cases[] = {
        {"one blank", VersionLine("6_3_0", ".exe"), true, "QuillmootSetup_ver_6_3_0.exe"},
        {"several blanks", kDigest + "   Setup_6_3_0.exe", true, "Setup_6_3_0.exe"},
        {"one field only", std::string(52, 'x') + "7_0_0.exe", false, ""},
        {"a folder in the name", kDigest + " ../../../../bin/sh_7_0_0.exe", false, ""},
        {"a control character", kDigest + " Quillmoot\x1bSetupver_7_0_0.exe", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReleaseInfo info;
        std::string message;
        EXPECT_EQ(UpdateCheck::ParseRelease(c.line, &info, &message), c.ok);
        EXPECT_EQ(message, c.ok ? "" : "Error parsing website response, please try again later");
        EXPECT_EQ(info.fileName, c.fileName);
        EXPECT_EQ(info.checksum, c.ok ? kDigest : "");
    }
}

TEST(UpdateCheck, TheServerIsTheUsersSetting) {
    UCStringError sink;
    UpdateCheck none(Settings(""));
    EXPECT_FALSE(none.IsConfigured(true));
    EXPECT_EQ(sink.GetText(), "Error: Cannot check for updates: no update server is configured.\n");

    UpdateCheck check(Settings(" https://updates.example/anything "));
    EXPECT_TRUE(check.IsConfigured(true));
    EXPECT_EQ(check.GetVersionTextURL(), "https://updates.example/download/latest_version.txt");
    // The server is asked for the name it published; only what a path cannot hold is encoded.
    const std::pair<const char*, const char*> names[] = {
        {"Setup 6_3_0.exe", "Setup%206_3_0.exe"},
        {"Quillmoot-Setup~6_3_0.exe", "Quillmoot-Setup~6_3_0.exe"},
        {"Setup#?%6_3_0.exe", "Setup%23%3F%256_3_0.exe"},
    };
    for (const auto& [name, path] : names) {
        EXPECT_EQ(check.GetDownloadURL(name),
                  std::string("https://updates.example/download/") + path);
    }
    EXPECT_EQ(sink.GetText(), "");
}

class UpdateDownload : public ::testing::Test {
protected:
    // Downloads as the download window would, into the partial file beside the target.
    bool Download(const UpdateCheck& check, const std::string& url, const std::string& target,
                  const std::string& checksum) {
        HTTPTransferCurl transfer(url.c_str());
        transfer.userAgent = UpdateCheck::kUserAgent;
        transfer.SetCAFile(check.GetCAFile());
        const std::string partial = UpdateCheck::PartialPath(target);
        if (!transfer.OpenOutputFile(partial)) {
            return false;
        }
        for (int i = 0; i < 2000 && transfer.Poll(); ++i) {
            transfer.WaitForActivity(20);
        }
        return check.AcceptDownload(partial, target, checksum);
    }
    UserSettings ServerSettings(int debug = 0) {
        UserSettings settings = Settings(server_.Host(), 0, debug);
        settings.Set(WebService::kCAFileSetting, server_.CAFile());
        return settings;
    }
    // What the download folder holds besides the server's own files.
    std::set<std::string> FolderEntries() const {
        std::set<std::string> names;
        DIR* listing = ::opendir(folder_.Path().c_str());
        while (const dirent* entry = listing != nullptr ? ::readdir(listing) : nullptr) {
            const std::string name = entry->d_name;
            if (name.find(".pem") == std::string::npos && name != "." && name != ".." &&
                name != "www" && name.find(".log") == std::string::npos && name != "victim") {
                names.insert(name);
            }
        }
        if (listing != nullptr) {
            ::closedir(listing);
        }
        return names;
    }
    TempFolder folder_{"qm-update"};
    LoopbackHTTPSServer server_{folder_};
    UCStringError sink_;
};

// Someone who can write to the download folder (a shared temporary folder) plants links where
// the download or its target go: nothing is written through them, and what is started is the
// file the digest vouches for.
TEST_F(UpdateDownload, PlantedLinksAreNeverWrittenThroughNorStarted) {
    ASSERT_NE(server_.Port(), 0) << server_.Log();
    const std::string installer = "#!/bin/sh\necho installed\n";
    const std::string digest = MD5().HexDigest(installer);
    server_.Publish("setup.sh", installer);
    UpdateCheck check(ServerSettings());
    const std::string victim = folder_.Write("victim", "someone else's file\n");
    ASSERT_EQ(::chmod(victim.c_str(), 0600), 0);
    const std::string target = folder_.File("setup.sh");
    // Where a download used to go, and a partial name someone guessed.
    const std::string guessed = UpdateCheck::PartialPath(target);
    for (const std::string& link : {target + ".part", guessed}) {
        ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
    }
    HTTPTransferCurl transfer(check.GetDownloadURL("setup.sh").c_str());
    EXPECT_FALSE(transfer.OpenOutputFile(guessed));
    EXPECT_FALSE(transfer.OpenOutputFile(victim));
    EXPECT_NE(UpdateCheck::PartialPath(target), guessed);

    ASSERT_TRUE(Download(check, check.GetDownloadURL("setup.sh"), target, digest))
        << sink_.GetText();
    EXPECT_EQ(folder_.Read("victim"), "someone else's file\n");
    EXPECT_EQ(folder_.Read("setup.sh"), installer);
    struct stat info {};
    ASSERT_EQ(::lstat(target.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));

    // A target that is a link to a file with the right content is not taken for the installer,
    // nor made runnable.
    const std::string linked = folder_.File("linked.sh");
    folder_.Write("victim", installer);
    ASSERT_EQ(::symlink(victim.c_str(), linked.c_str()), 0);
    EXPECT_FALSE(UpdateCheck::FileMatches(linked, digest));
    EXPECT_FALSE(UpdateCheck::MakeRunnable(linked));
    ASSERT_EQ(::stat(victim.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(UpdateCheck::MakeRunnable(target));
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IXUSR, 0u);
}

TEST_F(UpdateDownload, ThePublishedInstallerReplacesTheTargetOnlyWhenItsDigestMatches) {
    ASSERT_NE(server_.Port(), 0) << server_.Log();
    const std::string installer = "#!/bin/sh\necho installed > \"$(dirname \"$0\")/marker\"\n";
    MD5 md5;
    const std::string digest = md5.HexDigest(installer);
    const std::string name = "QuillmootSetup_ver_6_3_0.sh";
    server_.Publish("latest_version.txt", digest + " " + name + "\nignored second line\n");
    server_.Publish(name, installer);
    UpdateCheck check(ServerSettings(1));

    HTTPTransferCurl version(check.GetVersionTextURL().c_str());
    version.userAgent = UpdateCheck::kUserAgent;
    version.SetCAFile(check.GetCAFile());
    for (int i = 0; i < 2000 && version.Poll(); ++i) {
        version.WaitForActivity(20);
    }
    ASSERT_TRUE(version.Succeeded()) << version.errorText;
    std::string message;
    ReleaseInfo info;
    ASSERT_EQ(check.Evaluate(version.bodyLines.Get(0), &message, &info),
              UpdateCheck::UpdateAvailable)
        << message;
    ASSERT_TRUE(UpdateCheck::ParseRelease(version.bodyLines.Get(0), &info, &message)) << message;

    // A wrong digest leaves the old file whole and no partial file behind.
    const std::string target = folder_.Write("setup.sh", "old installer");
    EXPECT_FALSE(Download(check, check.GetDownloadURL(info.fileName), target, kDigest));
    EXPECT_EQ(folder_.Read("setup.sh"), "old installer");
    EXPECT_EQ(FolderEntries(), (std::set<std::string>{"setup.sh"}));
    EXPECT_EQ(sink_.GetText(),
              "Error: Download did not succeed, please check your network connection and try "
              "again\nDebug: Website file checksum " +
                  kDigest + ", local file checksum " + digest + "\n");
    // A 404 page is not an installer either.
    EXPECT_FALSE(Download(check, check.GetDownloadURL("missing.sh"), target, info.checksum));
    EXPECT_EQ(folder_.Read("setup.sh"), "old installer");
    sink_.GetText();

    EXPECT_FALSE(UpdateCheck::FileMatches(target, info.checksum));
    ASSERT_TRUE(Download(check, check.GetDownloadURL(info.fileName), target, info.checksum));
    EXPECT_EQ(folder_.Read("setup.sh"), installer);
    EXPECT_TRUE(UpdateCheck::FileMatches(target, info.checksum));
    EXPECT_TRUE(Contains(server_.Requests(), "/download/latest_version.txt Quillmoot 6.2.0\n"));

    // Downloaded files are not executable; the installer starts only once it is.
    EXPECT_FALSE(UpdateCheck::StartInstaller(target));
    EXPECT_EQ(sink_.GetText(), "Error: Installer failed to run: " + target + "\n");
    ASSERT_EQ(::chmod(target.c_str(), 0700), 0);
    ASSERT_TRUE(UpdateCheck::StartInstaller(target));
    std::string marker;
    for (int i = 0; i < 100 && marker.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        marker = folder_.Read("marker");
    }
    EXPECT_EQ(marker, "installed\n");
}

}  // namespace

namespace {

// libcurl opens the certificate file inside a poll on the window's thread: a FIFO nobody
// writes to is refused before the check starts, and a transfer given one fails at once.
TEST_F(UpdateDownload, ACertificateFileThatIsNoOrdinaryFileIsRefusedAtOnce) {
    ASSERT_NE(server_.Port(), 0) << server_.Log();
    server_.Publish("latest_version.txt", "anything\n");
    StalledFifo fifo(folder_.File("ca-fifo"));
    UserSettings settings = ServerSettings();
    settings.Set(WebService::kCAFileSetting, fifo.Path());
    const UpdateCheck check(settings);
    EXPECT_FALSE(check.IsConfigured(true));
    const std::string refusal =
        "The certificate file '" + fifo.Path() + "' cannot be used: it is not an ordinary file.";
    EXPECT_EQ(sink_.GetText(), "Error: Cannot check for updates: the certificate file '" +
                                   fifo.Path() + "' cannot be used: it is not an ordinary file.\n");

    HTTPTransferCurl transfer(check.GetVersionTextURL().c_str());
    transfer.SetCAFile(fifo.Path());
    for (int i = 0; i < 2000 && transfer.Poll(); ++i) {
        transfer.WaitForActivity(20);
    }
    EXPECT_FALSE(transfer.Succeeded());
    EXPECT_EQ(transfer.errorText, refusal);
    EXPECT_TRUE(fifo.Refused()) << fifo.Elapsed() << " s";
}

}  // namespace
