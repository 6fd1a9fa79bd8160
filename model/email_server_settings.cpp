#include "model/email_server_settings.h"

#include "foundation/uc_error.h"

namespace {

constexpr int kSubmissionPort = 587;

// Storing a different value by hand means the user no longer follows the preset.
template <typename T>
void StoreCustom(T& field, const T& value, EmailProvider& provider) {
    if (field != value) {
        provider = EmailProviderCustom;
    }
    field = value;
}

}  // namespace

void EmailServerSettings::SetProvider(EmailProvider provider) {
    provider_ = provider;
    if (provider != EmailProviderGMail && provider != EmailProviderOffice365) {
        return;
    }
    server_ = provider == EmailProviderGMail ? "smtp.gmail.com" : "smtp.office365.com";
    port_ = kSubmissionPort;
    connectionType_ = SMTPWithTLS;
    needsAuth_ = true;
    verifyServer_ = true;
}

bool EmailServerSettings::SetFromAddress(const std::string& address) {
    if (!address.empty() &&
        (address.find('.') == std::string::npos || address.find('@') == std::string::npos)) {
        ReportMessage(SeverityError, "The email address '" + address + "' is not valid");
        return false;
    }
    fromAddress_ = address;
    return true;
}

void EmailServerSettings::SetServer(const std::string& server) {
    StoreCustom(server_, server, provider_);
}

void EmailServerSettings::SetPort(int port) {
    StoreCustom(port_, port, provider_);
}

void EmailServerSettings::SetUserName(const std::string& userName) {
    StoreCustom(userName_, userName, provider_);
}

void EmailServerSettings::SetPassword(const std::string& password) {
    StoreCustom(password_, password, provider_);
}

void EmailServerSettings::SetConnectionType(SMTPConnectionType type) {
    StoreCustom(connectionType_, type, provider_);
}

void EmailServerSettings::SetNeedsAuth(bool on) {
    StoreCustom(needsAuth_, on, provider_);
}

void EmailServerSettings::SetVerifyServer(bool on) {
    StoreCustom(verifyServer_, on, provider_);
}

std::string EmailServerSettings::GetURL() const {
    std::string url = connectionType_ == SMTPOverSSL ? "smtps://" : "smtp://";
    return url + server_ + ":" + std::to_string(port_) + "/";
}

std::string EmailServerSettings::GetLoginName() const {
    bool preset = provider_ == EmailProviderGMail || provider_ == EmailProviderOffice365;
    return preset ? fromAddress_ : userName_;
}
