#include "foundation/xml_parser.h"

#include <cctype>
#include <vector>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"

namespace {

bool IsSpace(int c) {
    return std::isspace(c) != 0;
}

}  // namespace

void XMLTokeniser::PushBack(XMLTokenKind kind, const std::string& text) {
    pushedKind_ = kind;
    pushedText_ = text;
    hasPushedToken_ = true;
}

void XMLTokeniser::UngetChar(char c) {
    pushedChar_ = c;
    hasPushedChar_ = true;
}

int XMLTokeniser::GetChar() {
    for (;;) {
        int c = 0;
        if (file_ != nullptr) {
            if (file_->GetFile() != nullptr) {
                c = std::fgetc(file_->GetFile());
                if (c == EOF) {
                    c = 0;
                }
            }
        } else if (buffer_ != nullptr) {
            if (position_ < static_cast<size_t>(buffer_->Size())) {
                c = static_cast<unsigned char>(*buffer_->At(static_cast<int>(position_++)));
            }
        } else if (position_ < text_.size()) {
            c = static_cast<unsigned char>(text_[position_++]);
        }
        if (c == '\r') {
            continue;
        }
        if (c == '\n') {
            ++line_;
        }
        return c;
    }
}

int XMLTokeniser::NextChar() {
    if (hasPushedChar_) {
        hasPushedChar_ = false;
        return static_cast<unsigned char>(pushedChar_);
    }
    return GetChar();
}

XMLTokenKind XMLTokeniser::NextToken(std::string& text, bool valueMode) {
    if (hasPushedToken_) {
        hasPushedToken_ = false;
        text = pushedText_;
        return pushedKind_;
    }
    text.clear();
    int c = 0;
    if (!insideTag_) {
        for (c = NextChar(); c != 0 && c != '<'; c = NextChar()) {
            text += static_cast<char>(c);
        }
        if (!IsBlank(text.c_str())) {
            if (c != 0) {
                UngetChar(static_cast<char>(c));
            }
            return XMLTokenBodyText;
        }
        text.clear();
        if (c == 0) {
            return XMLTokenEnd;
        }
        insideTag_ = true;
        text = "<";
        return XMLTokenOpenAngle;
    }

    for (c = NextChar(); c != 0 && IsSpace(c); c = NextChar()) {
        valueMode = false;
    }
    switch (c) {
        case 0:
            return XMLTokenEnd;
        case '<':
            text = "<";
            return XMLTokenOpenAngle;
        case '=':
            text = "=";
            return XMLTokenEquals;
        case '>':
            insideTag_ = false;
            text = ">";
            return XMLTokenCloseAngle;
        case '/':
            text = "/";
            return XMLTokenSlash;
        case '"':
        case '\'':
            for (int d = NextChar(); d != 0 && d != c; d = NextChar()) {
                text += d == '\n' ? ' ' : static_cast<char>(d);
            }
            return XMLTokenQuotedValue;
        case '?':
            text = "?";
            for (int d = NextChar(); d != 0; d = NextChar()) {
                if (d == '>') {
                    UngetChar('>');
                    break;
                }
                text += static_cast<char>(d);
            }
            return XMLTokenQuestion;
        case '!':
            return ReadMarkup(text);
        default:
            break;
    }
    text += static_cast<char>(c);
    for (int d = NextChar();; d = NextChar()) {
        const bool stops = d == 0 || IsSpace(d) || d == '<' || d == '>' || d == '"' ||
                           (!valueMode && (d == '=' || d == '/'));
        if (stops) {
            if (d != 0) {
                UngetChar(static_cast<char>(d));
            }
            return XMLTokenName;
        }
        text += static_cast<char>(d);
    }
}

XMLTokenKind XMLTokeniser::ReadMarkup(std::string& text) {
    text = "!";
    int d = NextChar();
    bool comment = false;
    if (d == '-') {
        text += '-';
        d = NextChar();
        if (d == '-') {
            text += '-';
            comment = true;
            d = NextChar();
        }
    }
    // A comment ends only at "-->", so a '>' inside it does not close the tag.
    const size_t contentStart = text.size();
    for (; d != 0; d = NextChar()) {
        const bool closes = d == '>' && (!comment || (text.size() >= contentStart + 2 &&
                                                      text.compare(text.size() - 2, 2, "--") == 0));
        if (closes) {
            UngetChar('>');
            break;
        }
        text += static_cast<char>(d);
    }
    return XMLTokenMarkup;
}

void XMLParser::ReportExpected(const char* what, const std::string& found) const {
    ReportMessage(SeverityError, std::string("Expected ") + what + " on line " +
                                     std::to_string(GetLineNumber()) + " but found '" + found +
                                     "' instead");
}

std::unique_ptr<UCXMLComponent> XMLParser::ParseComponent() {
    if (tokeniser_ == nullptr) {
        ReportMessage(SeverityError, "Internal error: no XML tokeniser");
        return nullptr;
    }
    std::string text;
    switch (tokeniser_->NextToken(text)) {
        case XMLTokenEnd:
            return nullptr;
        case XMLTokenBodyText:
            return std::make_unique<UCXMLBodyText>(text);
        case XMLTokenOpenAngle:
            return ParseTag();
        default:
            ReportExpected("open angle bracket or body text", text);
            return nullptr;
    }
}

