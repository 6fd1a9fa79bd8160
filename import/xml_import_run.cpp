#include "import/xml_import_run.h"

#include <cstdlib>

#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "foundation/xml_parser.h"
#include "model/parent.h"
#include "model/pupil.h"

namespace {

const char* const kRepeatExport =
    " The most likely cause is that the export from your MIS did not complete successfully - "
    "please repeat the export and try importing the new file into Quillmoot.";

// Passes every report on to the sink that was current before it, noting whether any was an
// error: the XML parser answers both the end of the file and a syntax error with nothing, and
// only the report tells them apart.
class ErrorWatch : public UCError {
public:
    // outer is the sink current before this one: the argument is read before this sink
    // makes itself current.
    explicit ErrorWatch(UCError& outer) : outer_(outer) {}
    void Report(int severity, const char* text) override {
        if (severity == SeverityError) {
            sawError_ = true;
        }
        for (const std::string& line : Details()) {
            outer_.AddDetail(line);
        }
        ClearDetails();
        outer_.Report(severity, text);
    }
    using UCError::Report;
    bool SawError() const { return sawError_; }

private:
    UCError& outer_;
    bool sawError_ = false;
};

bool IsOpening(const UCXMLTag& tag, const char* name) {
    return !tag.IsClosing() && !tag.IsSelfClosing() && !tag.IsMarkup() && tag.GetName() == name;
}

bool IsClosing(const UCXMLTag& tag, const std::string& name) {
    return tag.IsClosing() && tag.GetName() == name;
}

// The character an entity body (between '&' and ';') stands for; false when it is none.
bool DecodeEntity(const std::string& body, std::string& out) {
    static const struct {
        const char* name;
        char value;
    } kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& entity : kNamed) {
        if (body == entity.name) {
            out += entity.value;
            return true;
        }
    }
    if (body.size() < 2 || body[0] != '#') {
        return false;
    }
    const bool hex = body[1] == 'x' || body[1] == 'X';
    const std::string digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) {
        return false;
    }
    char* end = nullptr;
    const unsigned long code = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
    const bool valid = end != nullptr && *end == '\0' && code != 0 && code <= 0x10FFFF &&
                       !(code >= 0xD800 && code <= 0xDFFF);
    if (!valid) {
        return false;
    }
    AppendUTF8(out, code);
    return true;
}

}  // namespace

