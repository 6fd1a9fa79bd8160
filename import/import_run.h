#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "import/text_encoding.h"

class FamilyIdentity;
class MultiDaySchedule;
class Parent;
class Pupil;
class StdioFile;
class Teacher;
class UserSettings;

// How a whole import ended: the input was read to its end, a step failed (the cause has been
// reported), or the user stopped it part way.
enum class ImportOutcome { Finished, Failed, Stopped };

// One run of an importer over one input file into the event behind a target schedule, one
// line or XML element a step, so that a progress dialog can drive it from idle events. A run
// is made for each import (see CreateImportRun), so nothing of an earlier file carries over.
class ImportRun {
public:
    ImportRun();
    virtual ~ImportRun();
    ImportRun(const ImportRun&) = delete;
    ImportRun& operator=(const ImportRun&) = delete;

    // None is owned; set them before the first step. The caller opens and closes the file.
    void SetTarget(MultiDaySchedule* target) { target_ = target; }
    void SetInput(StdioFile* input);
    // May stay null: "importutf8" 1 in the settings says the file is UTF-8.
    void SetSettings(const UserSettings* settings) { settings_ = settings; }
    MultiDaySchedule* GetTarget() const { return target_; }

    // The input is set and open, and the target is set.
    bool IsOpen() const;
    // -1 unless open.
    int64_t GetFilePosition() const;
    int64_t GetFileSize() const;

    // One step. The result is false when the step failed (not open, a person refused, a
    // broken file); more is true while there is input left to read.
    virtual bool Import(bool& more) = 0;

    // The text of the file as UTF-8 (see DecodeImportedText) on one line: tabs and line breaks
    // become blanks and other control bytes are dropped. Text that is not UTF-8 where
    // "importutf8" says the file is gets a Warning, once a run.
    std::string ConvertText(const std::string& text) const;

protected:
    // What the run reads: the input file, or a UTF-8 copy of a UTF-16 or UTF-32 one (made at
    // the first call). Null, reported, when the file is wide text that cannot be decoded.
    StdioFile* GetInput();
    bool InputFailed() const { return inputFailed_; }
    // The next line of the input without its line end and, at the start of the run, without a
    // byte-order mark. False at the end, and when the input failed.
    bool ReadLine(std::string& line);

    // Takes the teacher and adds it to the target: false, the teacher freed, when refused.
    bool AddTeacher(std::unique_ptr<Teacher> teacher);
    // Takes the pupil and gives it a parent in the target made from the template, or the
    // existing family that the template and the pupil describe (FamilyIdentity: a brother's or
    // sister's). False, the pupil freed, when the parent is refused. The template stays the
    // caller's and unchanged. A child the target held before this run began is named and not
    // added again: the same list run again into a preview, after Stop or a second press, gives
    // no child twice.
    bool CreateParentForPupil(std::unique_ptr<Pupil> pupil, const Parent& parentTemplate);
    // The line of the file on which the person being read begins, from 1; 0 where the file has
    // no lines of people.
    virtual unsigned GetRecordLine() const { return 0; }

private:
    // Who the target's families and children were before the run added anyone; made at the
    // first pupil.
    std::unique_ptr<FamilyIdentity> families_;
    MultiDaySchedule* target_ = nullptr;
    StdioFile* input_ = nullptr;
    const UserSettings* settings_ = nullptr;
    ImportInput decoded_;
    bool inputOpened_ = false;
    bool inputFailed_ = false;
    bool readAnyLine_ = false;
    mutable bool toldNotUTF8_ = false;
};

// Runs every step to the end: Finished or Failed.
ImportOutcome RunImport(ImportRun& run);

// Trims blanks, tabs and line ends at both ends.
std::string TrimImported(const std::string& text);
