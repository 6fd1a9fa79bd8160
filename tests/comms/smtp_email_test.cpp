#include "comms/smtp_email.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "foundation/base64.h"
#include "foundation/md5.h"

namespace {

constexpr std::time_t kNow = 1700000000;  // Tue, 14 Nov 2023 22:13:20 UTC
const char* const kHeaders =
    "Date: Tue, 14 Nov 2023 22:13:20 +0000\r\n"
    "From: office@school.example\r\n"
    "To: amy@home.example, ben@home.example\r\n"
    "Subject: Schedule for Spring evening\r\n"
    "MIME-Version: 1.0\r\n";

UCSMTPEmail TwoRecipientMessage(const std::string& text) {
    UCSMTPEmail email;
    email.from.address = "office@school.example";
    email.AddTo("amy@home.example");
    email.AddTo("ben@home.example", nullptr);
    email.subject = "Schedule for Spring evening";
    email.text = text;
    return email;
}

bool HasHeaderLine(const std::string& message, const std::string& name) {
    const std::string head = message.substr(0, message.find("\r\n\r\n") + 2);
    return head.rfind(name, 0) == 0 || head.find("\r\n" + name) != std::string::npos;
}

TEST(MimeMessage, SinglePartIsHeadersBlankLineAndTheConvertedText) {
    const UCSMTPEmail email = TwoRecipientMessage("Dear Amy,\nSee you there.\n");
    const std::string expected = std::string(kHeaders) +
                                 "Content-Type: text/plain; charset=UTF-8\r\n"
                                 "Content-Transfer-Encoding: quoted-printable\r\n"
                                 "\r\n"
                                 "Dear Amy,\r\nSee you there.\r\n";
    EXPECT_EQ(email.ComposeContent(kNow), expected);
    EXPECT_EQ(email.ComposeMessage(kNow), expected + "\r\n.\r\n");
}

TEST(MimeMessage, CalendarAttachmentMakesAMultipartMessageWithAnMd5Boundary) {
    UCSMTPEmail email = TwoRecipientMessage("No line end here");
    const std::string calendar =
        "BEGIN:VCALENDAR\r\nSUMMARY:Parents evening with a summary long enough to wrap\r\n"
        "END:VCALENDAR\r\n";
    ASSERT_TRUE(email.AddAttachment(
        std::make_shared<UCSMTPEmailAttachmentText>("event.ics", "text/calendar", calendar)));
    MD5 md5;
    const std::string boundary = md5.HexDigest(std::string(kHeaders));
    const std::string expected =
        std::string(kHeaders) + "Content-Type: multipart/mixed;\r\n boundary=\"" + boundary +
        "\"\r\n\r\n"
        "This is a multi-part message in MIME format.\r\n"
        "--" +
        boundary +
        "\r\n"
        "Content-Type: text/plain; charset=UTF-8; format=flowed\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "\r\n"
        "No line end here\r\n"  // the delimiter must start its own line
        "--" +
        boundary +
        "\r\n"
        "Content-Type: text/calendar;\r\n"
        " name=\"event.ics\"\r\n"
        "Content-Transfer-Encoding: base64\r\n"
        "Content-Disposition: attachment;\r\n"
        " filename=\"event.ics\"\r\n"
        "\r\n"
        "QkVHSU46VkNBTEVOREFSDQpTVU1NQVJZOlBhcmVudHMgZXZlbmluZyB3aXRoIGEgc3VtbWFyeSBs\r\n"
        "b25nIGVub3VnaCB0byB3cmFwDQpFTkQ6VkNBTEVOREFSDQo=\r\n"
        "--" +
        boundary + "--\r\n";
    EXPECT_EQ(email.ComposeContent(kNow), expected);
    // Composing twice in the same second gives the same text, boundary included.
    EXPECT_EQ(email.ComposeMessage(kNow), email.ComposeMessage(kNow));
    EXPECT_EQ(email.ComposeMessage(kNow), expected + "\r\n.\r\n");
}

TEST(MimeMessage, ConvertToCRLFMakesEveryLineEndCRLFAndStopsAtNul) {
    EXPECT_EQ(ConvertToCRLF("one\r\ntwo\rthree\n"), "one\r\ntwothree\r\n");
    EXPECT_EQ(ConvertToCRLF("a\0b"), "a");
    EXPECT_EQ(ConvertToCRLF(nullptr), "");
}

TEST(MimeMessage, AddressListsAndValidity) {
    UCSMTPEmail email;
    EXPECT_FALSE(email.AddTo(nullptr));
    EXPECT_FALSE(email.AddTo(""));
    EXPECT_TRUE(email.GetTo().empty());
    email.from.address = "office@school.example";
    EXPECT_FALSE(email.IsValid());
    // An empty To list still renders.
    EXPECT_NE(email.ComposeMessage(kNow).find("\r\nTo: \r\n"), std::string::npos);
    EXPECT_TRUE(email.AddBcc("head@school.example"));
    EXPECT_FALSE(email.IsValid());  // Bcc alone is not enough
    EXPECT_EQ(email.ComposeMessage(kNow).find("head@"), std::string::npos);

    EXPECT_TRUE(email.AddTo("amy@home.example", "Amy Lee"));
    EXPECT_TRUE(email.AddTo("ben@home.example"));
    EXPECT_TRUE(email.IsValid());
    EXPECT_EQ(email.GetTo()[1]->name, "");
    EXPECT_EQ(email.FormatAddressList(), "Amy Lee, ben@home.example");
    // The header keeps the address that a display text would hide.
    EXPECT_NE(email.ComposeMessage(kNow).find("To: Amy Lee <amy@home.example>, ben@home.example"),
              std::string::npos);
    email.from.address.clear();
    EXPECT_FALSE(email.IsValid());
}

TEST(MimeMessage, LineBreaksInHeaderValuesNeverAddHeaders) {
    struct Case {
        const char* name;
        void (*spoil)(UCSMTPEmail&);
    };
    const Case cases[] = {
        {"subject", [](UCSMTPEmail& e) { e.subject = "Hi\r\nBcc: evil@attacker.example"; }},
        {"subject LF", [](UCSMTPEmail& e) { e.subject = "Hi\nBcc: evil@attacker.example"; }},
        {"to name",
         [](UCSMTPEmail& e) { e.AddTo("x@y.example", "X\nBcc: evil@attacker.example"); }},
        {"to address", [](UCSMTPEmail& e) { e.AddTo("x@y.example\rBcc: evil@attacker.example"); }},
        {"from name", [](UCSMTPEmail& e) { e.from.name = "Office\r\nBcc: evil@attacker.example"; }},
        {"from address", [](UCSMTPEmail& e) { e.from.address += "\nBcc: evil@attacker.example"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UCSMTPEmail email = TwoRecipientMessage("Body\n");
        c.spoil(email);
        EXPECT_FALSE(email.IsValid());
        EXPECT_NE(email.GetProblem().find("line break"), std::string::npos);
        // Even the preview of such a message shows no extra header.
        EXPECT_FALSE(HasHeaderLine(email.ComposeMessage(kNow), "Bcc:"));
    }
}

TEST(MimeMessage, NonAsciiSubjectsAndNamesAreEncodedWords) {
    UCSMTPEmail email = TwoRecipientMessage("Body\n");
    email.subject = "Elternabend für Klasse 7 – Müller";
    email.from.name = "Schüleramt";
    const std::string text = email.ComposeMessage(kNow);
    EXPECT_NE(
        text.find(
            "\r\nSubject: =?UTF-8?B?RWx0ZXJuYWJlbmQgZsO8ciBLbGFzc2UgNyDigJMgTcO8bGxlcg==?=\r\n"),
        std::string::npos);
    EXPECT_NE(text.find("\r\nFrom: =?UTF-8?B?U2Now7xsZXJhbXQ=?= <office@school.example>\r\n"),
              std::string::npos);
    // A name with specials is quoted rather than read as address syntax.
    email.from.name = "Office, \"Main\"";
    EXPECT_EQ(email.from.FormatMailbox(), "\"Office, \\\"Main\\\"\" <office@school.example>");
}

TEST(MimeMessage, LongEncodedSubjectsSplitBetweenCharactersOnly) {
    std::string subject;
    for (int i = 0; i < 40; ++i) {
        subject += "ü€a";
    }
    const std::string encoded = EncodeHeaderText(subject);
    std::string decoded;
    size_t pos = 0;
    while ((pos = encoded.find("=?UTF-8?B?", pos)) != std::string::npos) {
        pos += 10;
        const size_t end = encoded.find("?=", pos);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end + 2 - (pos - 10), 75u);
        auto bytes = Base64::Decode(encoded.substr(pos, end - pos));
        const std::string word(bytes->At(0), bytes->Size());
        // Each word holds whole characters: it neither starts nor ends inside one.
        ASSERT_FALSE(word.empty());
        EXPECT_NE(static_cast<unsigned char>(word.front()) & 0xC0, 0x80);
        decoded += word;
        pos = end + 2;
    }
    EXPECT_EQ(decoded, subject);
    EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(EncodeHeaderText("Plain text"), "Plain text");
}

// Every line of a text, without its CR LF.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

TEST(MimeMessage, QuotedPrintableKeepsLinesShortAndEveryByteRecoverable) {
    struct Case {
        const char* name;
        std::string text;
        std::string encoded;
    };
    const Case cases[] = {
        {"plain lines stay", "Dear Amy,\r\nSee you.\r\n", "Dear Amy,\r\nSee you.\r\n"},
        {"equals sign", "a=b", "a=3Db"},
        {"blanks before a line end", "end \r\ntab\t", "end=20\r\ntab=09"},
        {"inner blanks stay", "a b\tc", "a b\tc"},
        {"UTF-8", "für", "f=C3=BCr"},
        {"stray CR and LF", "a\rb\nc", "a=0Db=0Ac"},
        {"a long paragraph breaks softly", std::string(100, 'x'),
         std::string(75, 'x') + "=\r\n" + std::string(25, 'x')},
        // An escape that would reach column 76 moves whole to the next line.
        {"escapes are never split", std::string(74, 'x') + "\xC3\xBC",
         std::string(74, 'x') + "=\r\n=C3=BC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EncodeQuotedPrintable(c.text), c.encoded);
    }
    // A school's paragraph typed without line breaks.
    std::string paragraph;
    while (paragraph.size() < 5000) {
        paragraph += "Please bring your child's planner and arrive ten minutes early; ";
    }
    for (const std::string& line : Lines(EncodeBodyText(paragraph + "\nNext line\n"))) {
        EXPECT_LE(line.size(), 76u) << line;
    }
    // Text that is not UTF-8 is read as Windows-1252, as the program's files are.
    EXPECT_EQ(EncodeBodyText("M\xFCller \x80"), "M=C3=BCller =E2=82=AC");
}

// The preview is read by people: what is sent encoded shows there as it was written.
TEST(MimeMessage, PreviewShowsTextsAndSubjectAsWritten) {
    const std::string line = "You are invited to attend Hill School on 12 Mar 2026 for the "
                             "following event: Spring evening with Zo\xEB";
    for (bool withCalendar : {false, true}) {
        SCOPED_TRACE(withCalendar);
        UCSMTPEmail email = TwoRecipientMessage(line + "\nnot booked: \n");
        email.subject = "Soir\xE9" "e des parents";
        if (withCalendar) {
            email.AddAttachment(std::make_shared<UCSMTPEmailAttachmentText>(
                "event.ics", "text/calendar", "BEGIN:VCALENDAR\r\n"));
        }
        const std::string preview = email.ComposePreview(kNow);
        EXPECT_NE(preview.find("\r\nSubject: Soir\xC3\xA9" "e des parents\r\n"),
                  std::string::npos)
            << preview;
        EXPECT_NE(preview.find("\r\nContent-Transfer-Encoding: 8bit\r\n\r\n" +
                               line.substr(0, line.size() - 1) + "\xC3\xAB\r\nnot booked: \r\n"),
                  std::string::npos)
            << preview;
        EXPECT_EQ(preview.find("quoted-printable"), std::string::npos);
        // What travels stays encoded.
        EXPECT_NE(email.ComposeContent(kNow).find("not booked:=20\r\n"), std::string::npos);
    }
}

TEST(MimeMessage, LongHeadersFoldAtBlanksAndUnfoldToTheSameText) {
    UCSMTPEmail email = TwoRecipientMessage("Body\n");
    std::string subject;
    while (subject.size() < 1500) {
        subject += "Parents evening for years seven and eight ";
    }
    subject.pop_back();
    email.subject = subject;
    for (int i = 0; i < 40; ++i) {
        email.AddTo(("parent" + std::to_string(i) + "@home.example").c_str(), "A Parent");
    }
    const std::string message = email.ComposeContent(kNow);
    const std::string head = message.substr(0, message.find("\r\n\r\n") + 2);
    std::string unfolded;
    for (const std::string& line : Lines(head)) {
        EXPECT_LE(line.size(), 78u) << line;
        ASSERT_FALSE(line.find_first_not_of(" ") == std::string::npos) << "a blank line";
        unfolded += (line[0] == ' ' ? "" : "\n") + line;
    }
    EXPECT_NE(unfolded.find("\nSubject: " + subject + "\n"), std::string::npos);
    EXPECT_NE(unfolded.find(", A Parent <parent39@home.example>\n"), std::string::npos);
    // One word longer than a line is carried in encoded words, which fold between them.
    email.subject = std::string(200, 'w');
    for (const std::string& line : Lines(email.ComposeContent(kNow))) {
        EXPECT_LE(line.size(), 998u);
    }
    EXPECT_NE(email.ComposeContent(kNow).find("\r\nSubject: =?UTF-8?B?"), std::string::npos);
    // An address longer than any server takes cannot be sent.
    email.AddTo((std::string(300, 'a') + "@home.example").c_str());
    EXPECT_NE(email.GetProblem().find("is too long"), std::string::npos);
}

TEST(MimeMessage, NamesThatAreNotUTF8BecomeFewWholeEncodedWords) {
    // "Müller" and "Zoë" as an 8-bit file from Windows stores them.
    const std::string encoded = EncodeHeaderText("Familie M\xFCller und Zo\xEB");
    EXPECT_EQ(encoded, "=?UTF-8?B?" + Base64::Encode("Familie Müller und Zoë") + "?=");
}

TEST(MimeMessage, DateHeaderIsEnglishWhateverTheLocale) {
    const char* old = std::setlocale(LC_TIME, nullptr);
    const std::string saved = old ? old : "C";
    if (std::setlocale(LC_TIME, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "German locale not installed";
    }
    EXPECT_EQ(FormatMailDate(kNow), "Tue, 14 Nov 2023 22:13:20 +0000");
    EXPECT_EQ(FormatMailDate(0), "Thu, 01 Jan 1970 00:00:00 +0000");
    std::setlocale(LC_TIME, saved.c_str());
}

}  // namespace
