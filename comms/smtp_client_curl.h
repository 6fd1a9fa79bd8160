#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/smtp_client.h"

// Sends messages over SMTP through one libcurl handle, which keeps the connection open from one
// message to the next. libcurl waits inside its own calls for some of the server's replies (the
// one to the end of a message, the one to a goodbye), so each message is transferred on a
// thread of its own while the caller's thread only looks in on it: whatever the server does,
// the caller never waits, and it can give a message up at once, until the message's end has
// gone: from then on the server may have it, and only its answer or the stall limit ends it.
class SMTPClientCurl : public UCSMTPClient {
public:
    // Connecting gives up after this long; a message during which the server neither sends nor
    // takes a byte for this long fails.
    static constexpr long kConnectTimeoutSeconds = 30;
    static constexpr long kStallTimeoutSeconds = 60;

    SMTPClientCurl();
    ~SMTPClientCurl() override;

    // Configures the handle; no network traffic until the first message.
    bool Connect(const EmailServerSettings& settings) override;
    bool Send(const UCSMTPEmail& email) override;
    void StartSend(const UCSMTPEmail& email) override;
    SendState PollSend() override;
    void WaitForActivity(int milliseconds) override;
    bool IsAwaitingVerdict() const override;
    bool CancelSend() override;
    // A message the server may have is heard out first.
    bool Disconnect() override;

    void SetStallLimit(std::chrono::milliseconds limit) { stallLimit_ = limit; }

    static size_t ReadCallback(char* buffer, size_t size, size_t count, void* user);
    static int DebugCallback(CURL* handle, curl_infotype type, char* data, size_t size, void* user);
    static int ProgressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static curl_socket_t OpenSocket(void* user, curlsocktype purpose, curl_sockaddr* address);
    static int CloseSocket(void* user, curl_socket_t socket);

private:
    // The transfer thread's work: one message, start to end.
    void Transfer();
    bool TransferEnded();
    // Gives the message up, or, when the server may have it, waits for its answer or the stall.
    void EndMessageUnderWay();
    // Stops the transfer thread and ends the message as failed for the reason given, unless
    // the transfer had ended by itself or the server had accepted the message.
    void Abandon(const std::string& reason);
    // Cuts the connections off, so that whatever libcurl is waiting for on them ends at once.
    void DropConnections();
    // Ends the message under way with libcurl's result, once the transfer thread has ended.
    void Finish(CURLcode result, const std::string& error = std::string());
    void Log(const std::string& text);
    // The conversation as it goes to the log, with the login's secrets blanked out.
    void LogOutgoingHeader(const char* data, size_t size);

    CURL* handle_ = nullptr;
    CURLM* multi_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    SendState state_ = SendFailed;
    curl_slist* recipients_ = nullptr;
    // The message under way, which the read callback hands to libcurl.
    std::string content_;
    size_t uploadPosition_ = 0;
    // Between "AUTH" and the server's verdict every line we send carries credentials.
    bool inAuthExchange_ = false;
    std::chrono::milliseconds stallLimit_{kStallTimeoutSeconds * 1000};

    // Shared with the transfer thread.
    std::thread worker_;
    std::atomic<bool> abort_{false};
    // Whichever comes first of the message's end going to libcurl and the message being given
    // up rules out the other.
    enum Upload { Uploading, EndGone, GivenUp };
    std::atomic<Upload> upload_{Uploading};
    std::atomic<std::chrono::steady_clock::rep> lastActivity_{0};
    std::mutex doneMutex_;
    std::condition_variable doneSignal_;
    bool done_ = false;
    CURLcode result_ = CURLE_OK;
    std::mutex socketsMutex_;
    std::vector<curl_socket_t> sockets_;
};

class SMTPClientFactoryCurl : public UCSMTPClientFactory {
public:
    explicit SMTPClientFactoryCurl(std::chrono::milliseconds stallLimit =
                                       std::chrono::seconds(SMTPClientCurl::kStallTimeoutSeconds))
        : stallLimit_(stallLimit) {}
    std::unique_ptr<UCSMTPClient> CreateClient() override;

private:
    std::chrono::milliseconds stallLimit_;
};
