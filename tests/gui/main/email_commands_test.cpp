#include <gtest/gtest.h>
#include <sys/stat.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/smtp_client.h"
#include "app/user_settings.h"
#include "comms/email_job.h"
#include "comms/web_service.h"
#include "comms/wx/answers_by_title.h"
#include "comms/wx/email_progress_dlg.h"
#include "comms/wx/email_server_dlg.h"
#include "comms/wx/email_settings_dlg.h"
#include "comms/wx/email_text_dlg.h"
#include "comms/wx/update_dlgs.h"
#include "foundation/md5.h"
#include "frame_fixture.h"
#include "gui/dialogs/new_event_dlg.h"
#include "gui/dialogs/report_dlg.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "model/parent.h"
#include "model/schedule.h"
#include "model/teacher.h"
#include "print/wx/print_settings_dlg.h"
#include "support/loopback_servers.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class EmailCommands : public CommandWindow {
protected:
    void SetUp() override {
        Open(Example());
        ASSERT_NE(Schedule(), nullptr);
    }
    ::Event& Event() { return *host_->GetController().GetEvent(); }
    void UseServer(const std::string& host, int port, const std::string& from) {
        EmailServerSettings server;
        server.SetServer(host);
        server.SetPort(port);
        server.SetFromAddress(from);
        server.SetVerifyServer(false);
        Event().SetEmailServerSettings(server);
    }
    // The questions before a run: the warnings (when there are any), then the lock.
    void AnswerConfirmation() {
        if (!Schedule()->AllRequestsBooked() || Schedule()->GetScore().IsLow()) {
            prompts_.Answer(wxID_YES);
        }
        if (!Event().IsLocked()) {
            prompts_.Answer(wxID_NO);
        }
    }
    void SelectInTree(Person* person) {
        auto* tree = dynamic_cast<EventTreeCtrl*>(host_->GetTree());
        ASSERT_NE(tree, nullptr);
        for (wxTreeItemId group : {tree->GetParentsItem(), tree->GetTeachersItem()}) {
            wxTreeItemIdValue cookie;
            for (wxTreeItemId item = tree->GetFirstChild(group, cookie); item.IsOk();
                 item = tree->GetNextChild(group, cookie)) {
                tree->SelectItem(item);
                if (tree->GetSelectedObject() == person) {
                    return;
                }
            }
        }
        FAIL() << "not in the tree";
    }
    // Steps as the timer would, giving the server the timer's interval between steps.
    static void RunProgress(wxDialog* dialog) {
        auto* progress = dynamic_cast<EmailProgressDlg*>(dialog);
        for (int i = 0; i < 100000 && !progress->IsFinished() && !progress->IsStopped(); ++i) {
            if (UCSMTPClient* client = progress->GetJob().GetClient()) {
                client->WaitForActivity(EmailProgressDlg::kStepIntervalMs);
            }
            progress->SendAll();
        }
    }
};

TEST_F(EmailCommands, AreBoundAndEnabledWithAnEvent) {
    for (int id : {18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 40, 75}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(host_->IsCommandBound(CommandOfWxId(id)));
    }
    for (int id : {18, 19, 20, 27, 28, 29, 30, 31, 40, 75}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(MenuEnabled(id));
    }
}

