#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/hyperlink.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <memory>
#include <string>

#include "comms/wx/email_server_dlg.h"
#include "comms/wx/email_settings_dlg.h"
#include "comms/wx/email_text_dlg.h"
#include "comms/wx/login_dlg.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/support/gui_test.h"
#include "model/event.h"
#include "model/print_settings.h"

namespace {

using EmailDialogs = GuiTest;

void Choose(wxRadioButton* button) {
    button->SetValue(true);
    wxCommandEvent click(wxEVT_RADIOBUTTON, button->GetId());
    click.SetEventObject(button);
    button->GetParent()->GetEventHandler()->ProcessEvent(click);
}

TEST_F(EmailDialogs, LoginHidesThePasswordAndReturnsBothFields) {
    for (const char* name : {"", "office"}) {
        SCOPED_TRACE(name);
        LoginDlg dialog(TopWindow(), name, "secret", "Login to server \"smtp\":", LoginUserName);
        EXPECT_EQ(dialog.GetTitle(), "Login");
        EXPECT_EQ(dialog.GetNameLabel()->GetLabel(), "Username:");
        EXPECT_TRUE(dialog.GetPasswordField()->HasFlag(wxTE_PASSWORD));
        EXPECT_FALSE(dialog.GetNameField()->HasFlag(wxTE_PASSWORD));
        EXPECT_TRUE(dialog.TransferDataFromWindow());
        EXPECT_EQ(dialog.GetLoginName(), name);
        EXPECT_EQ(dialog.GetPassword(), "secret");
    }
}

TEST_F(EmailDialogs, LoginInEmailModeRefusesTextThatIsNoAddress) {
    LoginDlg dialog(TopWindow(), "office", "", "Sign in:", LoginEmail);
    EXPECT_EQ(dialog.GetNameLabel()->GetLabel(), "Email:");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{"The email address is invalid"});
    dialog.GetNameField()->ChangeValue("first.last@school");
    EXPECT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(dialog.GetLoginName(), "first.last@school");
}

TEST_F(EmailDialogs, ServerPresetFillsAndLocksItsFieldsAndCustomUnlocksThem) {
    EmailServerSettings settings;
    settings.SetServer("mail.school.example");
    settings.SetPort(2525);
    EmailServerDlg dialog(TopWindow(), &settings);
    EXPECT_EQ(dialog.GetTitle(), "Email Server Settings");
    EXPECT_TRUE(dialog.GetProviderButton(EmailProviderCustom)->GetValue());
    EXPECT_EQ(dialog.GetPortField()->GetValue(), "2525");

    Choose(dialog.GetProviderButton(EmailProviderGMail));
    EmailServerSettings gmail;
    gmail.SetProvider(EmailProviderGMail);
    EXPECT_EQ(ToUtf8(dialog.GetServerField()->GetValue()), gmail.GetServer());
    EXPECT_EQ(dialog.GetPortField()->GetValue(), "587");
    EXPECT_EQ(dialog.GetConnectionChoice()->GetStringSelection(), "SMTP over TLS (encrypted)");
    EXPECT_TRUE(dialog.GetNeedsAuthBox()->GetValue());
    EXPECT_TRUE(dialog.GetVerifyBox()->GetValue());
    const auto locked = [&](bool expected) {
        for (wxWindow* control :
             std::initializer_list<wxWindow*>{dialog.GetServerField(), dialog.GetPortField(),
                                              dialog.GetConnectionChoice(),
                                              dialog.GetNeedsAuthBox(), dialog.GetVerifyBox()}) {
            EXPECT_EQ(control->IsEnabled(), !expected);
        }
        EXPECT_TRUE(dialog.GetFromField()->IsEnabled());
        EXPECT_TRUE(dialog.GetDebugBox()->IsEnabled());
        EXPECT_TRUE(dialog.GetHelpLink()->IsEnabled());
    };
    locked(true);

    Choose(dialog.GetProviderButton(EmailProviderCustom));
    locked(false);
    EXPECT_EQ(dialog.GetPortField()->GetValue(), "587");

    // Custom with a preset's very values is still a custom server.
    dialog.GetFromField()->ChangeValue("office@school.example");
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(settings.GetProvider(), EmailProviderCustom);
    EXPECT_EQ(settings.GetServer(), gmail.GetServer());
    EXPECT_EQ(settings.GetPort(), 587);
    EXPECT_EQ(settings.GetConnectionType(), SMTPWithTLS);
    EXPECT_EQ(settings.GetFromAddress(), "office@school.example");
}

