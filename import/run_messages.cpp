#include "import/run_messages.h"

#include <algorithm>
#include <utility>

#include "foundation/uc_error.h"

namespace {

struct Held {
    int severity;
    std::string text;
    std::vector<std::string> details;
};

void SayOne(const Held& held, const std::vector<const Held*>& rest) {
    UCError& sink = UCError::Current();
    for (const std::string& line : held.details) {
        sink.AddDetail(line);
    }
    for (const Held* other : rest) {
        sink.AddDetail(other->text);
        for (const std::string& line : other->details) {
            sink.AddDetail(line);
        }
    }
    sink.Report(held.severity, held.text);
}

}  // namespace

class RunMessages::Holder : public UCError {
public:
    void Report(int severity, const char* text) override {
        held.push_back({severity, text != nullptr ? text : "", Details()});
        ClearDetails();
    }
    using UCError::Report;

    std::vector<Held> held;
};

RunMessages::RunMessages() : holder_(std::make_unique<Holder>()) {}

RunMessages::~RunMessages() {
    Say();
}

size_t RunMessages::Count() const {
    return holder_ ? holder_->held.size() : 0;
}

void RunMessages::Say() {
    if (!holder_) {
        return;
    }
    // Out of the chain first, so that the message reaches the sink that would have shown it.
    const std::vector<Held> held = std::move(holder_->held);
    holder_.reset();
    if (held.empty()) {
        return;
    }
    size_t head = 0;
    for (size_t i = 1; i < held.size(); ++i) {
        if (held[i].severity < held[head].severity) {
            head = i;
        }
    }
    std::vector<const Held*> rest;
    for (size_t i = 0; i < held.size(); ++i) {
        if (i != head) {
            rest.push_back(&held[i]);
        }
    }
    SayOne(held[head], rest);
}

void RunMessages::SayAfter(int severity, const std::string& text) {
    if (!holder_) {
        ReportMessage(severity, text);
        return;
    }
    const std::vector<Held> held = std::move(holder_->held);
    holder_.reset();
    Held head{severity, text, {}};
    std::vector<const Held*> rest;
    for (const Held& h : held) {
        head.severity = std::min(head.severity, h.severity);
        rest.push_back(&h);
    }
    SayOne(head, rest);
}
