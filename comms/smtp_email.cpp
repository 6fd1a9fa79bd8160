#include "comms/smtp_email.h"

#include "foundation/base64.h"
#include "foundation/md5.h"
#include "foundation/string_functions.h"

namespace {

// 42 bytes make 56 characters of base64 and, with the 12 around them, a word that fits a
// folded line after "Subject: ".
constexpr size_t kEncodedWordBytes = 42;
// Header lines are folded to this length where a blank allows; SMTP refuses lines over 998.
constexpr size_t kFoldedLineLength = 78;
// A quoted-printable line holds at most 76 characters, the soft break's "=" included.
constexpr size_t kQuotedPrintableLine = 76;
// The longest address a mail server must take (RFC 5321's path limit less its brackets).
constexpr size_t kLongestAddress = 254;

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// Printable ASCII whose words all fit a folded line: such text needs no encoding.
bool IsPlainHeaderText(const std::string& text) {
    size_t word = 0;
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e) {
            return false;
        }
        word = c == ' ' ? 0 : word + 1;
        if (word > kFoldedLineLength - 1) {
            return false;
        }
    }
    return true;
}

// Never cuts a UTF-8 character in two: each encoded word must decode on its own.
size_t ChunkEnd(const std::string& text, size_t start) {
    size_t end = start + kEncodedWordBytes;
    if (end >= text.size()) {
        return text.size();
    }
    while (end > start + 1 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return end;
}

void AppendAddresses(UCSMTPEmail::AddrList& list, const char* address, const char* name) {
    auto entry = std::make_shared<UCSMTPEmailAddr>(address);
    if (name != nullptr) {
        entry->name = name;
    }
    list.push_back(std::move(entry));
}

std::string HeaderList(const UCSMTPEmail::AddrList& list) {
    std::string text;
    for (const auto& entry : list) {
        if (!text.empty()) {
            text += ", ";
        }
        text += entry->FormatMailbox();
    }
    return text;
}

// A delimiter must start a line of its own, or the part before it swallows it.
void EndLine(std::string& text) {
    if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) {
        text += "\r\n";
    }
}

}  // namespace

std::string UCSMTPEmailAddr::FormatMailbox() const {
    if (name.empty()) {
        return address;
    }
    std::string shown;
    if (!IsPlainHeaderText(name)) {
        shown = EncodeHeaderText(name);
    } else if (name.find_first_of("()<>[]:;@\\,.\"") != std::string::npos) {
        shown = "\"";
        for (char c : name) {
            if (c == '"' || c == '\\') {
                shown += '\\';
            }
            shown += c;
        }
        shown += "\"";
    } else {
        shown = name;
    }
    return shown + " <" + address + ">";
}

UCSMTPEmailAttachmentText::UCSMTPEmailAttachmentText(const std::string& name,
                                                     const std::string& type, std::string body)
    : content(std::move(body)) {
    fileName = name;
    contentType = type;
}

bool UCSMTPEmail::AddTo(const char* address, const char* name) {
    if (address == nullptr || *address == '\0') {
        return false;
    }
    AppendAddresses(to_, address, name);
    return true;
}

bool UCSMTPEmail::AddBcc(const char* address, const char* name) {
    if (address == nullptr || *address == '\0') {
        return false;
    }
    AppendAddresses(bcc_, address, name);
    return true;
}

bool UCSMTPEmail::AddAttachment(std::shared_ptr<UCSMTPEmailAttachment> attachment) {
    if (!attachment) {
        return false;
    }
    attachments_.push_back(std::move(attachment));
    return true;
}

std::string UCSMTPEmail::GetProblem() const {
    if (from.address.empty()) {
        return "The email has no 'from' address";
    }
    if (to_.empty()) {
        return "The email has no recipient";
    }
    bool broken = HasLineBreak(from.address) || HasLineBreak(from.name) || HasLineBreak(subject);
    for (const AddrList* list : {&to_, &bcc_}) {
        for (const auto& entry : *list) {
            broken = broken || HasLineBreak(entry->address) || HasLineBreak(entry->name);
        }
    }
    for (const auto& attachment : attachments_) {
        broken =
            broken || HasLineBreak(attachment->fileName) || HasLineBreak(attachment->contentType);
    }
    if (broken) {
        return "The email's subject, a name or an address contains a line break";
    }
    for (const AddrList* list : {&to_, &bcc_}) {
        for (const auto& entry : *list) {
            if (entry->address.size() > kLongestAddress) {
                return "The email address '" + entry->address.substr(0, 40) + "...' is too long";
            }
        }
    }
    if (from.address.size() > kLongestAddress) {
        return "The email's 'from' address is too long";
    }
    return std::string();
}

bool UCSMTPEmail::IsValid() const {
    return GetProblem().empty();
}

std::string UCSMTPEmail::FormatAddressList() const {
    std::string list;
    for (const auto& entry : to_) {
        if (!list.empty()) {
            list += ", ";
        }
        list += entry->GetDisplayText();
    }
    return list;
}

std::string UCSMTPEmail::ComposeContent(std::time_t now) const {
    return Compose(now, true);
}

