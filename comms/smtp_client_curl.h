#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

#include "app/smtp_client.h"

// Sends messages over SMTP through one libcurl easy handle, which keeps the connection open
// from one message to the next.
class SMTPClientCurl : public UCSMTPClient {
public:
    // Connecting gives up after this long; a transfer that stalls this long fails.
    static constexpr long kConnectTimeoutSeconds = 30;
    static constexpr long kStallTimeoutSeconds = 60;

    SMTPClientCurl();
    ~SMTPClientCurl() override;

    // Configures the handle; no network traffic until the first Send.
    bool Connect(const EmailServerSettings& settings) override;
    bool Send(const UCSMTPEmail& email) override;
    bool Disconnect() override;

    static size_t ReadCallback(char* buffer, size_t size, size_t count, void* user);
    static int DebugCallback(CURL* handle, curl_infotype type, char* data, size_t size, void* user);

private:
    void Log(const std::string& text);
    // The conversation as it goes to the log, with the login's secrets blanked out.
    void LogOutgoingHeader(const char* data, size_t size);

    CURL* handle_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    // What the read callback hands to libcurl: one message at a time.
    const char* uploadData_ = nullptr;
    size_t uploadPosition_ = 0;
    size_t uploadRemaining_ = 0;
    // Between "AUTH" and the server's verdict every line we send carries credentials.
    bool inAuthExchange_ = false;
};

class SMTPClientFactoryCurl : public UCSMTPClientFactory {
public:
    std::unique_ptr<UCSMTPClient> CreateClient() override;
};