std::unique_ptr<UCXMLTag> XMLParser::ParseTag() {
    std::string text;
    XMLTokenKind kind = tokeniser_->NextToken(text);
    const bool closing = kind == XMLTokenSlash;
    if (closing) {
        kind = tokeniser_->NextToken(text);
    }
    if (kind != XMLTokenName && kind != XMLTokenQuestion && kind != XMLTokenMarkup) {
        ReportExpected("tag name", text);
        return nullptr;
    }
    auto tag = std::make_unique<UCXMLTag>(text);
    tag->SetClosing(closing);
    tag->SetMarkup(kind == XMLTokenMarkup);
    for (;;) {
        switch (tokeniser_->NextToken(text)) {
            case XMLTokenCloseAngle:
                return tag;
            case XMLTokenQuotedValue:
                break;
            case XMLTokenSlash:
                tag->SetSelfClosing(true);
                if (tokeniser_->NextToken(text) != XMLTokenCloseAngle) {
                    ReportExpected("close angle bracket", text);
                    return nullptr;
                }
                return tag;
            case XMLTokenName:
                if (!ParseAttribute(*tag, text)) {
                    return nullptr;
                }
                break;
            case XMLTokenEnd:
                ReportExpected("tag data", "end of file");
                return nullptr;
            default:
                ReportExpected("tag data", text);
                return nullptr;
        }
    }
}

bool XMLParser::ParseAttribute(UCXMLTag& tag, const std::string& name) {
    std::string text;
    XMLTokenKind kind = tokeniser_->NextToken(text);
    if (kind == XMLTokenCloseAngle || kind == XMLTokenName) {
        tokeniser_->PushBack(kind, text);
        tag.AddAttribute(name, "");
        return true;
    }
    if (kind != XMLTokenEquals) {
        ReportExpected("equals sign", text);
        return false;
    }
    kind = tokeniser_->NextToken(text, true);
    if (kind != XMLTokenQuotedValue && kind != XMLTokenName) {
        ReportExpected("attribute value", text);
        return false;
    }
    tag.AddAttribute(name, text);
    return true;
}

std::unique_ptr<UCXMLTag> XMLParser::NextTag() {
    while (auto component = ParseComponent()) {
        if (auto* tag = dynamic_cast<UCXMLTag*>(component.get())) {
            component.release();
            return std::unique_ptr<UCXMLTag>(tag);
        }
    }
    return nullptr;
}

std::unique_ptr<UCXMLTag> XMLParser::FindTag(const char* name) {
    const std::string wanted = ToLower(name != nullptr ? name : "");
    while (auto tag = NextTag()) {
        if (ToLower(tag->GetName().c_str()) == wanted) {
            return tag;
        }
    }
    return nullptr;
}

std::unique_ptr<UCXMLNode> XMLParser::ParseDocument() {
    if (tokeniser_ == nullptr) {
        ReportMessage(SeverityError, "Internal error: no XML tokeniser");
        return nullptr;
    }
    return ParseNode(nullptr);
}

std::unique_ptr<UCXMLNode> XMLParser::ParseNode(std::unique_ptr<UCXMLTag> tag) {
    // The open elements, innermost last: an explicit stack instead of recursion, so that deep
    // input cannot exhaust the call stack.
    std::vector<std::unique_ptr<UCXMLNode>> open;
    open.push_back(std::make_unique<UCXMLNode>(std::move(tag)));
    const auto closeInnermost = [&open]() {
        std::unique_ptr<UCXMLNode> finished = std::move(open.back());
        open.pop_back();
        open.back()->AppendChild(std::move(finished));
    };
    for (;;) {
        std::unique_ptr<UCXMLComponent> component = ParseComponent();
        if (component == nullptr) {
            // The end of the input or an error ends the innermost element; its parent reads on.
            if (open.size() == 1) {
                return std::move(open.front());
            }
            closeInnermost();
            continue;
        }
        UCXMLNode& current = *open.back();
        auto* child = dynamic_cast<UCXMLTag*>(component.get());
        if (child == nullptr) {
            current.AppendChild(std::move(component));
            continue;
        }
        if (child->IsClosing() || child->IsSelfClosing() || child->IsMarkup()) {
            const UCXMLTag* own = current.GetTag();
            if (own != nullptr && child->IsClosing() && child->GetName() == own->GetName()) {
                if (open.size() == 1) {
                    return std::move(open.front());
                }
                closeInnermost();
            } else {
                current.AppendChild(std::move(component));
            }
            continue;
        }
        if (open.size() > kMaxDepth) {
            ReportMessage(SeverityError,
                          StringPrintf("XML error on line %d: elements are nested more than %u "
                                       "deep",
                                       GetLineNumber(), kMaxDepth));
            while (open.size() > 1) {
                closeInnermost();
            }
            return std::move(open.front());
        }
        component.release();
        open.push_back(std::make_unique<UCXMLNode>(std::unique_ptr<UCXMLTag>(child)));
    }
}
