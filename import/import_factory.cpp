#include "import/import_factory.h"

#include "import/csv_import_run.h"
#include "import/text_import_runs.h"
#include "import/xml_import_run.h"
#include "model/importer_csv.h"

namespace {

// One row a format: the importer's kind and the run that reads its files.
struct ImportFormat {
    ImporterKind kind;
    std::unique_ptr<ImportRun> (*makeRun)(const ImporterBase& importer);
};

const ImportFormat kFormats[] = {
    {ImporterKind::CSV,
     [](const ImporterBase& importer) -> std::unique_ptr<ImportRun> {
         // The kind says what the importer is.
         return std::make_unique<CSVImportRun>(static_cast<const ImporterCSV&>(importer));
     }},
    {ImporterKind::TextTeachers,
     [](const ImporterBase&) -> std::unique_ptr<ImportRun> {
         return std::make_unique<TextTeachersImportRun>();
     }},
    {ImporterKind::TextPupils,
     [](const ImporterBase&) -> std::unique_ptr<ImportRun> {
         return std::make_unique<TextPupilsImportRun>();
     }},
    {ImporterKind::XMLPupils,
     [](const ImporterBase&) -> std::unique_ptr<ImportRun> {
         return std::make_unique<XMLPupilsImportRun>();
     }},
};

}  // namespace

std::unique_ptr<ImportRun> CreateImportRun(const ImporterBase& importer) {
    for (const ImportFormat& format : kFormats) {
        if (format.kind == importer.GetKind()) {
            return format.makeRun(importer);
        }
    }
    return nullptr;
}