TEST_F(EmailCommands, RunsRefuseWithTheFirstMissingSetting) {
    const std::string noServer = "No email server has been defined so emails cannot be sent.";
    const std::string noFrom = "No email 'from' address has been defined so emails cannot be sent.";
    const std::string unregistered =
        " emails cannot be sent as this event has not been registered on the website yet.";
    Event().SetUrl("");
    struct Case {
        const char* name;
        const char* host;
        const char* from;
        CommandId command;
        std::string message;
    };
    const Case cases[] = {
        {"no server", "", "office@school.example", CommandId::SendResultEmails, noServer},
        {"blank server", "  ", "office@school.example", CommandId::SendInvitationEmails, noServer},
        {"no sender", "smtp.school.example", "", CommandId::SendReminderEmails, noFrom},
        {"invitations", "smtp.school.example", "o@s.example", CommandId::SendInvitationEmails,
         "Invitation" + unregistered},
        {"reminders", "smtp.school.example", "o@s.example", CommandId::SendReminderEmails,
         "Reminder" + unregistered},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseServer(c.host, 25, c.from);
        prompts_.shown.clear();
        host_->RunCommand(c.command);
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_TRUE(Contains(Boxes()[0], c.message)) << Boxes()[0];
    }

    for (unsigned i = 0; i < Event().GetParents().Count(); ++i) {
        Event().GetParents().Get(i)->SetEmail("");
    }
    for (unsigned i = 0; i < Event().GetTeachers().Count(); ++i) {
        Event().GetTeachers().Get(i)->SetEmail("");
    }
    prompts_.shown.clear();
    host_->RunCommand(CommandId::SendResultEmails);
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{
                  "Error: Nobody has email addresses defined - if you wish to send emails, "
                  "please edit the parents and/or teachers and type their email "
                  "addresses in."});
}

TEST_F(EmailCommands, AResultsRunGoesThroughItsQuestionsToTheServer) {
    LoopbackSMTPServer server(folder_, {});
    ASSERT_NE(server.Port(), 0) << server.Log();
    UseServer("127.0.0.1", server.Port(), "office@school.example");
    AnswerConfirmation();
    prompts_.Answer(wxID_YES);
    AnswersByTitle answers;
    answers.Expect("Email Settings", [](wxDialog* dialog) {
        return dynamic_cast<EmailSettingsDlg*>(dialog)->TransferDataFromWindow() ? wxID_OK
                                                                                 : wxID_CANCEL;
    });
    int sent = 0;
    answers.Expect("Emails", [&](wxDialog* dialog) {
        RunProgress(dialog);
        sent = dynamic_cast<EmailProgressDlg*>(dialog)->GetJob().GetSentCount();
        return wxID_CANCEL;
    });
    host_->RunCommand(CommandId::SendResultEmails);
    EXPECT_EQ(answers.shown, (std::vector<std::string>{"Email Settings", "Emails"}));
    EXPECT_GT(sent, 0);
    EXPECT_EQ(static_cast<int>(server.Messages().size()), sent);
    ASSERT_FALSE(prompts_.shown.empty());
    EXPECT_TRUE(
        Contains(ToUtf8(prompts_.shown.back().message),
                 "You are about to email the completed schedules to parents and teachers."));
}

// Server down: every message of the run fails. The user sees the run's window throughout, with
// its Stop, and one box at its end that names every family not sent to, never a box a family.
TEST_F(EmailCommands, AResultsRunWhereEveryMessageFailsShowsOneBoxAtItsEnd) {
    // Nothing listens on port 1.
    UseServer("127.0.0.1", 1, "office@school.example");
    AnswerConfirmation();
    prompts_.Answer(wxID_YES);
    AnswersByTitle answers;
    answers.Expect("Email Settings", [](wxDialog* dialog) {
        return dynamic_cast<EmailSettingsDlg*>(dialog)->TransferDataFromWindow() ? wxID_OK
                                                                                 : wxID_CANCEL;
    });
    int failed = 0;
    size_t boxesDuringRun = 0;
    answers.Expect("Emails", [&](wxDialog* dialog) {
        auto* progress = dynamic_cast<EmailProgressDlg*>(dialog);
        const size_t before = Boxes().size();
        for (int i = 0; i < 100000 && !progress->IsFinished() && !progress->IsStopped(); ++i) {
            if (UCSMTPClient* client = progress->GetJob().GetClient()) {
                client->WaitForActivity(EmailProgressDlg::kStepIntervalMs);
            }
            progress->SendAll();
            if (!progress->IsFinished()) {
                boxesDuringRun = std::max(boxesDuringRun, Boxes().size() - before);
            }
        }
        failed = progress->GetJob().GetFailedCount();
        return wxID_CANCEL;
    });
    // The box holds what happened; every failed family follows in the report window.
    std::string everyLine;
    answers.Expect("Error", [&](wxDialog* dialog) {
        everyLine = ToUtf8(dynamic_cast<ReportDlg*>(dialog)->GetTextBox()->GetValue());
        return wxID_CANCEL;
    });
    host_->RunCommand(CommandId::SendResultEmails);
    EXPECT_EQ(answers.shown, (std::vector<std::string>{"Email Settings", "Emails", "Error"}));
    EXPECT_GT(failed, 10);
    EXPECT_EQ(boxesDuringRun, 0u);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(Contains(boxes[0], "Error: Not every email was sent (0 sent, ")) << boxes[0];
    EXPECT_TRUE(Contains(everyLine, "Error: Not every email was sent (0 sent, ")) << everyLine;
    int named = 0;
    for (size_t at = everyLine.find("Email send failed for '"); at != std::string::npos;
         at = everyLine.find("Email send failed for '", at + 1)) {
        ++named;
    }
    EXPECT_EQ(named, failed);
}

