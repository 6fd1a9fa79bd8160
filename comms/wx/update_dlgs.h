#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <string>

#include "comms/http_transfer.h"

class wxGauge;
class wxStaticText;

// The update check's two network windows. Each drives its transfer one non-blocking step per
// timer tick, so the window never stalls and "Stop" (wxID_CANCEL) ends it at once.
class TransferDlg : public wxDialog {
public:
    static constexpr int kPollIntervalMs = 10;

    ~TransferDlg() override;

    // One step of the transfer; false once the window's work is over.
    bool Step();
    bool IsDone() const { return done_; }
    HTTPTransferCurl& GetTransfer() { return transfer_; }
    wxStaticText* GetStatus() const { return status_; }

protected:
    TransferDlg(wxWindow* parent, const char* title, const std::string& url,
                const std::string& caFile);
    // Before the first poll; false ends the window.
    virtual bool Prepare() { return true; }
    virtual void UpdateStatus() = 0;
    void Finish();
    void StartPolling();

    wxStaticText* status_ = nullptr;
    HTTPTransferCurl transfer_;

private:
    void OnTimer(wxTimerEvent& event);
    void OnStop(wxCommandEvent& event);

    bool done_ = false;
    bool busy_ = false;
    bool prepared_ = false;
    wxTimer timer_;
};

// Fetches the first line of the web service's version text.
class CheckForUpdatesDlg : public TransferDlg {
public:
    CheckForUpdatesDlg(wxWindow* parent, const std::string& url, const std::string& caFile);

    // Empty when nothing usable arrived.
    const std::string& GetResultLine() const { return resultLine_; }

protected:
    void UpdateStatus() override;

private:
    std::string resultLine_;
};

// Streams a file into the output path with a gauge of the bytes received.
class DownloadFileDlg : public TransferDlg {
public:
    DownloadFileDlg(wxWindow* parent, const std::string& url, const std::string& outputPath,
                    const std::string& caFile);

    wxGauge* GetGauge() const { return gauge_; }

protected:
    bool Prepare() override;
    void UpdateStatus() override;

private:
    wxGauge* gauge_;
    std::string url_;
    std::string outputPath_;
};
