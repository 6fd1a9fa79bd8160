#include "comms/http_transfer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/loopback_servers.h"
#include "support/stalled_resolver.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Lines(const UCStringList& list) {
    return std::vector<std::string>(list.begin(), list.end());
}

// Polls as a progress window's timer would, until the transfer ends; false if it never does.
bool RunToEnd(HTTPTransferCurl& transfer) {
    for (int i = 0; i < 2000; ++i) {
        if (!transfer.Poll()) {
            return true;
        }
        transfer.WaitForActivity(20);
    }
    return false;
}

class HTTPTransfer : public ::testing::Test {
protected:
    std::unique_ptr<HTTPTransferCurl> Get(const std::string& path) {
        auto transfer = std::make_unique<HTTPTransferCurl>(server_.URL(path).c_str());
        transfer->userAgent = "Quillmoot 6.2.0";
        transfer->SetCAFile(server_.CAFile());
        return transfer;
    }
    TempFolder folder_{"qm-http"};
    LoopbackHTTPSServer server_{folder_};
};

TEST_F(HTTPTransfer, BodiesBecomeLinesAndHeadersAreKept) {
    ASSERT_NE(server_.Port(), 0) << server_.Log();
    server_.Publish("two.txt", "first\r\nsecond");
    server_.Publish("one.txt", "only\n");
    server_.Publish("gaps.txt", "a\n\nb\n");
    server_.Publish("empty.txt", "");
    struct Case {
        const char* path;
        std::vector<std::string> lines;
        long contentLength;
    };
    const Case cases[] = {
        {"/download/two.txt", {"first", "second"}, 13},
        {"/download/one.txt", {"only"}, 5},
        {"/download/gaps.txt", {"a", "", "b"}, 5},
        {"/download/empty.txt", {}, 0},
        {"/lower/download/two.txt", {"first", "second"}, 13},   // HTTP/2 style header name
        {"/chunked/download/two.txt", {"first", "second"}, 0},  // no length announced
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        auto transfer = Get(c.path);
        // The first step only sets the request up.
        EXPECT_TRUE(transfer->Poll());
        EXPECT_EQ(transfer->state, UCHTTPTransfer::ReadingReply);
        EXPECT_EQ(transfer->bytesReceived, 0);
        ASSERT_TRUE(RunToEnd(*transfer));
        EXPECT_EQ(transfer->state, UCHTTPTransfer::Finished) << transfer->errorText;
        EXPECT_TRUE(transfer->Succeeded());
        EXPECT_EQ(transfer->httpStatus, 200);
        EXPECT_EQ(Lines(transfer->bodyLines), c.lines);
        EXPECT_EQ(transfer->contentLength, c.contentLength);
        EXPECT_EQ(transfer->headerLines.Get(0).rfind("HTTP/1.", 0), 0u);
        EXPECT_FALSE(transfer->Poll());
        EXPECT_EQ(transfer->state, UCHTTPTransfer::Finished);
    }
    EXPECT_TRUE(Contains(server_.Requests(), "/download/two.txt Quillmoot 6.2.0\n"));
}

TEST_F(HTTPTransfer, ErrorsEndInTheErrorStateWithoutABody) {
    ASSERT_NE(server_.Port(), 0) << server_.Log();
    server_.Publish("v.txt", "text");
    auto missing = Get("/download/missing.txt");
    ASSERT_TRUE(RunToEnd(*missing));
    EXPECT_EQ(missing->state, UCHTTPTransfer::HTTPError);
    EXPECT_EQ(missing->httpStatus, 404);
    EXPECT_EQ(missing->errorText, "The server answered with status 404");
    EXPECT_EQ(missing->bodyLines.Count(), 0u);

    // A certificate nobody vouches for is refused.
    HTTPTransferCurl untrusted(server_.URL("/download/v.txt").c_str());
    ASSERT_TRUE(RunToEnd(untrusted));
    EXPECT_EQ(untrusted.state, UCHTTPTransfer::HTTPError);
    EXPECT_FALSE(untrusted.errorText.empty());
    EXPECT_EQ(untrusted.bodyLines.Count(), 0u);

    HTTPTransferCurl refused("https://127.0.0.1:1/download/v.txt");
    ASSERT_TRUE(RunToEnd(refused));
    EXPECT_EQ(refused.state, UCHTTPTransfer::HTTPError);
}

