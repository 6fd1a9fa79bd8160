#include "model/email_server_settings.h"

#include <gtest/gtest.h>

#include "foundation/uc_error.h"

namespace {

TEST(EmailServerSettings, NewSettingsArePlainPort25WithoutLoginAndVerifyTheServer) {
    EmailServerSettings settings;
    EXPECT_EQ("smtp://:25/", settings.GetURL());
    EXPECT_EQ("", settings.GetLoginName());
    EXPECT_EQ(EmailProviderCustom, settings.GetProvider());
    EXPECT_FALSE(settings.GetNeedsAuth());
    EXPECT_TRUE(settings.GetVerifyServer());
}

TEST(EmailServerSettings, ProviderPresetSetsExactlyTheFiveServerFields) {
    EmailServerSettings settings;
    settings.SetFromAddress("office@school.org");
    settings.SetUserName("clerk");
    settings.SetProvider(EmailProviderOffice365);
    EXPECT_EQ(587, settings.GetPort());
    EXPECT_EQ(SMTPWithTLS, settings.GetConnectionType());
    EXPECT_TRUE(settings.GetNeedsAuth());
    EXPECT_TRUE(settings.GetVerifyServer());
    EXPECT_FALSE(settings.GetServer().empty());
    EXPECT_EQ("office@school.org", settings.GetFromAddress());
    EXPECT_EQ("clerk", settings.GetUserName());
    // A preset logs in with the sender address.
    EXPECT_EQ("office@school.org", settings.GetLoginName());
}

TEST(EmailServerSettings, ChangingAPresetValueMakesItACustomServer) {
    EmailServerSettings settings;
    settings.SetProvider(EmailProviderGMail);
    settings.SetPort(587);
    EXPECT_EQ(EmailProviderGMail, settings.GetProvider());
    settings.SetVerifyServer(true);
    EXPECT_EQ(EmailProviderGMail, settings.GetProvider());
    settings.SetPort(465);
    EXPECT_EQ(EmailProviderCustom, settings.GetProvider());
    EXPECT_EQ(465, settings.GetPort());

    settings.SetProvider(EmailProviderGMail);
    settings.SetNeedsAuth(false);
    EXPECT_EQ(EmailProviderCustom, settings.GetProvider());
}

TEST(EmailServerSettings, FromAddressNeedsDotAndAtAndKeepsTheProvider) {
    UCStringError sink;
    EmailServerSettings settings;
    settings.SetProvider(EmailProviderGMail);
    ASSERT_TRUE(settings.SetFromAddress("office@school.org"));
    EXPECT_EQ(EmailProviderGMail, settings.GetProvider());

    EXPECT_FALSE(settings.SetFromAddress("office.school.org"));
    EXPECT_EQ("Error: The email address 'office.school.org' is not valid\n", sink.GetText());
    EXPECT_FALSE(settings.SetFromAddress("office@school"));
    EXPECT_EQ("Error: The email address 'office@school' is not valid\n", sink.GetText());
    EXPECT_EQ("office@school.org", settings.GetFromAddress());

    EXPECT_TRUE(settings.SetFromAddress(""));
    EXPECT_EQ("", settings.GetFromAddress());
    EXPECT_EQ("", sink.GetText());
}

TEST(EmailServerSettings, UrlSchemeFollowsTheConnectionType) {
    EmailServerSettings settings;
    settings.SetServer("mail.example.org");
    settings.SetConnectionType(SMTPWithTLS);
    EXPECT_EQ("smtp://mail.example.org:25/", settings.GetURL());
    settings.SetConnectionType(SMTPOverSSL);
    settings.SetPort(465);
    EXPECT_EQ("smtps://mail.example.org:465/", settings.GetURL());
}

}  // namespace
