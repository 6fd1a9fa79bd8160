#pragma once

#include <memory>
#include <string>

class EmailServerSettings;
class UCSMTPEmail;

// Sends finished messages to the school's mail server. The e-mail run knows only this; the
// transport behind it is made by the factory the controller owns.
class UCSMTPClient {
public:
    enum SendState { SendRunning, SendDone, SendFailed };

    UCSMTPClient() = default;
    // Clears the connected flag; it does not disconnect.
    virtual ~UCSMTPClient() { connected = false; }
    UCSMTPClient(const UCSMTPClient&) = delete;
    UCSMTPClient& operator=(const UCSMTPClient&) = delete;

    // Configures the transfer; true when the client can send.
    virtual bool Connect(const EmailServerSettings& settings) = 0;
    // One message; true when the server accepted it. Blocks until the server has answered.
    virtual bool Send(const UCSMTPEmail& email) = 0;

    // One message in steps, for a window that must keep answering while it goes: StartSend,
    // then PollSend until it no longer says SendRunning. A failure has added its detail line
    // to the message sink by then. A transport that cannot step sends it all at once here.
    virtual void StartSend(const UCSMTPEmail& email) {
        pending_ = Send(email) ? SendDone : SendFailed;
    }
    // Does what can be done without waiting.
    virtual SendState PollSend() { return pending_; }
    // Sleeps until the message under way has something to do, or the time is up.
    virtual void WaitForActivity(int milliseconds) { (void)milliseconds; }
    // The whole message, its end too, has gone to the server, whose answer is awaited: the
    // server may have accepted it already.
    virtual bool IsAwaitingVerdict() const { return false; }
    // Gives up the message under way, which then counts as not sent, and returns true. When the
    // server may have it (its answer came, or is awaited) nothing changes and it returns false:
    // PollSend goes on to tell how it went.
    virtual bool CancelSend() { return false; }
    virtual bool Disconnect() {
        connected = false;
        return true;
    }

    // Keeps a log of the whole conversation for the run's debug report.
    void EnableDebugLog(const char* caller) {
        debug = true;
        callerName = caller ? caller : "";
    }

    std::string callerName;
    std::string debugLog;
    bool debug = false;
    bool connected = false;

private:
    SendState pending_ = SendFailed;
};

// Makes a new client for each e-mail run.
class UCSMTPClientFactory {
public:
    UCSMTPClientFactory() = default;
    virtual ~UCSMTPClientFactory() = default;
    UCSMTPClientFactory(const UCSMTPClientFactory&) = delete;
    UCSMTPClientFactory& operator=(const UCSMTPClientFactory&) = delete;

    virtual std::unique_ptr<UCSMTPClient> CreateClient() = 0;
};
