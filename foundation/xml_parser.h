#pragma once

#include <memory>
#include <string>

#include "foundation/byte_buffer.h"
#include "foundation/files.h"
#include "foundation/xml_component.h"

enum XMLTokenKind {
    XMLTokenEnd = 0,
    XMLTokenBodyText = 1,
    XMLTokenOpenAngle = 2,
    XMLTokenCloseAngle = 3,
    XMLTokenName = 4,  // also an unquoted attribute value
    XMLTokenEquals = 5,
    XMLTokenQuotedValue = 6,
    XMLTokenSlash = 7,
    XMLTokenQuestion = 8,  // '?' and everything up to the next '>'
    XMLTokenMarkup = 9,    // '!' and everything up to the '>' that closes it
};

// Turns XML text from a file, a byte buffer or a string into tokens. Every CR is dropped and
// a zero byte ends the input; line breaks inside quoted values become blanks.
class XMLTokeniser {
public:
    // Reads the file from its current position; the file is not owned.
    explicit XMLTokeniser(StdioFile* file) : file_(file) {}
    // The buffer is not owned and must outlive the tokeniser.
    explicit XMLTokeniser(const ByteBuffer* buffer) : buffer_(buffer) {}
    explicit XMLTokeniser(const std::string& text) : text_(text) {}

    // In value mode (the call after an '=') an unquoted value may hold '/' and '='.
    XMLTokenKind NextToken(std::string& text, bool valueMode = false);
    void PushBack(XMLTokenKind kind, const std::string& text);
    void UngetChar(char c);

    int GetLineNumber() const { return line_; }

private:
    int NextChar();
    int GetChar();
    XMLTokenKind ReadMarkup(std::string& text);

    StdioFile* file_ = nullptr;
    const ByteBuffer* buffer_ = nullptr;
    std::string text_;
    size_t position_ = 0;
    bool insideTag_ = false;
    char pushedChar_ = 0;
    bool hasPushedChar_ = false;
    XMLTokenKind pushedKind_ = XMLTokenEnd;
    std::string pushedText_;
    bool hasPushedToken_ = false;
    int line_ = 1;
};

// A small, forgiving XML reader: no validation, namespaces or entity decoding. Callers either
// pull components one by one (large exports) or parse a whole document into a tree. Errors
// are reported with their line and give a null component; the tree functions then return what
// they had built. Everything returned belongs to the caller.
class XMLParser {
public:
    // Elements nested deeper than this are an error rather than a risk to the stack.
    static constexpr unsigned kMaxDepth = 256;

    explicit XMLParser(XMLTokeniser* tokeniser) : tokeniser_(tokeniser) {}

    // A UCXMLBodyText or a UCXMLTag; null at the end of the input or after an error.
    std::unique_ptr<UCXMLComponent> ParseComponent();
    // The next tag, body texts on the way dropped.
    std::unique_ptr<UCXMLTag> NextTag();
    // The next tag whose name equals name ignoring case (closing tags included); everything
    // passed over is dropped.
    std::unique_ptr<UCXMLTag> FindTag(const char* name);

    // The document node (no tag) holding the rest of the input. An XML declaration, like any
    // "<?...?>" instruction, opens a node that no closing tag ends, so it holds everything after
    // it: readers of the tree look past it.
    std::unique_ptr<UCXMLNode> ParseDocument();
    // A node owning tag, with the children up to its closing tag.
    std::unique_ptr<UCXMLNode> ParseNode(std::unique_ptr<UCXMLTag> tag);

    // -1 without a tokeniser.
    int GetLineNumber() const { return tokeniser_ != nullptr ? tokeniser_->GetLineNumber() : -1; }

private:
    std::unique_ptr<UCXMLTag> ParseTag();
    bool ParseAttribute(UCXMLTag& tag, const std::string& name);
    void ReportExpected(const char* what, const std::string& found) const;

    XMLTokeniser* tokeniser_;
};
