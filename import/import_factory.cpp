#include "import/import_factory.h"

#include "import/csv_import_run.h"
#include "import/text_import_runs.h"
#include "import/xml_import_run.h"
#include "model/builtin_importers.h"
#include "model/importer_csv.h"

std::unique_ptr<ImportRun> CreateImportRun(const ImporterBase& importer) {
    if (const auto* csv = dynamic_cast<const ImporterCSV*>(&importer)) {
        return std::make_unique<CSVImportRun>(*csv);
    }
    if (dynamic_cast<const ImporterTxtTeachers*>(&importer) != nullptr) {
        return std::make_unique<TextTeachersImportRun>();
    }
    if (dynamic_cast<const ImporterTxtPupils*>(&importer) != nullptr) {
        return std::make_unique<TextPupilsImportRun>();
    }
    if (dynamic_cast<const ImporterXMLPupils*>(&importer) != nullptr) {
        return std::make_unique<XMLPupilsImportRun>();
    }
    return nullptr;
}
