#include "comms/smtp_email.h"

#include "foundation/base64.h"
#include "foundation/md5.h"
#include "foundation/string_functions.h"

namespace {

// An encoded word may be 75 characters long; 45 bytes make 60 of base64 plus the 12 around.
constexpr size_t kEncodedWordBytes = 45;

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

bool IsPlainHeaderText(const std::string& text) {
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7e) {
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

UCSMTPEmailAttachmentText::UCSMTPEmailAttachmentText(const std::string& fileName,
                                                     const std::string& contentType,
                                                     std::string content)
    : content(std::move(content)) {
    this->fileName = fileName;
    this->contentType = contentType;
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
    return std::string();
}

bool UCSMTPEmail::IsValid() const {
    return GetProblem().empty();
}

std::string UCSMTPEmail::FormatAddressList() const {
    std::string text;
    for (const auto& entry : to_) {
        if (!text.empty()) {
            text += ", ";
        }
        text += entry->GetDisplayText();
    }
    return text;
}

std::string UCSMTPEmail::ComposeContent(std::time_t now) const {
    std::string text = FormatHeaderLine("Date:", FormatMailDate(now));
    text += FormatHeaderLine("From:", from.FormatMailbox());
    text += FormatHeaderLine("To:", HeaderList(to_));
    text += FormatHeaderLine("Subject:", EncodeHeaderText(subject));
    text += FormatHeaderLine("MIME-Version:", "1.0");

    const bool multipart = !attachments_.empty() || !htmlText.empty();
    if (!multipart) {
        text += "Content-Type: text/plain; charset=UTF-8\r\n";
        text += "Content-Transfer-Encoding: 8bit\r\n";
        text += "\r\n";
        text += ConvertToCRLF(this->text.c_str());
        return text;
    }

    // The same headers always give the same boundary, so a message composes identically twice.
    MD5 md5;
    const std::string boundary = md5.HexDigest(text);
    const std::string delimiter = "--" + boundary + "\r\n";
    text += "Content-Type: multipart/mixed;\r\n";
    text += " boundary=\"" + boundary + "\"\r\n";
    text += "\r\n";
    text += "This is a multi-part message in MIME format.\r\n";
    text += delimiter;
    text += "Content-Type: text/plain; charset=UTF-8; format=flowed\r\n";
    text += "Content-Transfer-Encoding: 8bit\r\n";
    text += "\r\n";
    text += ConvertToCRLF(this->text.c_str());
    if (!htmlText.empty()) {
        EndLine(text);
        text += delimiter;
        text += "Content-Type: text/html; charset=UTF-8\r\n";
        text += "Content-Transfer-Encoding: 8bit\r\n";
        text += "\r\n";
        text += ConvertToCRLF(htmlText.c_str());
    }
    for (const auto& attachment : attachments_) {
        EndLine(text);
        text += delimiter;
        text += FormatHeaderLine("Content-Type:", attachment->contentType + ";");
        text += FormatHeaderLine("", "name=\"" + attachment->fileName + "\"");
        text += "Content-Transfer-Encoding: base64\r\n";
        text += "Content-Disposition: attachment;\r\n";
        text += FormatHeaderLine("", "filename=\"" + attachment->fileName + "\"");
        text += "\r\n";
        StringSlice data = attachment->GetData();
        text += ConvertToCRLF(Base64::Encode(data.Data(), static_cast<int>(data.Length())).c_str());
        text += "\r\n";
    }
    EndLine(text);
    text += "--" + boundary + "--\r\n";
    return text;
}

std::string UCSMTPEmail::ComposeMessage(std::time_t now) const {
    return ComposeContent(now) + "\r\n.\r\n";
}

std::string FormatHeaderLine(const char* name, const std::string& value) {
    std::string line = name ? name : "";
    line += ' ';
    for (char c : value) {
        line += (c == '\r' || c == '\n') ? ' ' : c;
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

std::string EncodeHeaderText(const std::string& text) {
    if (IsPlainHeaderText(text)) {
        return text;
    }
    std::string out;
    for (size_t start = 0; start < text.size();) {
        size_t end = ChunkEnd(text, start);
        // Words side by side on one line: FormatHeaderLine never lets a line break through.
        if (!out.empty()) {
            out += ' ';
        }
        out += "=?UTF-8?B?" + Base64::Encode(text.data() + start, static_cast<int>(end - start)) +
               "?=";
        start = end;
    }
    return out;
}
