#include "import/import_progress.h"

#include <algorithm>

#include "foundation/string_functions.h"
#include "import/import_run.h"

std::string ImportProgress::Label() const {
    return StringPrintf("%lld of %lld (%d%%)", static_cast<long long>(position),
                        static_cast<long long>(size), percent);
}

ImportProgress GetImportProgress(const ImportRun& run) {
    ImportProgress progress;
    progress.position = std::max<int64_t>(run.GetFilePosition(), 0);
    progress.size = std::max<int64_t>(run.GetFileSize(), 0);
    if (progress.size > 0) {
        // 64-bit, so files past 21 MB do not overflow the product.
        const int64_t percent = progress.position * 100 / progress.size;
        progress.percent = static_cast<int>(std::clamp<int64_t>(percent, 0, 100));
    }
    return progress;
}
