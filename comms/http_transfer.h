#pragma once

#include <curl/curl.h>

#include <cstdio>
#include <string>

#include "foundation/uc_string_list.h"
#include "foundation/url.h"

// One HTTP(S) request advanced in small non-blocking steps, so a progress window can drive it
// from its timer without freezing. The body is kept in memory and handed out as lines, or
// written to a file opened before the first step.
class UCHTTPTransfer {
public:
    enum State {
        Connecting = 0,
        SendingRequest = 1,
        ReadingHeaders = 2,
        ReadingReply = 3,
        Finished = 4,
        HTTPError = 5  // the request failed or the server answered with an error status
    };

    explicit UCHTTPTransfer(const char* target) : url(target ? target : "") {}
    explicit UCHTTPTransfer(const URL& target) : url(target) {}
    // Closes an output file still open; the bytes written so far stay on disk.
    virtual ~UCHTTPTransfer();
    UCHTTPTransfer(const UCHTTPTransfer&) = delete;
    UCHTTPTransfer& operator=(const UCHTTPTransfer&) = delete;

    // One step: true while the transfer goes on, false once it has ended (and ever after).
    virtual bool Poll() = 0;
    virtual void SetCookie(const std::string& text) = 0;

    // Creates the file, which must not exist yet (a symbolic link counts as existing); false
    // when a file is already open or this one cannot be created (errno says why). The owner
    // reports.
    bool OpenOutputFile(const std::string& path);
    // Keeps the header line; a Content-Length header in any case sets the content length.
    void ParseHeaderLine(const std::string& line);
    // Ended with a whole reply of a 2xx status.
    bool Succeeded() const { return state == Finished; }

    int state = Connecting;
    URL url;
    UCStringList headerLines{16};
    UCStringList bodyLines{16};
    std::string userAgent;
    FILE* outputFile = nullptr;
    // What the last Content-Length header said; 0 when the reply announced no length.
    long contentLength = 0;
    long bytesReceived = 0;
    long httpStatus = 0;
    // In memory, a reply may hold this many bytes at most (0: no limit); a longer one ends the
    // transfer as failed.
    size_t bodyLimit = 0;
    // Why the transfer failed, as one sentence; empty otherwise.
    std::string errorText;

    bool BodyTooLarge() const { return bodyTooLarge_; }

protected:
    bool bodyTooLarge_ = false;
};

// The transfer over libcurl's multi interface: each Poll performs what can be done without
// waiting.
class HTTPTransferCurl : public UCHTTPTransfer {
public:
    static constexpr long kConnectTimeoutSeconds = 30;
    static constexpr long kStallTimeoutSeconds = 60;

    explicit HTTPTransferCurl(const char* target);
    explicit HTTPTransferCurl(const URL& target);
    ~HTTPTransferCurl() override;

    bool Poll() override;
    void SetCookie(const std::string& text) override;
    // libcurl keeps a pointer to the text: it must live, unchanged, until the transfer ends.
    void SetPostData(const std::string& text);
    // Trusts the certificates of this file (a private CA) instead of the system's.
    void SetCAFile(const std::string& path);
    // Sleeps until the transfer has something to do or the time is up; a timer-driven owner
    // never needs it.
    void WaitForActivity(int milliseconds);

    static size_t HeaderCallback(char* data, size_t size, size_t count, void* transfer);
    static size_t WriteCallback(char* data, size_t size, size_t count, void* transfer);
    // False, taking nothing, when the bytes would pass the body limit.
    bool WriteBody(const char* data, size_t length);

private:
    void Start();
    void Finish();

    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    std::string receivedBody_;
    bool writeFailed_ = false;
};
