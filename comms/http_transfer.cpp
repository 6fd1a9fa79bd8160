#include "comms/http_transfer.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "foundation/files.h"
#include "foundation/string_tokeniser.h"

namespace {

void InitialiseCurlOnce() {
    static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)done;
}

}  // namespace

UCHTTPTransfer::~UCHTTPTransfer() {
    if (outputFile != nullptr) {
        std::fclose(outputFile);
    }
}

bool UCHTTPTransfer::OpenOutputFile(const std::string& path) {
    if (outputFile != nullptr) {
        return false;
    }
    // A new file or none: never one that is already there, never through a symbolic link.
    const int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return false;
    }
    outputFile = ::fdopen(descriptor, "wb");
    if (outputFile == nullptr) {
        const int reason = errno;
        ::close(descriptor);
        ::unlink(path.c_str());
        errno = reason;
        return false;
    }
    return true;
}

void UCHTTPTransfer::ParseHeaderLine(const std::string& line) {
    headerLines.Append(line);
    // HTTP/2 sends header names in lower case.
    static const char kName[] = "Content-Length:";
    if (strncasecmp(line.c_str(), kName, sizeof kName - 1) == 0) {
        contentLength = std::atol(line.c_str() + sizeof kName - 1);
    }
}

HTTPTransferCurl::HTTPTransferCurl(const char* target) : UCHTTPTransfer(target) {
    Start();
}

HTTPTransferCurl::HTTPTransferCurl(const URL& target) : UCHTTPTransfer(target) {
    Start();
}

HTTPTransferCurl::~HTTPTransferCurl() {
    if (multi_ != nullptr && easy_ != nullptr) {
        curl_multi_remove_handle(multi_, easy_);
    }
    if (easy_ != nullptr) {
        curl_easy_cleanup(easy_);
    }
    if (multi_ != nullptr) {
        curl_multi_cleanup(multi_);
    }
}

void HTTPTransferCurl::Start() {
    InitialiseCurlOnce();
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    if (easy_ == nullptr || multi_ == nullptr) {
        return;
    }
    curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &HTTPTransferCurl::HeaderCallback);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &HTTPTransferCurl::WriteCallback);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_URL, url.GetURL().c_str());
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, kStallTimeoutSeconds);
    // A look-up of the host cannot be cut short: Stop leaves it to end by itself rather than
    // wait for it.
    curl_easy_setopt(easy_, CURLOPT_QUICK_EXIT, 1L);
    curl_multi_add_handle(multi_, easy_);
}

void HTTPTransferCurl::SetCookie(const std::string& text) {
    if (easy_ != nullptr) {
        curl_easy_setopt(easy_, CURLOPT_COOKIE, text.c_str());
    }
}

void HTTPTransferCurl::SetPostData(const std::string& text) {
    if (easy_ != nullptr) {
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE, static_cast<long>(text.size()));
        curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, text.c_str());
    }
}

void HTTPTransferCurl::SetCAFile(const std::string& path) {
    if (easy_ == nullptr || path.empty()) {
        return;
    }
    // libcurl would open a FIFO inside a poll and wait there for a writer: the transfer fails
    // at once instead of trusting other certificates.
    const std::string why = WhyNotOrdinaryFile(path);
    if (!why.empty()) {
        state = HTTPError;
        errorText = "The certificate file '" + path + "' cannot be used: " + why + ".";
        return;
    }
    curl_easy_setopt(easy_, CURLOPT_CAINFO, path.c_str());
}

void HTTPTransferCurl::WaitForActivity(int milliseconds) {
    if (multi_ != nullptr && state == ReadingReply) {
        curl_multi_poll(multi_, nullptr, 0, milliseconds, nullptr);
    }
}

bool HTTPTransferCurl::Poll() {
    if (state == Finished || state == HTTPError) {
        return false;
    }
    if (state == Connecting) {
        if (easy_ != nullptr) {
            curl_easy_setopt(easy_, CURLOPT_USERAGENT, userAgent.c_str());
        }
        state = ReadingReply;
        return true;
    }
    if (easy_ == nullptr || multi_ == nullptr) {
        errorText = "The 'curl' library failed to start";
        state = HTTPError;
        return false;
    }
    int running = 0;
    curl_multi_perform(multi_, &running);
    if (running > 0) {
        return true;
    }
    Finish();
    return false;
}

void HTTPTransferCurl::Finish() {
    CURLcode result = CURLE_OK;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy_) {
            result = message->data.result;
        }
    }
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &httpStatus);
    if (outputFile != nullptr) {
        if (std::fclose(outputFile) != 0) {
            writeFailed_ = true;
        }
        outputFile = nullptr;
    }
    if (bodyTooLarge_) {
        errorText =
            "The reply is larger than the " + std::to_string(bodyLimit) + " bytes it may hold";
    } else if (result != CURLE_OK) {
        errorText = errorBuffer_[0] != '\0' ? errorBuffer_ : curl_easy_strerror(result);
    } else if (writeFailed_) {
        errorText = "The downloaded file could not be written";
    } else if (httpStatus < 200 || httpStatus > 299) {
        errorText = "The server answered with status " + std::to_string(httpStatus);
    }
    if (!errorText.empty()) {
        state = HTTPError;
        return;
    }
    state = Finished;
    StringTokeniser lines(receivedBody_);
    std::string line;
    while (lines.NextLine(line)) {
        bodyLines.Append(line);
    }
}

size_t HTTPTransferCurl::HeaderCallback(char* data, size_t size, size_t count, void* transfer) {
    if (size == 0 || count == 0) {
        return 0;
    }
    static_cast<HTTPTransferCurl*>(transfer)->ParseHeaderLine(std::string(data, size * count));
    return size * count;
}

size_t HTTPTransferCurl::WriteCallback(char* data, size_t size, size_t count, void* transfer) {
    if (size == 0 || count == 0) {
        return 0;
    }
    // Taking fewer bytes than offered makes libcurl end the transfer.
    return static_cast<HTTPTransferCurl*>(transfer)->WriteBody(data, size * count) ? size * count
                                                                                   : 0;
}

bool HTTPTransferCurl::WriteBody(const char* data, size_t length) {
    if (outputFile == nullptr && bodyLimit > 0 && receivedBody_.size() + length > bodyLimit) {
        bodyTooLarge_ = true;
        return false;
    }
    if (outputFile != nullptr) {
        if (std::fwrite(data, length, 1, outputFile) != 1) {
            writeFailed_ = true;
        }
    } else {
        receivedBody_.append(data, length);
    }
    bytesReceived += static_cast<long>(length);
    return true;
}