std::string DecodeXMLEntities(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '&') {
            const size_t semicolon = text.find(';', i + 1);
            if (semicolon != std::string::npos && semicolon - i <= 12 &&
                DecodeEntity(text.substr(i + 1, semicolon - i - 1), out)) {
                i = semicolon + 1;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

XMLPupilsImportRun::XMLPupilsImportRun() = default;
XMLPupilsImportRun::~XMLPupilsImportRun() = default;

std::string XMLPupilsImportRun::CleanText(const std::string& raw) const {
    // Again after the entities, which can name control characters.
    return TrimImported(OneLineText(DecodeXMLEntities(ConvertText(raw))));
}

bool XMLPupilsImportRun::Import(bool& more) {
    more = false;
    if (!IsOpen()) {
        return false;
    }
    if (!tokeniser_) {
        StdioFile* input = GetInput();
        if (input == nullptr) {
            return false;
        }
        tokeniser_ = std::make_unique<XMLTokeniser>(input);
    }
    if (!parser_) {
        parser_ = std::make_unique<XMLParser>(tokeniser_.get());
    }
    ErrorWatch watch(UCError::Current());
    std::unique_ptr<UCXMLComponent> component = parser_->ParseComponent();
    if (!component) {
        return !watch.SawError() && DocumentEnded();
    }
    const auto* tag = dynamic_cast<const UCXMLTag*>(component.get());
    if (tag != nullptr && IsOpening(*tag, "Pupil")) {
        sawElement_ = true;
        if (!ReadPupil()) {
            return false;
        }
    } else if (tag != nullptr && !tag->IsMarkup() && !tag->IsInstruction()) {
        sawElement_ = true;
        if (tag->IsClosing()) {
            if (!openElements_.empty()) {
                openElements_.pop_back();
            }
        } else if (!tag->IsSelfClosing()) {
            openElements_.push_back(tag->GetName());
        }
    }
    more = true;
    return true;
}

bool XMLPupilsImportRun::DocumentEnded() {
    // An export cut short between two pupils would otherwise pass for a smaller school.
    if (!sawElement_) {
        ReportMessage(SeverityError,
                      std::string("The file holds no XML elements.") + kRepeatExport);
        return false;
    }
    if (!openElements_.empty()) {
        ReportMessage(SeverityError,
                      "The file is missing a </" + openElements_.back() + "> tag." + kRepeatExport);
        return false;
    }
    return true;
}

bool XMLPupilsImportRun::ReadPupil() {
    std::string forename;
    std::string surname;
    std::string form;
    std::string contacts;
    for (;;) {
        std::unique_ptr<UCXMLComponent> component = parser_->ParseComponent();
        if (!component) {
            ReportMessage(SeverityError,
                          std::string("The file is missing a </Pupil> tag.") + kRepeatExport);
            return false;
        }
        const auto* tag = dynamic_cast<const UCXMLTag*>(component.get());
        if (tag == nullptr) {
            continue;
        }
        if (IsClosing(*tag, "Pupil")) {
            break;
        }
        if (IsOpening(*tag, "Contact")) {
            std::string contact;
            if (!ReadContact(contact)) {
                return false;
            }
            if (!contacts.empty() && !contact.empty()) {
                contacts += " and ";
            }
            contacts += contact;
            continue;
        }
        if (!ReadTextElement(*tag, "Surname", surname) ||
            !ReadTextElement(*tag, "Forename", forename) ||
            !ReadTextElement(*tag, "RegistrationGroup", form)) {
            return false;
        }
    }
    const std::string name = TrimImported(CleanText(forename) + " " + CleanText(surname));
    if (name.empty()) {
        return true;  // nobody to import, as with a blank line of a list
    }
    auto pupil = std::make_unique<Pupil>();
    pupil->SetName(name);
    pupil->SetForm(CleanText(form));
    Parent parentTemplate;
    parentTemplate.SetName(contacts);
    return CreateParentForPupil(std::move(pupil), parentTemplate);
}

bool XMLPupilsImportRun::ReadContact(std::string& name) {
    std::string title;
    std::string forename;
    std::string surname;
    for (;;) {
        std::unique_ptr<UCXMLComponent> component = parser_->ParseComponent();
        if (!component) {
            ReportMessage(SeverityError,
                          std::string("The file is missing a </Contact> tag.") + kRepeatExport);
            return false;
        }
        const auto* tag = dynamic_cast<const UCXMLTag*>(component.get());
        if (tag == nullptr) {
            continue;
        }
        if (IsClosing(*tag, "Contact")) {
            break;
        }
        if (!ReadTextElement(*tag, "Title", title) || !ReadTextElement(*tag, "Surname", surname) ||
            !ReadTextElement(*tag, "Forename", forename)) {
            return false;
        }
    }
    name = TrimImported(TrimImported(CleanText(title) + " " + CleanText(forename)) + " " +
                        CleanText(surname));
    return true;
}

bool XMLPupilsImportRun::ReadTextElement(const UCXMLTag& tag, const char* name, std::string& text) {
    if (!IsOpening(tag, name)) {
        return true;
    }
    return ReadBodyUntilClose(name, text);
}

bool XMLPupilsImportRun::ReadBodyUntilClose(const std::string& name, std::string& text) {
    const std::string endedEarly = "The file ended unexpectedly." + std::string(kRepeatExport);
    std::unique_ptr<UCXMLComponent> component = parser_->ParseComponent();
    if (!component) {
        ReportMessage(SeverityError, endedEarly);
        return false;
    }
    if (const auto* body = dynamic_cast<const UCXMLBodyText*>(component.get())) {
        text = body->GetText();
        component = parser_->ParseComponent();
        if (!component) {
            ReportMessage(SeverityError, endedEarly);
            return false;
        }
    }
    const auto* tag = dynamic_cast<const UCXMLTag*>(component.get());
    if (tag != nullptr && IsClosing(*tag, name)) {
        return true;
    }
    ReportMessage(SeverityError,
                  "The file is missing a </" + name +
                      "> tag. The most likely cause is that the export from your MIS has become "
                      "corrupted - please repeat the export and try importing the new file into "
                      "Quillmoot.");
    return false;
}
