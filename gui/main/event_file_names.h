#pragma once

#include <string>

// The file dialogs' filters for event files. GTK matches patterns case-sensitively, so the
// bracketed one finds "School.QMV" too; "All files" is "*" because "*.*" hides names without a
// dot.
inline constexpr const char* kEventFileWildcard =
    "Quillmoot files (*.qmv)|*.qmv;*.[qQ][mM][vV]|All files (*.*)|*";
inline constexpr const char* kEventFileExtension = ".qmv";

// Whether the path's last four characters, lower-cased, are the extension (given in lower case
// with its dot, four characters long).
bool HasFileExtension(const std::string& path, const std::string& extension);

// The path to save under: with the event-file filter (index 0) chosen, a missing extension is
// appended; with "All files" the path stays as typed.
std::string EventSavePath(const std::string& chosen, int filterIndex);
