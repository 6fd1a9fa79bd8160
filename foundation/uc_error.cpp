#include "foundation/uc_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

UCError* currentSink = nullptr;

class StderrError : public UCError {
public:
    StderrError() : UCError(Detached{}) {}
    void Report(int severity, const char* text) override {
        std::fprintf(stderr, "%s: %s\n", SeverityName(static_cast<unsigned>(severity)), text);
        for (const auto& line : Details()) {
            std::fprintf(stderr, "  %s\n", line.c_str());
        }
        ClearDetails();
    }
};

}  // namespace

UCError::UCError() : previous_(currentSink) {
    if (previous_ != nullptr) {
        previous_->next_ = this;
    }
    currentSink = this;
}

UCError::~UCError() {
    if (!installed_) {
        return;
    }
    if (previous_ != nullptr) {
        previous_->next_ = next_;
    }
    if (next_ != nullptr) {
        next_->previous_ = previous_;
    } else {
        currentSink = previous_;
    }
}

UCError& UCError::Current() {
    if (currentSink != nullptr) {
        return *currentSink;
    }
    static StderrError fallback;
    return fallback;
}

const char* UCError::SeverityName(unsigned severity) {
    static const char* const names[] = {"Error", "Warning", "Information", "Debug"};
    return severity < 4 ? names[severity] : "UNKNOWN SEVERITY";
}

void UCError::ReportSystemError(int severity, const char* text) {
    const int code = errno;
    std::string message = text != nullptr ? text : "";
    const char* description = std::strerror(code);
    if (description != nullptr && *description != '\0') {
        message += description;
    } else {
        message += "system error " + std::to_string(code);
    }
    Report(severity, message.c_str());
}

void UCStringError::Report(int severity, const char* text) {
    if (severity != SeverityInformation) {
        text_ += SeverityName(static_cast<unsigned>(severity));
        text_ += ": ";
    }
    text_ += text != nullptr ? text : "";
    text_ += "\n";
    if (!Details().empty()) {
        text_ += "Further details follow:\n";
        for (const auto& line : Details()) {
            text_ += line;
            text_ += "\n";
        }
        ClearDetails();
    }
}

std::string UCStringError::GetText() {
    std::string result;
    result.swap(text_);
    return result;
}
