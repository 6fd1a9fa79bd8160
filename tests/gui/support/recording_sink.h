#pragma once

#include <string>
#include <vector>

#include "foundation/uc_error.h"

// A message sink that keeps every report, for tests to read.
class RecordingSink : public UCError {
public:
    struct Entry {
        int severity;
        std::string text;
        std::vector<std::string> details;
    };

    void Report(int severity, const char* text) override {
        entries.push_back({severity, text ? text : "", Details()});
        ClearDetails();
    }
    using UCError::Report;

    // The texts alone, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Entry& entry : entries) {
            texts.push_back(entry.text);
        }
        return texts;
    }

    std::vector<Entry> entries;
};
