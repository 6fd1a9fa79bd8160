#pragma once

#include <string>

#include "import/import_run.h"

// Plain-text lists, one person a line; blank lines are passed over.
class TextListImportRun : public ImportRun {
public:
    bool Import(bool& more) override;

protected:
    // False when the event refused the person: the run stops there.
    virtual bool AddName(const std::string& name) = 0;
};

// Each line is a teacher's name; the teacher has one empty subject, as every teacher without
// a subject has.
class TextTeachersImportRun : public TextListImportRun {
protected:
    bool AddName(const std::string& name) override;
};

// Each line is a pupil's name; a pupil's parent is "Parents of " and the pupil's name, which
// two pupils of the same name share.
class TextPupilsImportRun : public TextListImportRun {
protected:
    bool AddName(const std::string& name) override;
};
