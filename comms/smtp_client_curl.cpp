#include "comms/smtp_client_curl.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

#include "comms/smtp_email.h"
#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "model/email_server_settings.h"

namespace {

// libcurl must be set up once before any handle, and before other threads exist.
void InitialiseCurlOnce() {
    static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)done;
}

bool StartsWithText(const char* data, size_t size, const char* prefix) {
    size_t length = std::strlen(prefix);
    if (size < length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if (std::toupper(static_cast<unsigned char>(data[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

std::string DescribeSeconds(std::chrono::milliseconds duration) {
    const long long ms = duration.count();
    if (ms % 1000 != 0) {
        return StringPrintf("%.3g seconds", static_cast<double>(ms) / 1000.0);
    }
    return StringPrintf("%lld second%s", ms / 1000, ms == 1000 ? "" : "s");
}

}  // namespace

SMTPClientCurl::SMTPClientCurl() {
    InitialiseCurlOnce();
    handle_ = curl_easy_init();
    multi_ = curl_multi_init();
    if (handle_ != nullptr) {
        curl_easy_setopt(handle_, CURLOPT_ERRORBUFFER, errorBuffer_);
        // A look-up of the server's name cannot be cut short: giving a message up leaves it to
        // end by itself rather than wait for it.
        curl_easy_setopt(handle_, CURLOPT_QUICK_EXIT, 1L);
    }
}

SMTPClientCurl::~SMTPClientCurl() {
    if (state_ == SendRunning) {
        // Nobody is left to hear the server's answer or to be told about the message.
        UCStringError unheard;
        Abandon("the email client was closed");
    }
    DropConnections();
    if (handle_ != nullptr) {
        curl_easy_cleanup(handle_);
    }
    if (multi_ != nullptr) {
        curl_multi_cleanup(multi_);
    }
}

void SMTPClientCurl::Log(const std::string& text) {
    if (debug) {
        debugLog += text;
    }
}

bool SMTPClientCurl::Connect(const EmailServerSettings& settings) {
    if (handle_ == nullptr || multi_ == nullptr) {
        ReportMessage(SeverityError, "Email sending failed: the 'curl' library failed to start");
        return false;
    }
    if (settings.GetDebugReport() && !debug) {
        EnableDebugLog("");
    }
    if (connected) {
        Log("SMTPClientCurl: Reusing connection\n");
        return true;
    }
    std::string version = curl_version_info(CURLVERSION_NOW)->version;
    Log("SMTPClientCurl: libcurl " + version);
    if (!callerName.empty()) {
        Log(" called from " + callerName);
    }
    Log("\nSMTPClientCurl: Connecting to server " + settings.GetURL() + "\n");

    const bool secure =
        settings.GetConnectionType() == SMTPWithTLS || settings.GetConnectionType() == SMTPOverSSL;
    if (settings.GetNeedsAuth() && !secure) {
        ReportMessage(SeverityError,
                      "The email server needs a login, which cannot be sent over an unencrypted "
                      "connection. Please choose TLS or SSL in the email server settings.");
        return false;
    }

    curl_easy_setopt(handle_, CURLOPT_URL, settings.GetURL().c_str());
    curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    // Every byte either way shows the server is alive; the stall limit is ours to keep.
    curl_easy_setopt(handle_, CURLOPT_DEBUGFUNCTION, &SMTPClientCurl::DebugCallback);
    curl_easy_setopt(handle_, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(handle_, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(handle_, CURLOPT_OPENSOCKETFUNCTION, &SMTPClientCurl::OpenSocket);
    curl_easy_setopt(handle_, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(handle_, CURLOPT_CLOSESOCKETFUNCTION, &SMTPClientCurl::CloseSocket);
    curl_easy_setopt(handle_, CURLOPT_CLOSESOCKETDATA, this);
    // Asked about once a second even while libcurl waits inside a call.
    curl_easy_setopt(handle_, CURLOPT_XFERINFOFUNCTION, &SMTPClientCurl::ProgressCallback);
    curl_easy_setopt(handle_, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(handle_, CURLOPT_NOPROGRESS, 0L);
    if (secure) {
        curl_easy_setopt(handle_, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        const long verify = settings.GetVerifyServer() ? 1L : 0L;
        curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYPEER, verify);
        curl_easy_setopt(handle_, CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
    }
    if (settings.GetNeedsAuth()) {
        Log("SMTPClientCurl: Connecting with username '" + settings.GetLoginName() + "'\n");
        curl_easy_setopt(handle_, CURLOPT_USERNAME, settings.GetLoginName().c_str());
        curl_easy_setopt(handle_, CURLOPT_PASSWORD, settings.GetPassword().c_str());
    }
    connected = true;
    return true;
}

bool SMTPClientCurl::Send(const UCSMTPEmail& email) {
    StartSend(email);
    while (PollSend() == SendRunning) {
        WaitForActivity(100);
    }
    return state_ == SendDone;
}

void SMTPClientCurl::StartSend(const UCSMTPEmail& email) {
    EndMessageUnderWay();
    state_ = SendFailed;
    const std::string problem = email.GetProblem();
    if (!problem.empty()) {
        UCError::Current().AddDetail(problem);
        Log("SMTPClientCurl: " + problem + "\n");
        return;
    }
    if (handle_ == nullptr || multi_ == nullptr || !connected) {
        UCError::Current().AddDetail("The email server has not been connected");
        return;
    }
    curl_easy_setopt(handle_, CURLOPT_MAIL_FROM, email.from.address.c_str());
    Log("SMTPClientCurl: From address '" + email.from.address + "'\n");

    for (const auto& entry : email.GetTo()) {
        recipients_ = curl_slist_append(recipients_, entry->address.c_str());
        Log("SMTPClientCurl: To address '" + entry->address + "'\n");
    }
    for (const auto& entry : email.GetBcc()) {
        recipients_ = curl_slist_append(recipients_, entry->address.c_str());
        Log("SMTPClientCurl: Bcc address '" + entry->address + "'\n");
    }
    curl_easy_setopt(handle_, CURLOPT_MAIL_RCPT, recipients_);

    const std::time_t now = std::time(nullptr);
    content_ = email.ComposeContent(now);
    uploadPosition_ = 0;
    curl_easy_setopt(handle_, CURLOPT_READFUNCTION, &SMTPClientCurl::ReadCallback);
    curl_easy_setopt(handle_, CURLOPT_READDATA, this);
    curl_easy_setopt(handle_, CURLOPT_UPLOAD, 1L);
    if (debug) {
        // The whole message as the contents preview shows it, its end-of-data line too.
        Log("SMTPClientCurl: SMTP data '\n" + email.ComposeMessage(now) + "'\n");
    }

    errorBuffer_[0] = '\0';
    inAuthExchange_ = false;
    abort_ = false;
    upload_ = Uploading;
    done_ = false;
    result_ = CURLE_OK;
    lastActivity_ = std::chrono::steady_clock::now().time_since_epoch().count();
    state_ = SendRunning;
    worker_ = std::thread(&SMTPClientCurl::Transfer, this);
}

void SMTPClientCurl::Transfer() {
    CURLcode result = CURLE_OK;
    if (curl_multi_add_handle(multi_, handle_) != CURLM_OK) {
        result = CURLE_FAILED_INIT;
    } else {
        for (;;) {
            int running = 0;
            curl_multi_perform(multi_, &running);
            bool finished = false;
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == handle_) {
                    result = message->data.result;
                    finished = true;
                }
            }
            if (finished) {
                break;
            }
            if (abort_) {
                result = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            curl_multi_poll(multi_, nullptr, 0, 1000, nullptr);
        }
        curl_multi_remove_handle(multi_, handle_);
    }
    {
        std::lock_guard<std::mutex> lock(doneMutex_);
        result_ = result;
        done_ = true;
    }
    doneSignal_.notify_all();
}

bool SMTPClientCurl::TransferEnded() {
    std::lock_guard<std::mutex> lock(doneMutex_);
    return done_;
}

UCSMTPClient::SendState SMTPClientCurl::PollSend() {
    if (state_ != SendRunning) {
        return state_;
    }
    if (TransferEnded()) {
        worker_.join();
        Finish(result_);
        return state_;
    }
    const std::chrono::steady_clock::time_point last{
        std::chrono::steady_clock::duration(lastActivity_.load())};
    if (std::chrono::steady_clock::now() - last > stallLimit_) {
        std::string reason = "the email server did not answer for " + DescribeSeconds(stallLimit_);
        if (upload_ == EndGone) {
            reason += " after the whole message had gone to it, so it may have arrived";
        }
        Abandon(reason);
    }
    return state_;
}

void SMTPClientCurl::WaitForActivity(int milliseconds) {
    if (state_ == SendRunning) {
        std::unique_lock<std::mutex> lock(doneMutex_);
        doneSignal_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [this] { return done_; });
    }
}

bool SMTPClientCurl::IsAwaitingVerdict() const {
    return state_ == SendRunning && upload_ == EndGone;
}

bool SMTPClientCurl::CancelSend() {
    if (state_ != SendRunning || TransferEnded()) {
        return false;
    }
    Upload expected = Uploading;
    if (!upload_.compare_exchange_strong(expected, GivenUp)) {
        return false;
    }
    Abandon("sending was stopped");
    return true;
}

void SMTPClientCurl::EndMessageUnderWay() {
    CancelSend();
    while (PollSend() == SendRunning) {
        WaitForActivity(100);
    }
}

void SMTPClientCurl::Abandon(const std::string& reason) {
    const bool ended = TransferEnded();
    if (!ended) {
        abort_ = true;
        // Whatever the transfer waits for, on a socket or in libcurl's own poll, ends now.
        DropConnections();
        curl_multi_wakeup(multi_);
    }
    worker_.join();
    // The server's "accepted" may have come just before the transfer was stopped.
    Finish(result_, ended || result_ == CURLE_OK ? std::string() : reason);
}

void SMTPClientCurl::Finish(CURLcode result, const std::string& error) {
    if (result == CURLE_OK && error.empty()) {
        Log("SMTPClientCurl: Email sent OK\n");
        state_ = SendDone;
    } else {
        std::string text = "Transport error: ";
        if (!error.empty()) {
            text += error;
        } else {
            text += errorBuffer_[0] != '\0' ? errorBuffer_ : curl_easy_strerror(result);
        }
        UCError::Current().AddDetail(text);
        Log("SMTPClientCurl: " + text + "\n");
        state_ = SendFailed;
    }
    // libcurl keeps the list's pointer; it must not outlive the message.
    curl_easy_setopt(handle_, CURLOPT_MAIL_RCPT, nullptr);
    curl_slist_free_all(recipients_);
    recipients_ = nullptr;
    content_.clear();
    uploadPosition_ = 0;
}

bool SMTPClientCurl::Disconnect() {
    EndMessageUnderWay();
    DropConnections();
    if (handle_ != nullptr) {
        curl_easy_cleanup(handle_);
        handle_ = nullptr;
    }
    connected = false;
    return true;
}

void SMTPClientCurl::DropConnections() {
    std::lock_guard<std::mutex> lock(socketsMutex_);
    for (curl_socket_t socket : sockets_) {
        ::shutdown(socket, SHUT_RDWR);
    }
}

curl_socket_t SMTPClientCurl::OpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
    auto* client = static_cast<SMTPClientCurl*>(user);
    std::lock_guard<std::mutex> lock(client->socketsMutex_);
    const curl_socket_t socket =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket != CURL_SOCKET_BAD) {
        client->sockets_.push_back(socket);
    }
    return socket;
}

// Under the lock, so that a socket being cut off is never a number already closed and reused.
int SMTPClientCurl::CloseSocket(void* user, curl_socket_t socket) {
    auto* client = static_cast<SMTPClientCurl*>(user);
    std::lock_guard<std::mutex> lock(client->socketsMutex_);
    auto& sockets = client->sockets_;
    sockets.erase(std::remove(sockets.begin(), sockets.end(), socket), sockets.end());
    return ::close(socket);
}

int SMTPClientCurl::ProgressCallback(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<SMTPClientCurl*>(user)->abort_ ? 1 : 0;
}

size_t SMTPClientCurl::ReadCallback(char* buffer, size_t size, size_t count, void* user) {
    auto* client = static_cast<SMTPClientCurl*>(user);
    if (client == nullptr || size == 0 || count == 0) {
        return 0;
    }
    if (client->abort_) {
        return CURL_READFUNC_ABORT;
    }
    const size_t remaining = client->content_.size() - client->uploadPosition_;
    if (remaining == 0) {
        // Handing libcurl the end lets the server accept the message, so a message given up
        // first never gets it, and one that got it is no longer given up.
        Upload expected = Uploading;
        client->upload_.compare_exchange_strong(expected, EndGone);
        return client->upload_ == GivenUp ? CURL_READFUNC_ABORT : 0;
    }
    const size_t n = std::min(size * count, remaining);
    std::memcpy(buffer, client->content_.data() + client->uploadPosition_, n);
    client->uploadPosition_ += n;
    return n;
}

void SMTPClientCurl::LogOutgoingHeader(const char* data, size_t size) {
    if (StartsWithText(data, size, "AUTH")) {
        inAuthExchange_ = true;
        size_t word = 5;
        while (word < size && data[word] != ' ' && data[word] != '\r' && data[word] != '\n') {
            ++word;
        }
        debugLog.append(data, word < size ? word : size);
        debugLog += " [hidden]\r\n";
    } else if (inAuthExchange_) {
        debugLog += "[hidden]\r\n";
    } else {
        debugLog.append(data, size);
    }
}

int SMTPClientCurl::DebugCallback(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto* client = static_cast<SMTPClientCurl*>(user);
    if (client == nullptr) {
        return 0;
    }
    if (type != CURLINFO_TEXT) {
        client->lastActivity_ = std::chrono::steady_clock::now().time_since_epoch().count();
    }
    if (type == CURLINFO_HEADER_IN && !StartsWithText(data, size, "334")) {
        // Only a 334 asks for more of the login; any other reply ends the exchange.
        client->inAuthExchange_ = false;
    }
    if (!client->debug) {
        return 0;
    }
    std::string& log = client->debugLog;
    switch (type) {
        case CURLINFO_TEXT:
            log += "== Info:";
            log.append(data, size);
            break;
        case CURLINFO_HEADER_IN:
            log += "<= Recv header\n";
            log.append(data, size);
            break;
        case CURLINFO_HEADER_OUT:
            log += "=> Send header\n";
            client->LogOutgoingHeader(data, size);
            break;
        case CURLINFO_DATA_IN:
            log += "<= Recv data\n";
            log.append(data, size);
            break;
        case CURLINFO_DATA_OUT:
            log += "=> Send data\n";
            log.append(data, size);
            break;
        case CURLINFO_SSL_DATA_IN:
            log += "<= Recv SSL data\n";
            break;
        case CURLINFO_SSL_DATA_OUT:
            log += "=> Send SSL data\n";
            break;
        default:
            break;
    }
    return 0;
}

std::unique_ptr<UCSMTPClient> SMTPClientFactoryCurl::CreateClient() {
    auto client = std::make_unique<SMTPClientCurl>();
    client->SetStallLimit(stallLimit_);
    return client;
}
