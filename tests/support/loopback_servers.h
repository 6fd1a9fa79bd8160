#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "foundation/child_process.h"
#include "support/temp_folder.h"

// A message as the loopback server received it.
struct ReceivedMail {
    std::string content;  // the bytes after DATA, as delivered
    int peerPort = 0;     // one port per connection
    std::string from;
    std::vector<std::string> recipients;
};

inline std::string ScriptPath(const char* name) {
    return std::string(QM_SOURCE_DIR) + "/tests/support/" + name;
}

// Runs a program to its end and returns what it printed; fails the test when it cannot run.
inline std::string RunAndRead(std::vector<std::string> arguments, const std::string& outPath) {
    ChildProcess child(std::move(arguments), outPath);
    int exitCode = -1;
    // Making a certificate takes a while on a loaded machine.
    EXPECT_TRUE(child.RunBlocking(&exitCode, 60000));
    EXPECT_EQ(exitCode, 0) << ReadWholeFile(outPath);
    return ReadWholeFile(outPath);
}

// A self-signed certificate for 127.0.0.1, made afresh for the test.
inline void MakeCertificate(const TempFolder& folder) {
    RunAndRead(
        {"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-keyout", folder.File("key.pem"), "-out", folder.File("cert.pem"), "-days", "1",
         "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"},
        folder.File("openssl.log"));
}

// Starts a test server script and waits for its "READY <port>" line; 0 when it never came.
inline int StartLoopbackServer(ChildProcess& server, const std::string& outputPath) {
    if (!server.Start()) {
        return 0;
    }
    for (int i = 0; i < 200; ++i) {
        // Warnings on standard error may come first.
        const std::string log = ReadWholeFile(outputPath);
        const size_t ready = log.find("READY ");
        if (ready != std::string::npos && log.find('\n', ready) != std::string::npos) {
            return std::atoi(log.c_str() + ready + 6);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 0;
}

// Debian's aiosmtpd on a free loopback port, writing every message it accepts to a folder.
class LoopbackSMTPServer {
public:
    LoopbackSMTPServer(const TempFolder& folder, std::vector<std::string> options)
        : folder_(folder.File("mail")) {
        ::mkdir(folder_.c_str(), 0700);
        std::vector<std::string> arguments = {QM_PYTHON, ScriptPath("smtp_server.py"), "--folder",
                                              folder_};
        arguments.insert(arguments.end(), options.begin(), options.end());
        output_ = folder.File("server.log");
        server_ = std::make_unique<ChildProcess>(arguments, output_);
        port_ = StartLoopbackServer(*server_, output_);
    }
    ~LoopbackSMTPServer() { server_->Stop(1000); }

    int Port() const { return port_; }
    std::string Log() const { return ReadWholeFile(output_); }
    std::string MessagePath(int n) const {
        char name[16];
        std::snprintf(name, sizeof name, "/%03d.eml", n);
        return folder_ + name;
    }

    // Every message delivered so far, in arrival order.
    std::vector<ReceivedMail> Messages() const {
        std::vector<ReceivedMail> mails;
        for (int n = 1;; ++n) {
            const std::string content = ReadWholeFile(MessagePath(n));
            if (content.empty()) {
                return mails;
            }
            ReceivedMail mail;
            mail.content = content;
            std::string envelope = MessagePath(n);
            envelope.replace(envelope.size() - 3, 3, "env");
            std::istringstream lines(ReadWholeFile(envelope));
            std::string line;
            std::getline(lines, line);
            mail.peerPort = std::atoi(line.c_str());
            std::getline(lines, mail.from);
            while (std::getline(lines, line)) {
                mail.recipients.push_back(line);
            }
            mails.push_back(mail);
        }
    }

private:
    std::string folder_;
    std::string output_;
    std::unique_ptr<ChildProcess> server_;
    int port_ = 0;
};

// Python's http.server behind TLS with a certificate made for the test, serving the files of
// a folder (see http_server.py for its special paths).
class LoopbackHTTPSServer {
public:
    explicit LoopbackHTTPSServer(const TempFolder& folder) : folder_(folder) {
        MakeCertificate(folder);
        ::mkdir(folder.File("www").c_str(), 0700);
        ::mkdir(folder.File("www/download").c_str(), 0700);
        output_ = folder.File("https.log");
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{QM_PYTHON, ScriptPath("http_server.py"), "--root",
                                     folder.File("www"), "--log", folder.File("requests.log"),
                                     "--cert", folder.File("cert.pem"), "--key",
                                     folder.File("key.pem")},
            output_);
        port_ = StartLoopbackServer(*server_, output_);
    }
    ~LoopbackHTTPSServer() { server_->Stop(1000); }

    int Port() const { return port_; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string URL(const std::string& path) const { return "https://" + Host() + path; }
    std::string CAFile() const { return folder_.File("cert.pem"); }
    std::string Log() const { return ReadWholeFile(output_); }
    // One "path user-agent" line a request.
    std::string Requests() const { return ReadWholeFile(folder_.File("requests.log")); }
    // Puts a file where the server serves it from, under /download/.
    void Publish(const std::string& name, const std::string& bytes) const {
        folder_.Write("www/download/" + name, bytes);
    }

private:
    const TempFolder& folder_;
    std::string output_;
    std::unique_ptr<ChildProcess> server_;
    int port_ = 0;
};
