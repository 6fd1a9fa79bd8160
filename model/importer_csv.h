#pragma once

#include <string>
#include <vector>

#include "model/importer_base.h"

// The kinds of information a column of a teacher or pupil CSV file can hold. Their names are
// also the words of a saved import definition.
enum CSVColumnType {
    CSVUnused = 0,
    CSVFullName = 1,
    CSVFullNameSurnameFirst = 2,
    CSVForename = 3,
    CSVSurname = 4,
    CSVEmail = 5,
    CSVEmailAlt = 6,
    CSVForm = 7,
    CSVHouse = 8,
    CSVParentName = 9,
    CSVLocation = 10,
    CSVInitials = 11,
    CSVSubject = 12,
    CSVTitle = 13,
    CSVAddress1 = 14,
    CSVAddress2 = 15,
    CSVAddress3 = 16,
    CSVAddress4 = 17,
    CSVAddress5 = 18,
    CSVArrivalTime = 19,
    CSVDepartureTime = 20,
    CSVUniqueId = 21,
    CSVIsAttending = 22,
    CSVMeetingLink = 23,
    CSVPupilEmail = 24,
};

// "Unknown" outside the known types.
std::string CSVColumnTypeName(int type);

// The columns of a CSV import in file order. Each column holds an offer index: a position in
// the list of column types the concrete mapping offers, not the type itself.
class CSVColumnMapping {
public:
    virtual ~CSVColumnMapping() = default;
    virtual int GetNumColumnTypes() const = 0;
    virtual std::string GetColumnTypeName(int offerIndex) const = 0;

    int GetCount() const { return static_cast<int>(columns_.size()); }
    int GetAt(int i) const { return columns_.at(static_cast<size_t>(i)); }
    void Clear() { columns_.clear(); }
    // False, and nothing appended, for an index the mapping does not offer.
    bool AddColumn(int offerIndex);
    // The first offer whose name equals the text exactly (letter case included).
    bool AddColumnByName(const std::string& name);
    // Appends a column for each comma-separated name; an unknown name appends an unused column
    // so the others keep their places. When no name is known the mapping is emptied: false.
    bool Parse(const char* text);

private:
    std::vector<int> columns_;
};

// The column mapping of a teacher or a pupil import, each with its own offered types.
class ImporterCSVMapping : public CSVColumnMapping {
public:
    explicit ImporterCSVMapping(bool pupils) : pupils_(pupils) {}
    int GetNumColumnTypes() const override;
    std::string GetColumnTypeName(int offerIndex) const override;
    // The type an offer index stands for; unused outside the offers.
    CSVColumnType GetOfferedType(int offerIndex) const;
    // The type of a column.
    CSVColumnType GetColumnType(int column) const { return GetOfferedType(GetAt(column)); }

private:
    bool pupils_;
};

// A user's saved CSV import of teachers or of pupils with their parents: its name (which is
// also its description), whether the first line is a header and the column mapping.
class ImporterCSV : public ImporterBase {
public:
    explicit ImporterCSV(bool pupils) : pupils_(pupils), mapping_(pupils) {}
    const char* GetClassName() const override { return "ImporterCSV"; }
    ImporterKind GetKind() const override { return ImporterKind::CSV; }

    // Stored trimmed; line ends and other control characters become blanks, because the name
    // travels on one line of the event file.
    void SetName(const std::string& name);
    const std::string& GetName() const { return name_; }
    std::string GetDescription() const override { return name_; }

    bool IsPupils() const { return pupils_; }
    bool GetIgnoreFirstLine() const { return ignoreFirstLine_; }
    void SetIgnoreFirstLine(bool on) { ignoreFirstLine_ = on; }

    ImporterCSVMapping& GetMapping() { return mapping_; }
    const ImporterCSVMapping& GetMapping() const { return mapping_; }
    int GetColumnCount() const { return mapping_.GetCount(); }
    // Unused for a column past the mapping.
    CSVColumnType GetColumnType(int column) const;
    // The offer index whose type name equals the text ignoring case; 0 (unused) when none.
    int FindColumnTypeByName(const char* name) const;

    // Reads a definition as GetSavedDefinition writes it: "ignorefirstline" (any case) turns on
    // skipping the header, every other word adds a column (unused when unknown). Always true.
    bool SetDefinition(const std::string& definition);
    // The event-file line: the key, the quoted name and the quoted definition.
    std::string GetSavedDefinition() const override;

private:
    std::string name_;
    bool pupils_;
    bool ignoreFirstLine_ = false;
    ImporterCSVMapping mapping_;
};
