#pragma once

#include <string>
#include <vector>

enum UCErrorSeverity {
    SeverityError = 0,
    SeverityWarning = 1,
    SeverityInformation = 2,
    SeverityDebug = 3
};

// The process-wide message sink. Constructing a sink makes it current; destroying it takes it
// out of the chain wherever it stands, so the newest living sink is current whatever order
// sinks die in (a frame's sink outlives the dialogs' and scripts' sinks made after it).
// Library code never opens windows: it reports here and carries on.
class UCError {
public:
    UCError();
    virtual ~UCError();
    UCError(const UCError&) = delete;
    UCError& operator=(const UCError&) = delete;

    virtual void Report(int severity, const char* text) = 0;
    void Report(int severity, const std::string& text) { Report(severity, text.c_str()); }

    // Reports text followed by the system's description of errno; callers end text with ": ".
    void ReportSystemError(int severity, const char* text);
    void ReportSystemError(int severity, const std::string& text) {
        ReportSystemError(severity, text.c_str());
    }

    // Extra lines shown with the next report, then cleared by the sink.
    void AddDetail(const std::string& line) { details_.push_back(line); }

    static const char* SeverityName(unsigned severity);

    // The current sink; before any sink exists, one that writes to standard error.
    static UCError& Current();

protected:
    struct Detached {};
    // A sink that is not made current (the standard-error fallback).
    explicit UCError(Detached) : installed_(false) {}

    const std::vector<std::string>& Details() const { return details_; }
    void ClearDetails() { details_.clear(); }

private:
    std::vector<std::string> details_;
    UCError* previous_ = nullptr;  // the sink made before this one
    UCError* next_ = nullptr;      // the sink made after this one; none while this is current
    bool installed_ = true;
};

// Collects every report into one text, so a caller can run an operation quietly and read
// what it said afterwards.
class UCStringError : public UCError {
public:
    UCStringError() = default;
    void Report(int severity, const char* text) override;
    using UCError::Report;

    // Returns the collected text and empties it.
    std::string GetText();

private:
    std::string text_;
};

// Shorthand for reporting to the current sink.
inline void ReportMessage(int severity, const std::string& text) {
    UCError::Current().Report(severity, text.c_str());
}
