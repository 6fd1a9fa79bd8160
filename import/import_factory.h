#pragma once

#include <memory>

#include "import/import_run.h"

class ImporterBase;

// The event keeps what its importers are (their descriptions and saved definitions); this
// makes a fresh run of one. Null for an importer this library does not know.
std::unique_ptr<ImportRun> CreateImportRun(const ImporterBase& importer);
