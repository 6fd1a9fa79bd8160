#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "foundation/string_slice.h"
#include "foundation/uc_collectable.h"

// One mailbox of a message: an address and an optional display name.
class UCSMTPEmailAddr : public UCCollectable {
public:
    UCSMTPEmailAddr() = default;
    explicit UCSMTPEmailAddr(const char* text) : address(text ? text : "") {}
    const char* GetClassName() const override { return "UCSMTPEmailAddr"; }

    // The display name when there is one, else the address.
    std::string GetDisplayText() const { return name.empty() ? address : name; }
    // The form a header carries: the address, or the encoded name and the address in brackets.
    std::string FormatMailbox() const;

    std::string address;
    std::string name;
};

// A file attached to a message; the creator fills the file name and content type.
class UCSMTPEmailAttachment : public UCCollectable {
public:
    UCSMTPEmailAttachment() = default;
    const char* GetClassName() const override { return "UCSMTPEmailAttachment"; }
    virtual StringSlice GetData() const = 0;

    std::string fileName;
    std::string contentType;
};

// An attachment whose bytes are held in memory, such as a calendar entry.
class UCSMTPEmailAttachmentText : public UCSMTPEmailAttachment {
public:
    UCSMTPEmailAttachmentText() = default;
    UCSMTPEmailAttachmentText(const std::string& name, const std::string& type, std::string body);
    const char* GetClassName() const override { return "UCSMTPEmailAttachmentText"; }
    StringSlice GetData() const override {
        return StringSlice(content.data(), static_cast<uint32_t>(content.size()));
    }

    std::string content;
};

// One outgoing message and its rendering as a MIME text with CR LF line ends. The sender,
// subject and texts are written directly; recipients and attachments go through the adders.
class UCSMTPEmail : public UCCollectable {
public:
    using AddrList = std::vector<std::shared_ptr<UCSMTPEmailAddr>>;
    using AttachmentList = std::vector<std::shared_ptr<UCSMTPEmailAttachment>>;

    UCSMTPEmail() = default;
    const char* GetClassName() const override { return "UCSMTPEmail"; }

    // False, adding nothing, for a null or empty address; a null name leaves the name empty.
    bool AddTo(const char* address, const char* name = nullptr);
    // Envelope-only recipients: they appear in no header.
    bool AddBcc(const char* address, const char* name = nullptr);
    bool AddAttachment(std::shared_ptr<UCSMTPEmailAttachment> attachment);

    // A sender, at least one To entry, and no line break in any header value.
    bool IsValid() const;
    // Why IsValid is false, as one sentence; empty for a valid message.
    std::string GetProblem() const;

    // The text the SMTP server receives, ended by libcurl's own end-of-data marker when sent.
    std::string ComposeContent(std::time_t now) const;
    // The content followed by the end-of-data line, as the SMTP debug log shows it.
    std::string ComposeMessage(std::time_t now) const;
    // The message as the contents preview shows it: texts and subject as people read them,
    // not encoded for the journey.
    std::string ComposePreview(std::time_t now) const;
    // The To entries' display texts joined by ", ".
    std::string FormatAddressList() const;

    const AddrList& GetTo() const { return to_; }
    const AddrList& GetBcc() const { return bcc_; }
    const AttachmentList& GetAttachments() const { return attachments_; }

    UCSMTPEmailAddr from;
    std::string subject;
    std::string text;
    std::string htmlText;

private:
    std::string Compose(std::time_t now, bool encoded) const;

    AddrList to_;
    AddrList bcc_;
    AttachmentList attachments_;
};

// name, a blank, value and CR LF, folded at blanks into lines of 78 characters where it can be;
// a line break inside the value becomes a blank, so no value can start a header of its own.
std::string FormatHeaderLine(const char* name, const std::string& value);
// Up to the first NUL: LF becomes CR LF, CR is dropped.
std::string ConvertToCRLF(const char* text);
// The Date header's value in UTC with English names, whatever the desktop's language.
std::string FormatMailDate(std::time_t now);
// Printable ASCII stays as it is; anything else, and a word too long for a folded line,
// becomes RFC 2047 encoded words. Text that is not UTF-8 is taken as Windows-1252.
std::string EncodeHeaderText(const std::string& text);
// A body as it travels: CR LF line ends, UTF-8 (text that is not is taken as Windows-1252),
// quoted-printable so that no line is longer than 76 characters however long a paragraph is.
std::string EncodeBodyText(const std::string& text);
// Quoted-printable of a text whose line breaks are CR LF; they stay hard line breaks.
std::string EncodeQuotedPrintable(const std::string& text);
