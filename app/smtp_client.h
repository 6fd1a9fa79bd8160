#pragma once

#include <memory>
#include <string>

class EmailServerSettings;
class UCSMTPEmail;

// Sends finished messages to the school's mail server. The e-mail run knows only this; the
// transport behind it is made by the factory the controller owns.
class UCSMTPClient {
public:
    UCSMTPClient() = default;
    // Clears the connected flag; it does not disconnect.
    virtual ~UCSMTPClient() { connected = false; }
    UCSMTPClient(const UCSMTPClient&) = delete;
    UCSMTPClient& operator=(const UCSMTPClient&) = delete;

    // Configures the transfer; true when the client can send.
    virtual bool Connect(const EmailServerSettings& settings) = 0;
    // One message; true when the server accepted it.
    virtual bool Send(const UCSMTPEmail& email) = 0;
    virtual bool Disconnect() {
        connected = false;
        return true;
    }

    // Keeps a log of the whole conversation for the run's debug report.
    void EnableDebugLog(const char* callerName) {
        debug = true;
        this->callerName = callerName ? callerName : "";
    }

    std::string callerName;
    std::string debugLog;
    bool debug = false;
    bool connected = false;
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