TEST_F(EmailDialogs, ServerRefusalsKeepTheSettingsAndThePresetWinsOverItsFields) {
    EmailServerSettings settings;
    settings.SetPort(0);  // as a file may hold it: kept while left as shown
    ASSERT_TRUE(settings.SetFromAddress("office@school.example"));
    ASSERT_TRUE(EmailServerDlg(TopWindow(), &settings).TransferDataFromWindow());
    EXPECT_EQ(settings.GetPort(), 0);
    settings = EmailServerSettings();
    settings.SetServer("mail.school.example");
    const EmailServerSettings before = settings;
    EmailServerDlg dialog(TopWindow(), &settings);
    dialog.GetServerField()->ChangeValue("changed.example");
    dialog.GetPortField()->ChangeValue("0");
    dialog.GetFromField()->ChangeValue("office-at-school");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    dialog.GetFromField()->ChangeValue("office@school.example");
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    EXPECT_EQ(sink_.Texts(),
              (std::vector<std::string>{"The 'from' address is not valid, it must contain an '@' "
                                        "symbol and at least one full stop",
                                        "The email port number is not valid, it must be a number "
                                        "between 1 and 65535"}));
    EXPECT_EQ(settings.GetServer(), before.GetServer());
    EXPECT_EQ(settings.GetFromAddress(), "");

    Choose(dialog.GetProviderButton(EmailProviderOffice365));
    dialog.GetDebugBox()->SetValue(true);
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EmailServerSettings office;
    office.SetProvider(EmailProviderOffice365);
    EXPECT_EQ(settings.GetProvider(), EmailProviderOffice365);
    EXPECT_EQ(settings.GetServer(), office.GetServer());
    EXPECT_TRUE(settings.GetNeedsAuth());
    EXPECT_TRUE(settings.GetDebugReport());
}

TEST_F(EmailDialogs, SettingsStartFromTheFlagsAndRefuseToEmailNobody) {
    auto event = std::make_shared<Event>();
    PrintSettings flags;
    flags.SetTeachers(false);
    flags.SetParents(true);
    flags.SetPupils(false);
    flags.SetIncludeAlreadySent(false);
    flags.SetTeacherOverviews(true);
    EmailSettingsDlg dialog(TopWindow(), event, &flags, "Please confirm:");
    EXPECT_EQ(dialog.GetTitle(), "Email Settings");
    EXPECT_FALSE(dialog.GetTeachersBox()->GetValue());
    EXPECT_TRUE(dialog.GetParentsBox()->GetValue());
    EXPECT_FALSE(dialog.GetResendBox()->GetValue());

    dialog.GetParentsBox()->SetValue(false);
    dialog.GetResendBox()->SetValue(true);
    EXPECT_FALSE(dialog.TransferDataFromWindow());
    EXPECT_EQ(sink_.Texts(), std::vector<std::string>{
                                 "Nothing is selected for emailing, please choose the emails you "
                                 "wish to send and try again"});
    // Refused before anything was copied.
    EXPECT_TRUE(flags.GetParents());
    EXPECT_FALSE(flags.GetIncludeAlreadySent());
    EXPECT_FALSE(flags.IsModified());

    dialog.GetPupilsBox()->SetValue(true);
    dialog.GetResendBox()->SetValue(true);
    EXPECT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_TRUE(flags.GetPupils());
    EXPECT_FALSE(flags.GetParents());
    EXPECT_TRUE(flags.GetIncludeAlreadySent());
    EXPECT_TRUE(flags.IsModified());

    EmailSettingsDlg withoutSettings(TopWindow(), event, nullptr, "");
    EXPECT_TRUE(withoutSettings.TransferDataFromWindow());
}

TEST_F(EmailDialogs, TextIsStoredForItsRoleOrKeptOpenWhenTheEventRefusesIt) {
    auto event = std::make_shared<Event>();
    struct Case {
        EmailTextKind kind;
        EmailRecipientRole role;
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {EmailInvitation, EmailToParent, "Dear NAME, please book at LINK", true},
        {EmailInvitation, EmailToParent, "Dear NAME, please book soon", false},
        {EmailResults, EmailToPupil, "Hello NAME\nSCHEDULE", true},
        {EmailResults, EmailToTeacher, "Dear NAME\nSCHEDULE\nroom LOCATION", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EmailTextDlg dialog(TopWindow(), event, c.kind, c.role);
        EXPECT_EQ(dialog.GetTitle(), "Email Text");
        EXPECT_EQ(dialog.GetTextField()->GetSize().GetWidth(), 700);
        dialog.GetTextField()->ChangeValue(c.text);
        EXPECT_EQ(dialog.TransferDataFromWindow(), c.accepted);
        const std::string stored = c.role == EmailToPupil    ? event->GetPupilEmailText(c.kind)
                                   : c.role == EmailToTeacher ? event->GetTeacherEmailText(c.kind)
                                                              : event->GetParentEmailText(c.kind);
        if (c.accepted) {
            EXPECT_EQ(stored, c.text);
        } else {
            EXPECT_NE(stored, c.text);
            EXPECT_EQ(dialog.GetTextField()->GetValue(), c.text);
        }
    }
}

}  // namespace
