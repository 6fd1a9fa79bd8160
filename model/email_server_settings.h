#pragma once

#include <string>

enum EmailProvider { EmailProviderCustom = 0, EmailProviderGMail = 1, EmailProviderOffice365 = 2 };

enum SMTPConnectionType { SMTPPlain = 0, SMTPWithTLS = 1, SMTPOverSSL = 2 };

// How to reach the SMTP server: a provider preset or a custom server, the sender and the login.
// Changing a preset-controlled value by hand turns the settings into a custom server.
class EmailServerSettings {
public:
    EmailServerSettings() = default;

    // 1 and 2 also apply that provider's server, port 587, TLS, login and verification.
    void SetProvider(EmailProvider provider);
    // Accepts the empty text or one with a "." and an "@"; reports and keeps the old otherwise.
    bool SetFromAddress(const std::string& address);

    void SetServer(const std::string& server);
    void SetPort(int port);
    void SetUserName(const std::string& userName);
    void SetPassword(const std::string& password);
    void SetConnectionType(SMTPConnectionType type);
    void SetNeedsAuth(bool on);
    void SetVerifyServer(bool on);
    void SetDebugReport(bool on) { debugReport_ = on ? 1 : 0; }

    std::string GetURL() const;
    std::string GetLoginName() const;

    bool GetDebugReport() const { return (debugReport_ & 0xff) != 0; }
    EmailProvider GetProvider() const { return provider_; }
    const std::string& GetFromAddress() const { return fromAddress_; }
    const std::string& GetServer() const { return server_; }
    int GetPort() const { return port_; }
    const std::string& GetUserName() const { return userName_; }
    const std::string& GetPassword() const { return password_; }
    SMTPConnectionType GetConnectionType() const { return connectionType_; }
    bool GetNeedsAuth() const { return needsAuth_; }
    bool GetVerifyServer() const { return verifyServer_; }

private:
    int debugReport_ = 0;
    EmailProvider provider_ = EmailProviderCustom;
    std::string fromAddress_;
    std::string server_;
    int port_ = 25;
    std::string userName_;
    std::string password_;
    SMTPConnectionType connectionType_ = SMTPPlain;
    bool needsAuth_ = false;
    // Checking the server's certificate is the safe default; turning it off is the user's call.
    bool verifyServer_ = true;
};