// A reply far longer than what it is for ends the transfer as soon as it passes the limit,
// with or without a length announced, instead of filling the memory.
TEST_F(HTTPTransfer, AReplyPastItsLimitEndsTheTransferAsTooLarge) {
    ASSERT_NE(server_.Port(), 0) << server_.Log();
    server_.Publish("huge.txt", std::string(4 * 1024 * 1024, 'v'));
    for (const char* path : {"/download/huge.txt", "/chunked/download/huge.txt"}) {
        SCOPED_TRACE(path);
        auto transfer = Get(path);
        transfer->bodyLimit = 64 * 1024;
        ASSERT_TRUE(RunToEnd(*transfer));
        EXPECT_EQ(transfer->state, UCHTTPTransfer::HTTPError);
        EXPECT_TRUE(transfer->BodyTooLarge());
        EXPECT_EQ(transfer->errorText, "The reply is larger than the 65536 bytes it may hold");
        EXPECT_LE(transfer->bytesReceived, 64 * 1024);
        EXPECT_EQ(transfer->bodyLines.Count(), 0u);
    }
    // Within the limit a reply is read as ever.
    server_.Publish("v.txt", "one\ntwo\n");
    auto small = Get("/download/v.txt");
    small->bodyLimit = 8;
    ASSERT_TRUE(RunToEnd(*small));
    EXPECT_TRUE(small->Succeeded()) << small->errorText;
    EXPECT_EQ(Lines(small->bodyLines), (std::vector<std::string>{"one", "two"}));
}

TEST_F(HTTPTransfer, FileModeWritesTheBodyAndClosesTheFile) {
    ASSERT_NE(server_.Port(), 0) << server_.Log();
    std::string installer(100000, '\0');
    for (size_t i = 0; i < installer.size(); ++i) {
        installer[i] = static_cast<char>(i * 7);
    }
    server_.Publish("setup.bin", installer);
    auto transfer = Get("/download/setup.bin");
    ASSERT_TRUE(transfer->OpenOutputFile(folder_.File("setup.bin")));
    EXPECT_FALSE(transfer->OpenOutputFile(folder_.File("other.bin")));
    ASSERT_TRUE(RunToEnd(*transfer));
    EXPECT_TRUE(transfer->Succeeded());
    EXPECT_EQ(transfer->outputFile, nullptr);
    EXPECT_EQ(transfer->bodyLines.Count(), 0u);
    EXPECT_EQ(transfer->bytesReceived, 100000);
    EXPECT_EQ(transfer->contentLength, 100000);
    EXPECT_EQ(folder_.Read("setup.bin"), installer);
    EXPECT_EQ(folder_.Read("other.bin"), "");
}

TEST_F(HTTPTransfer, DestroyingStopsTheTransfer) {
    ASSERT_NE(server_.Port(), 0) << server_.Log();
    server_.Publish("slow.bin", std::string(4096, 'x'));
    { auto unused = Get("/download/slow.bin"); }
    {
        auto transfer = Get("/slow/download/slow.bin");
        ASSERT_TRUE(transfer->OpenOutputFile(folder_.File("slow.bin")));
        for (int i = 0; i < 200 && transfer->bytesReceived == 0; ++i) {
            ASSERT_TRUE(transfer->Poll());
            transfer->WaitForActivity(20);
        }
        EXPECT_GT(transfer->bytesReceived, 0);
        EXPECT_LT(transfer->bytesReceived, 4096);
    }
    // The file keeps what arrived before the stop.
    EXPECT_LT(folder_.Read("slow.bin").size(), 4096u);
    // Only the stopped request reached the server: the unused one was never made.
    EXPECT_EQ(server_.Requests(), "/slow/download/slow.bin Quillmoot 6.2.0\n");
}

// Stop pressed while the server's name is still being looked up: the transfer goes at once and
// leaves the look-up to end by itself.
TEST(HTTPTransferStop, NeverWaitsForTheLookUpOfTheServersName) {
    StalledLookups stalled;
    const std::string url = "https://" + std::string(kStalledHostName) + "/download/latest.txt";
    auto transfer = std::make_unique<HTTPTransferCurl>(url.c_str());
    EXPECT_TRUE(transfer->Poll());
    EXPECT_TRUE(transfer->Poll());
    const auto started = std::chrono::steady_clock::now();
    transfer.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
}

TEST(HTTPHeaders, ContentLengthIsReadInAnyCase) {
    HTTPTransferCurl transfer("https://127.0.0.1:1/");
    transfer.ParseHeaderLine("HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(transfer.contentLength, 0);
    transfer.ParseHeaderLine("content-length: 42\r\n");
    EXPECT_EQ(transfer.contentLength, 42);
    transfer.ParseHeaderLine("Content-Length:7\r\n");
    EXPECT_EQ(transfer.contentLength, 7);
    EXPECT_EQ(transfer.headerLines.Count(), 3u);
    EXPECT_EQ(transfer.headerLines.Get(1), "content-length: 42\r\n");
}

}  // namespace
