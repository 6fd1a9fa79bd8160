#pragma once

#include <string>

// Whether an output file can be written at the path: a new one can be made in its folder, and
// one already there is not closed to writing. A file the user made read-only is left alone, as
// opening it for writing would be refused. False sets errno to the reason.
bool CanWriteOutputFile(const std::string& path);
