#pragma once

#include <string>

#include "import/import_run.h"

class QMController;
class wxWindow;

// The main window's Import menu. Each does nothing without a loaded event.

// Teachers (kind 0) or pupils with their parents (kind 1) through the import dialog; after OK
// the previewed people move into the open schedule. True when anyone moved.
bool ImportPeople(wxWindow* parent, QMController& controller, int kind);

// A request list (listKind 0) or 'Taught By' list (1) from a CSV file straight into the open
// event, after its columns are described. True when the import ran.
bool ImportRequestList(wxWindow* parent, QMController& controller, int listKind);

// What a request or taught-by import says at its end: whether it finished, failed or was
// stopped, and how many lines went in.
std::string RequestListResultText(ImportOutcome outcome, unsigned linesImported);
