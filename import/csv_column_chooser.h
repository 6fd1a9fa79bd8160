#pragma once

#include <string>
#include <vector>

class CSVColumnMapping;
class StdioFile;

// The first records of a CSV file as the definition dialog shows them, read from the file's
// current position (UTF-16 and UTF-32 decoded): each record as UTF-8 on one line followed by a
// line feed, and the first as it stands (without a byte-order mark) for the header check.
struct CSVFilePreview {
    std::string text;
    std::string firstLine;
};
CSVFilePreview ReadCSVPreview(StdioFile* file, int lineCount = 3);

// The two lists of the CSV definition dialog: the column types still on offer and the file's
// columns in file order. "<Unused>" and the types a file may hold several times stay on offer
// when chosen; every other type moves across.
class CSVColumnChooser {
public:
    // Offers every type of the mapping, in its order.
    explicit CSVColumnChooser(const CSVColumnMapping& mapping);

    const std::vector<std::string>& GetAvailable() const { return available_; }
    const std::vector<std::string>& GetSelected() const { return selected_; }

    // When the line names known types, the mapping takes the header's columns and so does the
    // selected list (the offer is left whole): true. Otherwise nothing changes.
    bool ApplyHeader(CSVColumnMapping& mapping, const std::string& firstLine);

    // Puts the offered name before the selected entry, or last when before is -1. Answers the
    // new entry's index; -1 when nothing is offered at that index.
    int Select(int availableIndex, int before);
    bool Remove(int selectedIndex);
    // The entry's new index; -1 when it cannot move that way.
    int MoveUp(int selectedIndex);
    int MoveDown(int selectedIndex);

    // The selected names joined by ",", as a saved definition takes them.
    std::string GetDefinition() const;
    // Empties the mapping and adds the selected columns by name.
    void FillMapping(CSVColumnMapping& mapping) const;

    static bool StaysOnOffer(const std::string& name);

private:
    std::vector<std::string> available_;
    std::vector<std::string> selected_;
    std::string unusedName_;
};
