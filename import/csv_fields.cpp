#include "import/csv_fields.h"

std::vector<std::string> SplitCSVLine(const std::string& line) {
    std::vector<std::string> fields;
    const size_t length = line.size();
    size_t i = 0;
    for (;;) {
        std::string field;
        size_t start = i;
        while (start < length && (line[start] == ' ' || line[start] == '\t')) {
            ++start;
        }
        if (start < length && line[start] == '"') {
            i = start + 1;
            while (i < length) {
                if (line[i] == '"') {
                    if (i + 1 < length && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
        }
        while (i < length && line[i] != ',') {
            field += line[i++];
        }
        fields.push_back(std::move(field));
        if (i >= length) {
            break;
        }
        ++i;  // the comma
    }
    return fields;
}

void CSVQuoteScanner::Feed(const std::string& text) {
    for (const char c : text) {
        switch (state_) {
            case State::FieldStart:
                if (c == '"') {
                    state_ = State::Quoted;
                } else if (c != ' ' && c != '\t' && c != ',') {
                    state_ = State::Unquoted;
                }
                break;
            case State::Unquoted:
                if (c == ',') {
                    state_ = State::FieldStart;
                }
                break;
            case State::Quoted:
                if (c == '"') {
                    state_ = State::QuoteInQuoted;
                }
                break;
            case State::QuoteInQuoted:
                // A doubled quote is a quote mark; anything else after a closing quote is kept
                // up to the comma.
                if (c == '"') {
                    state_ = State::Quoted;
                } else {
                    state_ = c == ',' ? State::FieldStart : State::Unquoted;
                }
                break;
        }
    }
}