// A school that sends each family its results once keeps "Resend" off. Sending one family
// theirs again needs "Resend" ticked for that message alone: the next whole run, its options
// OK'd as shown, is for whoever is still due, and nobody is. The print window's "Include sheets
// that have been emailed already" is that same choice of the school's: ticked for Print to PDF,
// it stays, and the next run's window shows "Resend" ticked before anything is sent.
TEST_F(EmailCommands, AnOutputForOnceLeavesTheNextRunsChoiceAsTheSchoolKeptIt) {
    LoopbackSMTPServer server(folder_, {});
    ASSERT_NE(server.Port(), 0) << server.Log();
    UseServer("127.0.0.1", server.Port(), "office@school.example");
    bool tickResend = false;
    bool shownResend = false;
    AnswersByTitle answers;
    answers.Expect("Email Settings", [&](wxDialog* dialog) {
        auto* options = dynamic_cast<EmailSettingsDlg*>(dialog);
        shownResend = options->GetResendBox()->GetValue();
        options->GetResendBox()->SetValue(shownResend || tickResend);
        return options->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    });
    answers.Expect("Print Settings", [](wxDialog* dialog) {
        auto* options = dynamic_cast<PrintSettingsDlg*>(dialog);
        options->GetBox(4)->SetValue(true);  // "Include sheets that have been emailed already"
        return options->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
    });
    answers.Expect("Emails", [](wxDialog* dialog) {
        RunProgress(dialog);
        return wxID_CANCEL;
    });
    // "There are no emails to send!", "PDF file created successfully".
    answers.Expect("Information", [](wxDialog*) { return wxID_OK; });
    const auto run = [&](CommandId command) {
        AnswerConfirmation();
        prompts_.Answer(wxID_YES);
        host_->RunCommand(command);
    };
    Event().GetPrintSettings().SetIncludeAlreadySent(false);
    run(CommandId::SendResultEmails);
    const size_t everyone = server.Messages().size();
    ASSERT_GT(everyone, 1u);

    struct Case {
        const char* name;
        size_t messages;
        bool resendKept;
        std::function<void()> once;
    };
    const Case cases[] = {
        {"one family's results sent again", 1, false,
         [&] {
             Parent* family = nullptr;
             for (unsigned i = 0; family == nullptr && i < Event().GetParents().Count(); ++i) {
                 if (Event().GetParents().Get(i)->GetEmailSent(EmailResults)) {
                     family = Event().GetParents().Get(i);
                 }
             }
             ASSERT_NE(family, nullptr);
             SelectInTree(family);
             tickResend = true;
             run(CommandId::SendPersonResultsEmail);
             tickResend = false;
         }},
        {"every handout printed, the e-mailed ones too", 0, true,
         [&] {
             AnswerConfirmation();
             prompts_.Choose(FromUtf8(folder_.File("handouts.pdf")));
             host_->RunCommand(CommandId::PrintToPdf);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Event().GetPrintSettings().SetIncludeAlreadySent(false);
        const size_t before = server.Messages().size();
        c.once();
        ASSERT_EQ(server.Messages().size(), before + c.messages);
        EXPECT_EQ(Event().GetPrintSettings().GetIncludeAlreadySent(), c.resendKept);
        run(CommandId::SendResultEmails);
        EXPECT_EQ(shownResend, c.resendKept);
        EXPECT_EQ(server.Messages().size(), before + c.messages + (c.resendKept ? everyone : 0))
            << "the next run mailed other than whom its window showed it would";
    }
}

TEST_F(EmailCommands, PreviewShowsTheWholeMessageOrWhyNoneIsDue) {
    UseServer("smtp.school.example", 25, "office@school.example");
    Person* due = EmailJob(&host_->GetController(), EmailResults).GetRecipients().at(0).person;
    SelectInTree(due);
    std::string shown;
    AnswersByTitle answers;
    answers.Expect("Email Contents", [&](wxDialog* dialog) {
        shown = ToUtf8(dynamic_cast<ReportDlg*>(dialog)->GetTextBox()->GetValue());
        return wxID_OK;
    });
    host_->RunCommand(CommandId::PreviewResultsEmail);
    EXPECT_TRUE(Contains(shown, "MIME-Version: 1.0")) << shown;
    EXPECT_TRUE(Contains(shown, "To: ")) << shown;
    EXPECT_TRUE(Contains(shown, "Content-Transfer-Encoding: 8bit")) << shown;
    EXPECT_FALSE(due->GetEmailSent(EmailResults));

    due->SetEmail("");
    prompts_.shown.clear();
    host_->RunCommand(CommandId::PreviewResultsEmail);
    ASSERT_EQ(Boxes().size(), 1u);
    // A day's reason follows its date when the event has several days.
    ASSERT_EQ(Schedule()->GetDayCount(), 2u);
    std::string expected = "No emails are due to be sent to " + due->GetDisplayName() + ":\n";
    for (unsigned day = 0; day < 2; ++day) {
        expected += Schedule()->GetDay(day)->GetDate().FormatLong() + ": " + due->GetDisplayName() +
                    " has no email address set\n";
    }
    EXPECT_EQ(Boxes()[0], expected);
}

// What a failed e-mail script wrote is no message: the preview says why instead of showing it.
TEST_F(EmailCommands, APreviewOfAFailedScriptSaysWhyAndShowsNoMessage) {
    UseServer("smtp.school.example", 25, "office@school.example");
    host_->GetController().GetUserSettings().Set("parentprintscript",
                                                 folder_.Write("failing.lua",
                                                               "function parent_email(parent)\n"
                                                               "    qm_output('Dear parent,')\n"
                                                               "    error('no room list')\n"
                                                               "end\n"));
    Person* due = EmailJob(&host_->GetController(), EmailResults).GetRecipients().at(0).person;
    SelectInTree(due);
    std::string shown;
    AnswersByTitle answers;
    answers.Expect("Email Contents", [&](wxDialog* dialog) {
        shown = ToUtf8(dynamic_cast<ReportDlg*>(dialog)->GetTextBox()->GetValue());
        return wxID_OK;
    });
    prompts_.shown.clear();
    host_->RunCommand(CommandId::PreviewResultsEmail);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    for (const std::string& box : boxes) {
        EXPECT_TRUE(Contains(box, "Could not create outbound email for '" + due->GetDisplayName() +
                                      "'\nError in Lua script: "))
            << box;
        EXPECT_TRUE(Contains(box, "no room list")) << box;
    }
    EXPECT_FALSE(Contains(shown, "Dear parent")) << shown;
}

// The checks come first: a preview that is refused runs no e-mail script.
TEST_F(EmailCommands, APreviewIsRefusedBeforeAnyScriptIsLoaded) {
    host_->GetController().GetUserSettings().Set("parentprintscript", folder_.File("missing.lua"));
    UseServer("", 25, "office@school.example");
    SelectInTree(EmailJob(&host_->GetController(), EmailResults).GetRecipients().at(0).person);
    prompts_.shown.clear();
    host_->RunCommand(CommandId::PreviewResultsEmail);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u) << boxes.back();
    EXPECT_TRUE(Contains(boxes[0], "No email server has been defined")) << boxes[0];
}

TEST_F(EmailCommands, EachTextCommandEditsItsOwnText) {
    struct Case {
        CommandId id;
        const char* firstLine;
    };
    const Case cases[] = {
        {CommandId::EditParentInvitationsText,
         "This is the text of the invitation emails to parents."},
        {CommandId::EditParentRemindersText,
         "This is the text of the reminder emails to parents who have not responded yet."},
        {CommandId::EditParentResultsText, "This is the text of the results emails to parents."},
        {CommandId::EditPupilResultsText, "This is the text of the results emails to pupils."},
        {CommandId::EditTeacherResultsText, "This is the text of the results emails to teachers."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstLine);
        std::string help;
        AnswersByTitle answers;
        answers.Expect("Email Text", [&](wxDialog* dialog) {
            auto* text = dynamic_cast<EmailTextDlg*>(dialog);
            help = ToUtf8(text->GetHelp()->GetLabel());
            text->GetTextField()->ChangeValue("NAME LINK SCHEDULE");
            return text->TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
        });
        host_->RunCommand(c.id);
        EXPECT_EQ(help.substr(0, help.find('\n')), c.firstLine);
    }
    EXPECT_EQ(Event().GetParentEmailText(EmailInvitation), "NAME LINK SCHEDULE");
    EXPECT_EQ(Event().GetTeacherEmailText(EmailResults), "NAME LINK SCHEDULE");
    EXPECT_TRUE(EventChanged());
}

// Only the menu command offers the user's own address to an event without a sender; the buttons
// of the event settings and of the run options edit the event's settings as they are.
TEST_F(EmailCommands, EachRoadToTheServerWindowStartsFromItsOwnSenderAndStoresOnlyOnOK) {
    InstallEmailEditors();
    host_->GetController().GetUserSettings().Set("emailaddress", "me@school.example");
    const auto click = [](wxWindow& window, int id) {
        wxCommandEvent event(wxEVT_BUTTON, id);
        window.ProcessWindowEvent(event);
    };
    const struct {
        const char* road;
        std::function<void()> open;
        std::string offered;
        std::string storedOnOK;
    } roads[] = {
        {"Edit menu", [&] { host_->RunCommand(CommandId::EditEmailServer); }, "me@school.example",
         "me@school.example"},
        {"event settings",
         [&] {
             NewEventDlg dialog(TopWindow(), Schedule(), &host_->GetController());
             click(dialog, WxId(NewEventDlg::Id::EditEmailServer));
         },
         "", "office@school.example"},
        {"run options",
         [&] {
             EmailSettingsDlg dialog(TopWindow(), host_->GetController().GetEvent(), nullptr, "");
             click(dialog, WxId(EmailSettingsDlg::Id::EditEmailServer));
         },
         "", "office@school.example"},
    };
    for (const auto& road : roads) {
        for (int answer : {wxID_CANCEL, wxID_OK}) {
            SCOPED_TRACE(std::string(road.road) + (answer == wxID_OK ? " OK" : " Cancel"));
            UseServer("smtp.school.example", 25, "");
            std::string offered = "(not shown)";
            AnswersByTitle answers;
            answers.Expect("Email Server Settings", [&](wxDialog* dialog) {
                auto* server = dynamic_cast<EmailServerDlg*>(dialog);
                offered = ToUtf8(server->GetFromField()->GetValue());
                if (offered.empty()) {
                    server->GetFromField()->ChangeValue("office@school.example");
                }
                server->GetPortField()->ChangeValue("2525");
                return answer == wxID_OK && server->TransferDataFromWindow() ? wxID_OK
                                                                             : wxID_CANCEL;
            });
            road.open();
            EXPECT_EQ(offered, road.offered);
            const EmailServerSettings& stored = Event().GetEmailServerSettings();
            EXPECT_EQ(stored.GetFromAddress(), answer == wxID_OK ? road.storedOnOK : "");
            EXPECT_EQ(stored.GetPort(), answer == wxID_OK ? 2525 : 25);
        }
    }
}

TEST_F(EmailCommands, TheUpdateCheckNeedsAServer) {
    host_->RunCommand(CommandId::CheckForUpdates);
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           "Error: Cannot check for updates: no update server is configured."});
}

