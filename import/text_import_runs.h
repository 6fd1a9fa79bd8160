#pragma once

#include "import/import_run.h"

// Plain-text lists, one person a line; blank lines are passed over.

// Each line is a teacher's name.
class TextTeachersImportRun : public ImportRun {
public:
    bool Import(bool& more) override;
};

// Each line is a pupil's name; a pupil's parent is "Parents of " and the pupil's name, which
// two pupils of the same name share.
class TextPupilsImportRun : public ImportRun {
public:
    bool Import(bool& more) override;
};
