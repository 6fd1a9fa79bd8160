#include "model/importer_csv.h"

#include <strings.h>

#include <array>

#include "foundation/string_functions.h"
#include "foundation/string_slice.h"
#include "foundation/string_tokeniser.h"

namespace {

constexpr std::array<const char*, 25> kTypeNames = {
    "<Unused>",
    "Full Name",
    "Full Name (surname first)",
    "Forename",
    "Surname",
    "Email Address (primary)",
    "Email Address (alternate)",
    "Form / Tutor Group",
    "House",
    "Parent's Name",
    "Location",
    "Initials",
    "Subject",
    "Title / Salutation",
    "Address Line 1",
    "Address Line 2",
    "Address Line 3",
    "Address Line 4",
    "Address Line 5",
    "Arrival Time",
    "Departure Time",
    "Unique Identifier",
    "Is Attending (Y/N)",
    "Meeting Link",
    "Pupil's Email Address",
};

constexpr std::array<CSVColumnType, 20> kPupilOffers = {
    CSVUnused,   CSVFullName,    CSVFullNameSurnameFirst,
    CSVForename, CSVSurname,     CSVEmail,
    CSVEmailAlt, CSVPupilEmail,  CSVForm,
    CSVHouse,    CSVParentName,  CSVAddress1,
    CSVAddress2, CSVAddress3,    CSVAddress4,
    CSVAddress5, CSVArrivalTime, CSVDepartureTime,
    CSVUniqueId, CSVIsAttending,
};

constexpr std::array<CSVColumnType, 16> kTeacherOffers = {
    CSVUnused,        CSVFullName, CSVFullNameSurnameFirst,
    CSVForename,      CSVSurname,  CSVEmail,
    CSVEmailAlt,      CSVLocation, CSVInitials,
    CSVSubject,       CSVTitle,    CSVArrivalTime,
    CSVDepartureTime, CSVUniqueId, CSVMeetingLink,
    CSVIsAttending,
};

// The reader takes a backslash as "the next character literally", so a quote or backslash in a
// name would otherwise end or damage its line.
std::string EscapeQuoted(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

}  // namespace

std::string CSVColumnTypeName(int type) {
    if (type < 0 || type >= static_cast<int>(kTypeNames.size())) {
        return "Unknown";
    }
    return kTypeNames[static_cast<size_t>(type)];
}

bool CSVColumnMapping::AddColumn(int offerIndex) {
    if (offerIndex < 0 || offerIndex >= GetNumColumnTypes()) {
        return false;
    }
    columns_.push_back(offerIndex);
    return true;
}

bool CSVColumnMapping::AddColumnByName(const std::string& name) {
    for (int i = 0; i < GetNumColumnTypes(); ++i) {
        if (GetColumnTypeName(i) == name) {
            columns_.push_back(i);
            return true;
        }
    }
    return false;
}

bool CSVColumnMapping::Parse(const char* text) {
    StringTokeniser tokens(std::string(text != nullptr ? text : ""));
    bool anyKnown = false;
    for (const std::string& field : tokens.Split(',')) {
        if (AddColumnByName(field)) {
            anyKnown = true;
        } else {
            columns_.push_back(0);
        }
    }
    if (!anyKnown) {
        columns_.clear();
    }
    return anyKnown;
}

int ImporterCSVMapping::GetNumColumnTypes() const {
    return static_cast<int>(pupils_ ? kPupilOffers.size() : kTeacherOffers.size());
}

CSVColumnType ImporterCSVMapping::GetOfferedType(int offerIndex) const {
    if (offerIndex < 0 || offerIndex >= GetNumColumnTypes()) {
        return CSVUnused;
    }
    auto index = static_cast<size_t>(offerIndex);
    return pupils_ ? kPupilOffers[index] : kTeacherOffers[index];
}

std::string ImporterCSVMapping::GetColumnTypeName(int offerIndex) const {
    return CSVColumnTypeName(GetOfferedType(offerIndex));
}

void ImporterCSV::SetName(const std::string& name) {
    std::string clean = name;
    for (char& c : clean) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            c = ' ';
        }
    }
    name_ = StringSlice(clean.c_str(), static_cast<uint32_t>(clean.size())).Trimmed().ToString();
}

CSVColumnType ImporterCSV::GetColumnType(int column) const {
    if (column < 0 || column >= mapping_.GetCount()) {
        return CSVUnused;
    }
    return mapping_.GetColumnType(column);
}

int ImporterCSV::FindColumnTypeByName(const char* name) const {
    if (name == nullptr) {
        return 0;
    }
    for (int i = 0; i < mapping_.GetNumColumnTypes(); ++i) {
        if (strcasecmp(mapping_.GetColumnTypeName(i).c_str(), name) == 0) {
            return i;
        }
    }
    return 0;
}

bool ImporterCSV::SetDefinition(const std::string& definition) {
    mapping_.Clear();
    StringTokeniser tokens(definition);
    for (const std::string& field : tokens.Split(',')) {
        std::string lower = ToLower(field.c_str());
        std::string word =
            StringSlice(lower.c_str(), static_cast<uint32_t>(lower.size())).Trimmed().ToString();
        if (word == "ignorefirstline") {
            ignoreFirstLine_ = true;
        } else {
            mapping_.AddColumn(FindColumnTypeByName(word.c_str()));
        }
    }
    return true;
}

std::string ImporterCSV::GetSavedDefinition() const {
    std::string line = pupils_ ? "PupilCSVImport" : "TeacherCSVImport";
    line += " \"" + EscapeQuoted(name_) + "\" \"";
    if (ignoreFirstLine_) {
        line += "IgnoreFirstLine,";
    }
    for (int i = 0; i < mapping_.GetCount(); ++i) {
        if (i > 0) {
            line += ",";
        }
        line += mapping_.GetColumnTypeName(mapping_.GetAt(i));
    }
    return line + "\"";
}