// A published installer that leaves a marker file when it runs.
class UpdateCommand : public MainWindow {
protected:
    void SetUp() override {
        Open(Example());
        ASSERT_NE(Schedule(), nullptr);
        ASSERT_NE(server_.Port(), 0) << server_.Log();
        UserSettings& settings = frame_->GetController().GetUserSettings();
        settings.Set(WebService::kHostSetting, server_.Host());
        settings.Set(WebService::kCAFileSetting, server_.CAFile());
        installer_ = "#!/bin/sh\necho started > '" + folder_.File("marker") + "'\n";
        server_.Publish(kName, installer_);
        server_.Publish("latest_version.txt", MD5().HexDigest(installer_) + " " + kName + "\n");
        answers_.Expect("Checking for Updates", [](wxDialog* dialog) {
            RunTransfer(dialog);
            return wxID_OK;
        });
        answers_.Expect("Downloading", [this](wxDialog* dialog) {
            ++downloads_;
            RunTransfer(dialog);
            return wxID_OK;
        });
    }
    static void RunTransfer(wxDialog* dialog) {
        auto* transfer = dynamic_cast<TransferDlg*>(dialog);
        for (int i = 0; i < 2000 && transfer->Step(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    bool InstallerRan(int waitMs = 5000) {
        for (int i = 0; i < waitMs / 50; ++i) {
            if (!ReadWholeFile(folder_.File("marker")).empty()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    static constexpr const char* kName = "QuillmootSetup_ver_6_3_0.run";
    LoopbackHTTPSServer server_{folder_};
    AnswersByTitle answers_;
    std::string installer_;
    int downloads_ = 0;
};

TEST_F(UpdateCommand, DownloadsChecksStartsTheInstallerThenCloses) {
    const std::string target = folder_.File("setup.run");
    prompts_.Answer(wxID_YES).Choose(FromUtf8(target));
    frame_->RunCommand(CommandId::CheckForUpdates);
    ASSERT_EQ(prompts_.fileRequests.size(), 1u);
    EXPECT_EQ(prompts_.fileRequests[0].defaultFile, kName);
    EXPECT_EQ(prompts_.fileRequests[0].message, "Choose a filename to save as");
    EXPECT_EQ(prompts_.fileRequests[0].wildcard, "All files (*.*)|*");
    EXPECT_EQ(prompts_.fileRequests[0].style, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    EXPECT_EQ(downloads_, 1);
    EXPECT_EQ(ReadWholeFile(target), installer_);
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(InstallerRan());
    EXPECT_TRUE(Contains(ToUtf8(prompts_.shown.at(0).message),
                         "This Quillmoot: version 6.2.0\nAvailable for download: version 6.3.0\n"
                         "An update is available, download it now?"));
}

TEST_F(UpdateCommand, AFileThatAlreadyMatchesIsNotDownloadedAgain) {
    const std::string target = folder_.Write("setup.run", installer_);
    prompts_.Answer(wxID_YES).Choose(FromUtf8(target));
    frame_->RunCommand(CommandId::CheckForUpdates);
    EXPECT_EQ(downloads_, 0);
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(InstallerRan());
}

// The save question comes before the installer: Cancel keeps the work and starts nothing; No
// gives it up, and the window then closes without asking again.
TEST_F(UpdateCommand, TheSaveQuestionComesFirstAndIsAskedOnce) {
    for (const int answer : {wxID_CANCEL, wxID_NO}) {
        SCOPED_TRACE(answer);
        ChangeEvent();
        const std::string target = folder_.File("setup.run");
        prompts_.shown.clear();
        prompts_.Answer(wxID_YES).Choose(FromUtf8(target)).Answer(answer);
        frame_->RunCommand(CommandId::CheckForUpdates);
        EXPECT_EQ(ReadWholeFile(target), installer_);
        EXPECT_EQ(prompts_.shown.size(), 2u);
        const bool goes = answer == wxID_NO;
        EXPECT_EQ(Closed(), goes);
        EXPECT_EQ(InstallerRan(goes ? 5000 : 500), goes);
        if (!goes) {
            EXPECT_TRUE(EventChanged());
        }
    }
}

TEST_F(UpdateCommand, AnInstallerThatWillNotStartIsShownAndTheProgramGoesOn) {
    const std::string broken = "not a program\n";
    server_.Publish(kName, broken);
    server_.Publish("latest_version.txt", MD5().HexDigest(broken) + " " + kName + "\n");
    const std::string target = folder_.File("setup.run");
    prompts_.Answer(wxID_YES).Choose(FromUtf8(target));
    frame_->RunCommand(CommandId::CheckForUpdates);
    EXPECT_EQ(ReadWholeFile(target), broken);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "Error: Installer failed to run: " + target);
    EXPECT_FALSE(Closed());
    EXPECT_NE(Schedule(), nullptr);
}

TEST_F(UpdateCommand, AReplyWithoutAFileNameIsRefusedAfterTheQuestion) {
    server_.Publish("latest_version.txt", std::string(52, 'x') + "6_3_0.run\n");
    prompts_.Answer(wxID_YES);
    frame_->RunCommand(CommandId::CheckForUpdates);
    ASSERT_EQ(prompts_.shown.size(), 2u);
    EXPECT_TRUE(
        Contains(ToUtf8(prompts_.shown[0].message), "An update is available, download it now?"));
    EXPECT_EQ(Boxes(), std::vector<std::string>{
                           "Error: Error parsing website response, please try again later"});
    EXPECT_TRUE(prompts_.fileRequests.empty());
    EXPECT_EQ(downloads_, 0);
    EXPECT_FALSE(Closed());
}

TEST_F(UpdateCommand, AVersionReplyLargerThanAnyVersionTextIsRefusedWithItsReason) {
    server_.Publish("latest_version.txt", std::string(2 * 1024 * 1024, 'x') + "\n");
    frame_->RunCommand(CommandId::CheckForUpdates);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Error: The reply of the " + server_.Host() +
                                                " website is larger than any version text (64 "
                                                "KB), so the check for updates has been stopped."});
    EXPECT_TRUE(prompts_.fileRequests.empty());
    EXPECT_FALSE(Closed());
}

TEST_F(UpdateCommand, ADamagedDownloadLeavesTheTargetAsItWas) {
    server_.Publish(kName, installer_ + "tampered");
    const std::string target = folder_.Write("setup.run", "an older file");
    prompts_.Answer(wxID_YES).Choose(FromUtf8(target));
    frame_->RunCommand(CommandId::CheckForUpdates);
    EXPECT_EQ(ReadWholeFile(target), "an older file");
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"Error: Download did not succeed, please check your "
                                       "network connection and try again"});
    EXPECT_FALSE(Closed());
}

}  // namespace
