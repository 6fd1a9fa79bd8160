#pragma once

#include <cstdint>
#include <string>

class ImportRun;

// How far a run has read through its file, as the progress dialog shows it.
struct ImportProgress {
    int64_t position = 0;
    int64_t size = 0;
    // 0 to 100; 0 for an empty file.
    int percent = 0;

    // "2048 of 8192 (25%)".
    std::string Label() const;
};

// A run that is not open counts as nothing read of nothing.
ImportProgress GetImportProgress(const ImportRun& run);
