#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "app/qm_controller.h"
#include "comms/smtp_client_curl.h"
#include "comms/wx/email_progress_dlg.h"
#include "comms/wx/email_server_dlg.h"
#include "comms/wx/email_settings_dlg.h"
#include "comms/wx/email_text_dlg.h"
#include "comms/wx/login_dlg.h"
#include "comms/wx/update_dlgs.h"
#include "gui/support/gui_test.h"
#include "gui/support/screenshot.h"
#include "model/event.h"
#include "support/loopback_servers.h"

namespace {

using Screenshots = OnlyForScreenshots<GuiTest>;

TEST_F(Screenshots, EmailAndUpdateWindows) {
    QMController controller;
    controller.Initialise();
    ASSERT_TRUE(controller.OpenEventFile(CopyExampleEvent().c_str()));
    std::shared_ptr<Event> event = controller.GetEvent();
    // The progress window sends for real while its picture is taken.
    LoopbackSMTPServer mail(folder_, {});
    ASSERT_NE(mail.Port(), 0) << mail.Log();
    controller.SetClientFactory(std::make_unique<SMTPClientFactoryCurl>());
    EmailServerSettings loopback;
    loopback.SetServer("127.0.0.1");
    loopback.SetPort(mail.Port());
    loopback.SetFromAddress("office@school.example");
    event->SetEmailServerSettings(loopback);
    EmailServerSettings server;
    server.SetProvider(EmailProviderGMail);
    server.SetFromAddress("office@school.example");
    LoopbackHTTPSServer web(folder_);
    ASSERT_NE(web.Port(), 0) << web.Log();
    web.Publish("latest_version.txt",
                "0123456789abcdef0123456789abcdef QuillmootSetup_ver_6_3_0.run\n");
    web.Publish("QuillmootSetup_ver_6_3_0.run", std::string(4096, 'x'));
    SaveScreenshots({
        {"email-login",
         [&] {
             return new LoginDlg(TopWindow(), "office", "secret",
                                 "Login to server \"smtp.school.example\":", LoginUserName);
         }},
        {"email-server", [&] { return new EmailServerDlg(TopWindow(), &server); }},
        {"email-settings",
         [&] {
             return new EmailSettingsDlg(
                 TopWindow(), event, &event->GetPrintSettings(),
                 "Please confirm options for this email run before continuing:");
         }},
        {"email-text",
         [&] { return new EmailTextDlg(TopWindow(), event, EmailResults, EmailToTeacher); }},
        {"email-progress",
         [&] { return new EmailProgressDlg(TopWindow(), &controller, nullptr, EmailResults); }},
        {"check-for-updates",
         [&] {
             return new CheckForUpdatesDlg(TopWindow(), web.URL("/download/latest_version.txt"),
                                           web.CAFile());
         }},
        {"download",
         [&] {
             // The slow path keeps the download going while the picture is taken.
             return new DownloadFileDlg(TopWindow(),
                                        web.URL("/slow/download/QuillmootSetup_ver_6_3_0.run"),
                                        folder_.File("setup.run"), web.CAFile());
         }},
    });
}

}  // namespace
