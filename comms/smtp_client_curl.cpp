#include "comms/smtp_client_curl.h"

#include <cctype>
#include <cstring>
#include <ctime>

#include "comms/smtp_email.h"
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

}  // namespace

SMTPClientCurl::SMTPClientCurl() {
    InitialiseCurlOnce();
    handle_ = curl_easy_init();
    if (handle_ != nullptr) {
        curl_easy_setopt(handle_, CURLOPT_ERRORBUFFER, errorBuffer_);
    }
}

SMTPClientCurl::~SMTPClientCurl() {
    if (handle_ != nullptr) {
        curl_easy_cleanup(handle_);
    }
}

void SMTPClientCurl::Log(const std::string& text) {
    if (debug) {
        debugLog += text;
    }
}

bool SMTPClientCurl::Connect(const EmailServerSettings& settings) {
    if (handle_ == nullptr) {
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
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, kStallTimeoutSeconds);
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
    const std::string problem = email.GetProblem();
    if (!problem.empty()) {
        UCError::Current().AddDetail(problem);
        Log("SMTPClientCurl: " + problem + "\n");
        return false;
    }
    if (handle_ == nullptr || !connected) {
        UCError::Current().AddDetail("The email server has not been connected");
        return false;
    }
    curl_easy_setopt(handle_, CURLOPT_MAIL_FROM, email.from.address.c_str());
    Log("SMTPClientCurl: From address '" + email.from.address + "'\n");

    curl_slist* recipients = nullptr;
    for (const auto& entry : email.GetTo()) {
        recipients = curl_slist_append(recipients, entry->address.c_str());
        Log("SMTPClientCurl: To address '" + entry->address + "'\n");
    }
    for (const auto& entry : email.GetBcc()) {
        recipients = curl_slist_append(recipients, entry->address.c_str());
        Log("SMTPClientCurl: Bcc address '" + entry->address + "'\n");
    }
    curl_easy_setopt(handle_, CURLOPT_MAIL_RCPT, recipients);

    const std::string content = email.ComposeContent(std::time(nullptr));
    uploadData_ = content.data();
    uploadPosition_ = 0;
    uploadRemaining_ = content.size();
    curl_easy_setopt(handle_, CURLOPT_READFUNCTION, &SMTPClientCurl::ReadCallback);
    curl_easy_setopt(handle_, CURLOPT_READDATA, this);
    curl_easy_setopt(handle_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(content.size()));
    if (debug) {
        curl_easy_setopt(handle_, CURLOPT_DEBUGFUNCTION, &SMTPClientCurl::DebugCallback);
        curl_easy_setopt(handle_, CURLOPT_DEBUGDATA, this);
        curl_easy_setopt(handle_, CURLOPT_VERBOSE, 1L);
        Log("SMTPClientCurl: SMTP data '\n" + content + "'\n");
    }

    errorBuffer_[0] = '\0';
    inAuthExchange_ = false;
    const CURLcode result = curl_easy_perform(handle_);
    bool sent = result == CURLE_OK;
    if (sent) {
        Log("SMTPClientCurl: Email sent OK\n");
    } else {
        std::string error = "Transport error: ";
        error += errorBuffer_[0] != '\0' ? errorBuffer_ : curl_easy_strerror(result);
        UCError::Current().AddDetail(error);
        Log("SMTPClientCurl: " + error + "\n");
    }
    // libcurl keeps the list's pointer; it must not outlive this call.
    curl_easy_setopt(handle_, CURLOPT_MAIL_RCPT, nullptr);
    curl_slist_free_all(recipients);
    uploadData_ = nullptr;
    uploadRemaining_ = 0;
    return sent;
}

bool SMTPClientCurl::Disconnect() {
    if (handle_ != nullptr) {
        curl_easy_cleanup(handle_);
        handle_ = nullptr;
    }
    connected = false;
    return true;
}

size_t SMTPClientCurl::ReadCallback(char* buffer, size_t size, size_t count, void* user) {
    auto* client = static_cast<SMTPClientCurl*>(user);
    if (client == nullptr || client->uploadRemaining_ == 0 || size == 0 || count == 0) {
        return 0;
    }
    size_t n = size * count;
    if (n > client->uploadRemaining_) {
        n = client->uploadRemaining_;
    }
    std::memcpy(buffer, client->uploadData_ + client->uploadPosition_, n);
    client->uploadPosition_ += n;
    client->uploadRemaining_ -= n;
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
    std::string& log = client->debugLog;
    switch (type) {
        case CURLINFO_TEXT:
            log += "== Info:";
            log.append(data, size);
            break;
        case CURLINFO_HEADER_IN:
            log += "<= Recv header\n";
            log.append(data, size);
            // Only a 334 asks for more of the login; any other reply ends the exchange.
            if (!StartsWithText(data, size, "334")) {
                client->inAuthExchange_ = false;
            }
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
    return std::make_unique<SMTPClientCurl>();
}
