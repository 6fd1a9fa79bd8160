#include "comms/wx/update_dlgs.h"

#include <gtest/gtest.h>
#include <wx/gauge.h>
#include <wx/stattext.h>

#include <chrono>
#include <string>
#include <thread>

#include "gui/dialogs/prompt_service.h"
#include "gui/support/gui_test.h"
#include "support/loopback_servers.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class UpdateWindows : public GuiTest {
protected:
    // Steps as the timer would, with a short pause between steps; false when time ran out.
    static bool RunToEnd(TransferDlg& dialog) {
        for (int i = 0; i < 2000; ++i) {
            if (!dialog.Step()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    static std::string Status(TransferDlg& dialog) {
        return ToUtf8(dialog.GetStatus()->GetLabel());
    }

    LoopbackHTTPSServer server_{folder_};
};

TEST_F(UpdateWindows, TheCheckKeepsTheFirstLineOfAGoodReplyOnly) {
    ASSERT_NE(server_.Port(), 0) << server_.Log();
    const std::string line(64, 'v');
    server_.Publish("latest_version.txt", line + "\r\nsecond line\n");
    struct Case {
        const char* path;
        std::string result;
        std::string status;
    };
    const Case cases[] = {
        {"/download/latest_version.txt", line, "OK: " + line},
        {"/chunked/download/latest_version.txt", line, "OK: " + line},
        {"/download/missing.txt", "", "HTTP Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        CheckForUpdatesDlg dialog(TopWindow(), server_.URL(c.path), server_.CAFile());
        EXPECT_EQ(dialog.GetTitle(), "Checking for Updates");
        EXPECT_EQ(Status(dialog), "Connecting...");
        ASSERT_TRUE(RunToEnd(dialog));
        EXPECT_TRUE(dialog.IsDone());
        EXPECT_EQ(dialog.GetResultLine(), c.result);
        EXPECT_EQ(Status(dialog), c.status);
    }
    EXPECT_TRUE(Contains(server_.Requests(), "/download/latest_version.txt Quillmoot 6.2.0\n"));
}

TEST_F(UpdateWindows, StopEndsTheCheckWithNoLine) {
    ASSERT_NE(server_.Port(), 0) << server_.Log();
    server_.Publish("latest_version.txt", std::string(200, 'v') + "\n");
    CheckForUpdatesDlg dialog(TopWindow(), server_.URL("/slow/download/latest_version.txt"),
                              server_.CAFile());
    dialog.Show();
    for (int i = 0; i < 5; ++i) {
        dialog.Step();
    }
    wxCommandEvent stop(wxEVT_BUTTON, wxID_CANCEL);
    dialog.GetEventHandler()->ProcessEvent(stop);
    EXPECT_TRUE(dialog.IsDone());
    EXPECT_FALSE(dialog.Step());
    EXPECT_EQ(dialog.GetResultLine(), "");
}

TEST_F(UpdateWindows, TheDownloadFillsTheFileAndTheGauge) {
    ASSERT_NE(server_.Port(), 0) << server_.Log();
    std::string installer;
    for (int i = 0; i < 20000; ++i) {
        installer += static_cast<char>('a' + i % 26);
    }
    server_.Publish("QuillmootSetup.run", installer);
    for (const char* prefix : {"", "/lower"}) {
        SCOPED_TRACE(prefix);
        // The window makes a new file, as the partial file of a download always is.
        const std::string target = folder_.File(std::string("setup") + (*prefix ? "2" : "1"));
        DownloadFileDlg dialog(TopWindow(),
                               server_.URL(std::string(prefix) + "/download/QuillmootSetup.run"),
                               target, server_.CAFile());
        EXPECT_EQ(dialog.GetTitle(), "Downloading");
        EXPECT_EQ(dialog.GetGauge()->GetRange(), 100);
        ASSERT_TRUE(RunToEnd(dialog));
        EXPECT_EQ(Status(dialog), "OK");
        EXPECT_EQ(dialog.GetGauge()->GetValue(), 100);
        EXPECT_EQ(dialog.GetTransfer().contentLength, 20000);
        EXPECT_EQ(ReadWholeFile(target), installer);
    }
}

TEST_F(UpdateWindows, AnOutputFileThatCannotBeMadeEndsTheDownloadWithItsMessage) {
    const std::string target = folder_.File("no-such-folder/setup.run");
    DownloadFileDlg dialog(TopWindow(), "https://127.0.0.1:9/download/x", target, "");
    EXPECT_FALSE(dialog.Step());
    EXPECT_TRUE(dialog.IsDone());
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"Cannot save to file '" + target +
                                                      "': No such file or directory"});
}

}  // namespace
