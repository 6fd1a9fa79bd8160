#pragma once

#include <string>

#include "import/import_run.h"
#include "import/imported_people.h"
#include "import/pt_csv_importer.h"

class QMController;
class wxWindow;

// The main window's Import menu. Each does nothing without a loaded event.

// Through the import dialog; after OK the previewed people move into the open schedule. True
// when anyone moved.
bool ImportPeople(wxWindow* parent, QMController& controller, PeopleImport who);

// A request list or 'Taught By' list from a CSV file straight into the open event, after its
// columns are described. True when the import ran.
bool ImportRequestList(wxWindow* parent, QMController& controller, ImporterPTCSV::ListKind list);

// What a request or taught-by import says at its end: how many lines went in, and whether a
// step failed. A run the user stopped went in as far as it says.
std::string RequestListResultText(ImportOutcome outcome, unsigned linesImported);
