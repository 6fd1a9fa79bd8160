#include "import/csv_column_chooser.h"

#include <utility>

#include "foundation/files.h"
#include "import/csv_fields.h"
#include "import/text_encoding.h"
#include "model/importer_csv.h"

namespace {

// The preview shows the bytes the file holds, tabs and all; only a quoted field's line break
// becomes a blank, to keep a record on one line, and a NUL goes, as the text control would end
// the whole preview there.
std::string PreviewLine(const std::string& record) {
    std::string out;
    out.reserve(record.size());
    for (const char c : record) {
        if (c == '\n') {
            out += ' ';
        } else if (c != '\0') {
            out += c;
        }
    }
    return out;
}

}  // namespace

CSVFilePreview ReadCSVPreview(StdioFile* file, int lineCount) {
    CSVFilePreview preview;
    ImportInput input;
    if (file == nullptr || file->GetFile() == nullptr || !input.Open(file)) {
        return preview;
    }
    // Records as the import reads them: a quoted field's line breaks stay inside its record.
    std::string record;
    std::string line;
    for (int i = 0; i < lineCount && input.Get()->ReadLine(record); ++i) {
        CSVQuoteScanner quotes;
        quotes.Feed(record);
        while (quotes.InsideQuotes() && input.Get()->ReadLine(line)) {
            record += '\n' + line;
            quotes.Feed("\n" + line);
        }
        if (i == 0) {
            // A spreadsheet's byte-order mark would hide the header's first column name.
            record = StripByteOrderMark(record);
            preview.firstLine = record;
        }
        preview.text += PreviewLine(DecodeImportedText(record)) + "\n";
    }
    return preview;
}

CSVColumnChooser::CSVColumnChooser(const CSVColumnMapping& mapping)
    : unusedName_(mapping.GetColumnTypeName(0)) {
    for (int i = 0; i < mapping.GetNumColumnTypes(); ++i) {
        available_.push_back(mapping.GetColumnTypeName(i));
    }
}

bool CSVColumnChooser::StaysOnOffer(const std::string& name) {
    // A file may carry several subjects, and a column per day for the times and attendance.
    static const char* const kRepeatable[] = {"Subject", "Arrival Time", "Departure Time",
                                              "Is Attending (Y/N)"};
    for (const char* repeatable : kRepeatable) {
        if (name == repeatable) {
            return true;
        }
    }
    return false;
}

bool CSVColumnChooser::ApplyHeader(CSVColumnMapping& mapping, const std::string& firstLine) {
    mapping.Clear();
    if (!mapping.Parse(firstLine.c_str())) {
        return false;
    }
    selected_.clear();
    for (int i = 0; i < mapping.GetCount(); ++i) {
        selected_.push_back(mapping.GetColumnTypeName(mapping.GetAt(i)));
    }
    return true;
}

int CSVColumnChooser::Select(int availableIndex, int before) {
    if (availableIndex < 0 || availableIndex >= static_cast<int>(available_.size())) {
        return -1;
    }
    const std::string name = available_[static_cast<size_t>(availableIndex)];
    int at = static_cast<int>(selected_.size());
    if (before >= 0 && before < at) {
        at = before;
    }
    selected_.insert(selected_.begin() + at, name);
    if (availableIndex != 0 && !StaysOnOffer(name)) {
        available_.erase(available_.begin() + availableIndex);
    }
    return at;
}

bool CSVColumnChooser::Remove(int selectedIndex) {
    if (selectedIndex < 0 || selectedIndex >= static_cast<int>(selected_.size())) {
        return false;
    }
    const std::string name = selected_[static_cast<size_t>(selectedIndex)];
    selected_.erase(selected_.begin() + selectedIndex);
    // Kept on offer already: putting it back would list it twice.
    bool offered = false;
    for (const std::string& entry : available_) {
        offered = offered || entry == name;
    }
    if (name != unusedName_ && !offered) {
        available_.push_back(name);
    }
    return true;
}

int CSVColumnChooser::MoveUp(int selectedIndex) {
    if (selectedIndex < 1 || selectedIndex >= static_cast<int>(selected_.size())) {
        return -1;
    }
    std::swap(selected_[static_cast<size_t>(selectedIndex)],
              selected_[static_cast<size_t>(selectedIndex - 1)]);
    return selectedIndex - 1;
}

int CSVColumnChooser::MoveDown(int selectedIndex) {
    if (selectedIndex < 0 || selectedIndex + 1 >= static_cast<int>(selected_.size())) {
        return -1;
    }
    std::swap(selected_[static_cast<size_t>(selectedIndex)],
              selected_[static_cast<size_t>(selectedIndex + 1)]);
    return selectedIndex + 1;
}

std::string CSVColumnChooser::GetDefinition() const {
    std::string definition;
    for (const std::string& name : selected_) {
        definition += (definition.empty() ? "" : ",") + name;
    }
    return definition;
}

void CSVColumnChooser::FillMapping(CSVColumnMapping& mapping) const {
    mapping.Clear();
    for (const std::string& name : selected_) {
        mapping.AddColumnByName(name);
    }
}