std::string UCSMTPEmail::Compose(std::time_t now, bool encoded) const {
    std::string message = FormatHeaderLine("Date:", FormatMailDate(now));
    message += FormatHeaderLine("From:", from.FormatMailbox());
    message += FormatHeaderLine("To:", HeaderList(to_));
    message += FormatHeaderLine("Subject:",
                                encoded ? EncodeHeaderText(subject) : FileTextToUTF8(subject));
    message += FormatHeaderLine("MIME-Version:", "1.0");
    // Soft breaks and escapes would cut the preview's words apart.
    const char* const transfer = encoded ? "Content-Transfer-Encoding: quoted-printable\r\n"
                                         : "Content-Transfer-Encoding: 8bit\r\n";
    auto body = [encoded](const std::string& part) {
        return encoded ? EncodeBodyText(part) : ConvertToCRLF(FileTextToUTF8(part).c_str());
    };

    const bool multipart = !attachments_.empty() || !htmlText.empty();
    if (!multipart) {
        message += "Content-Type: text/plain; charset=UTF-8\r\n";
        message += transfer;
        message += "\r\n";
        message += body(text);
        return message;
    }

    // The same headers always give the same boundary, so a message composes identically twice.
    MD5 md5;
    const std::string boundary = md5.HexDigest(message);
    const std::string delimiter = "--" + boundary + "\r\n";
    message += "Content-Type: multipart/mixed;\r\n";
    message += " boundary=\"" + boundary + "\"\r\n";
    message += "\r\n";
    message += "This is a multi-part message in MIME format.\r\n";
    message += delimiter;
    message += "Content-Type: text/plain; charset=UTF-8; format=flowed\r\n";
    message += transfer;
    message += "\r\n";
    message += body(text);
    // The line break before a delimiter belongs to it: without one of its own the text would
    // lose its last line break.
    message += "\r\n";
    if (!htmlText.empty()) {
        message += delimiter;
        message += "Content-Type: text/html; charset=UTF-8\r\n";
        message += transfer;
        message += "\r\n";
        message += body(htmlText);
        message += "\r\n";
    }
    for (const auto& attachment : attachments_) {
        EndLine(message);
        message += delimiter;
        message += FormatHeaderLine("Content-Type:", attachment->contentType + ";");
        message += FormatHeaderLine("", "name=\"" + attachment->fileName + "\"");
        message += "Content-Transfer-Encoding: base64\r\n";
        message += "Content-Disposition: attachment;\r\n";
        message += FormatHeaderLine("", "filename=\"" + attachment->fileName + "\"");
        message += "\r\n";
        StringSlice data = attachment->GetData();
        message +=
            ConvertToCRLF(Base64::Encode(data.Data(), static_cast<int>(data.Length())).c_str());
        message += "\r\n";
    }
    EndLine(message);
    message += "--" + boundary + "--\r\n";
    return message;
}

std::string UCSMTPEmail::ComposeMessage(std::time_t now) const {
    return ComposeContent(now) + "\r\n.\r\n";
}

std::string UCSMTPEmail::ComposePreview(std::time_t now) const {
    return Compose(now, false) + "\r\n.\r\n";
}

std::string FormatHeaderLine(const char* name, const std::string& value) {
    std::string line = name ? name : "";
    line += ' ';
    // Folding turns a blank into CR LF and that blank, which a reader takes back out; no line
    // longer than a word needs is ever written.
    size_t lineStart = 0;
    size_t lastBlank = std::string::npos;
    for (char c : value) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
        if (c == ' ' && line.size() > lineStart + 1) {
            lastBlank = line.size();
        }
        line += c;
        if (line.size() - lineStart > kFoldedLineLength && lastBlank != std::string::npos) {
            line.insert(lastBlank, "\r\n");
            lineStart = lastBlank + 2;
            lastBlank = std::string::npos;
        }
    }
    line += "\r\n";
    return line;
}

std::string ConvertToCRLF(const char* text) {
    std::string out;
    if (text == nullptr) {
        return out;
    }
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '\n') {
            out += "\r\n";
        } else if (*p != '\r') {
            out += *p;
        }
    }
    return out;
}

std::string FormatMailDate(std::time_t now) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm utc{};
    if (gmtime_r(&now, &utc) == nullptr) {
        return std::string();
    }
    return StringPrintf("%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[utc.tm_wday % 7],
                        utc.tm_mday, kMonths[utc.tm_mon % 12], utc.tm_year + 1900, utc.tm_hour,
                        utc.tm_min, utc.tm_sec);
}

std::string EncodeHeaderText(const std::string& original) {
    if (IsPlainHeaderText(original)) {
        return original;
    }
    // Words are cut between characters, which only well-formed UTF-8 lets us find.
    const std::string text = FileTextToUTF8(original);
    std::string out;
    for (size_t start = 0; start < text.size();) {
        size_t end = ChunkEnd(text, start);
        // Blanks between the words are where FormatHeaderLine folds.
        if (!out.empty()) {
            out += ' ';
        }
        out += "=?UTF-8?B?" + Base64::Encode(text.data() + start, static_cast<int>(end - start)) +
               "?=";
        start = end;
    }
    return out;
}

std::string EncodeBodyText(const std::string& text) {
    return EncodeQuotedPrintable(ConvertToCRLF(FileTextToUTF8(text).c_str()));
}

std::string EncodeQuotedPrintable(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    size_t column = 0;
    // An escape is never split, and a soft break leaves room for its "=".
    auto put = [&out, &column](const char* piece, size_t length) {
        if (column + length > kQuotedPrintableLine - 1) {
            out += "=\r\n";
            column = 0;
        }
        out.append(piece, length);
        column += length;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            column = 0;
            ++i;
            continue;
        }
        const bool lineEnds = i + 1 == text.size() || text.compare(i + 1, 2, "\r\n") == 0;
        // Blanks at a line's end would be lost on the way; encoded they survive.
        const bool literal = (byte >= 33 && byte <= 126 && byte != '=') ||
                             ((byte == ' ' || byte == '\t') && !lineEnds);
        if (literal) {
            put(&text[i], 1);
        } else {
            const char escape[3] = {'=', kHex[byte >> 4], kHex[byte & 0x0F]};
            put(escape, 3);
        }
    }
    return out;
}
