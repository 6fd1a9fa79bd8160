#pragma once

#include <wx/string.h>

#include <string>

struct CommandContext;
class wxWindow;

// The event's files: each opens a change, so the views follow whatever it did.

// Opens the file as the event without asking; the load reports its own failures.
bool LoadEventFile(const CommandContext& context, const wxString& path);
// As LoadEventFile, but first offers to save a changed event that the file would replace.
bool OpenEventFileAsked(const CommandContext& context, const wxString& path);
void MergeChanges(const CommandContext& context, const wxString& path);
// The New Event command: the settings dialog, after the question about a changed event.
void NewEvent(const CommandContext& context);
// The Save Event command: without an event it explains and starts a new one.
void SaveEventCommand(const CommandContext& context);
// The saves behind the commands; true when the event reached its file.
bool SaveEvent(const CommandContext& context);
bool SaveEventAs(const CommandContext& context);
// Yes/No/Cancel before a changed event is replaced; true when it may go.
bool ConfirmReplaceEvent(const CommandContext& context);

// A save dialog asks about the name as typed; when the path to write is that name with an
// extension added and names a file that exists, this asks about it too. True when the path may
// be written.
bool MayWriteSavePath(wxWindow* parent, const std::string& chosen, const std::string& path);
