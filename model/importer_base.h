#pragma once

#include <string>

#include "foundation/uc_collectable.h"
#include "foundation/uc_unique_ordered.h"

// The common base of every importer of people: the description under which the import dialog
// offers it, and the definition that the event file keeps for it. The event owns its importers.
// What an importer reads; import/ keeps one run for each (CreateImportRun).
enum class ImporterKind { CSV, TextTeachers, TextPupils, XMLPupils };

class ImporterBase : public UCCollectable {
public:
    const char* GetClassName() const override { return "ImporterBase"; }
    virtual ImporterKind GetKind() const = 0;
    virtual std::string GetDescription() const = 0;
    // Empty when there is nothing to keep (the event-file writer then writes no line).
    virtual std::string GetSavedDefinition() const { return std::string(); }
};

// The first importer of the list whose description equals the text byte for byte; null if none.
ImporterBase* FindImporterByDescription(const UCUniqueOrdered& importers,
                                        const std::string& description);
