#include "import/import_run.h"

#include "app/user_settings.h"
#include "foundation/files.h"
#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "import/text_encoding.h"
#include "model/event.h"
#include "model/family_identity.h"
#include "model/multi_day_schedule.h"
#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

std::string TrimImported(const std::string& text) {
    const char* blanks = " \t\r\n\f\v";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

ImportRun::ImportRun() = default;

ImportRun::~ImportRun() = default;

bool ImportRun::IsOpen() const {
    return input_ != nullptr && input_->GetFile() != nullptr && target_ != nullptr;
}

void ImportRun::SetInput(StdioFile* input) {
    decoded_.Close();
    input_ = input;
    inputOpened_ = false;
    inputFailed_ = false;
    readAnyLine_ = false;
    toldNotUTF8_ = false;
}

StdioFile* ImportRun::GetInput() {
    if (!inputOpened_ && input_ != nullptr) {
        inputOpened_ = true;
        inputFailed_ = !decoded_.Open(input_);
    }
    return inputFailed_ ? nullptr : decoded_.Get();
}

// Of what is read, so that a decoded copy's progress is measured against its own size.
int64_t ImportRun::GetFilePosition() const {
    if (!IsOpen()) {
        return -1;
    }
    const StdioFile* read = decoded_.Get() != nullptr ? decoded_.Get() : input_;
    return static_cast<int64_t>(std::ftell(read->GetFile()));
}

int64_t ImportRun::GetFileSize() const {
    if (!IsOpen()) {
        return -1;
    }
    const StdioFile* read = decoded_.Get() != nullptr ? decoded_.Get() : input_;
    return static_cast<int64_t>(read->Size());
}

std::string ImportRun::ConvertText(const std::string& text) const {
    const bool saysUTF8 = settings_ != nullptr && settings_->GetInt("importutf8", 0) == 1;
    // Kept as they stood, 8-bit bytes beside the event's UTF-8 would make the whole event file
    // read as 8-bit text at its next opening.
    if (saysUTF8 && !toldNotUTF8_ && !IsValidUTF8(text)) {
        toldNotUTF8_ = true;
        ReportMessage(SeverityWarning,
                      "The file holds text that is not UTF-8, though the setting 'importutf8' "
                      "says it is: that text is read as Windows-1252");
    }
    // Every imported value is one line; a NUL or a line break inside one would reach the
    // event file.
    return OneLineText(DecodeImportedText(text));
}

bool ImportRun::ReadLine(std::string& line) {
    StdioFile* input = IsOpen() ? GetInput() : nullptr;
    if (input == nullptr || !input->ReadLine(line)) {
        return false;
    }
    if (!readAnyLine_) {
        readAnyLine_ = true;
        line = StripByteOrderMark(line);
    }
    return true;
}

bool ImportRun::AddTeacher(std::unique_ptr<Teacher> teacher) {
    if (target_ == nullptr || !teacher) {
        return false;
    }
    target_->FitAttendanceToDays(teacher.get());
    // Through the schedule, not the event alone: a teacher imported straight into an open
    // timetable needs its row on every day.
    return target_->AddTeacher(std::move(teacher));
}

bool ImportRun::CreateParentForPupil(std::unique_ptr<Pupil> pupil, const Parent& parentTemplate) {
    if (target_ == nullptr || !pupil || !target_->GetEvent()) {
        return false;
    }
    if (!families_) {
        families_ = std::make_unique<FamilyIdentity>(target_->GetEvent()->GetParents());
    }
    FamilyLine line = FamilyLine::Of(parentTemplate);
    line.name = TrimImported(parentTemplate.GetName());
    line.children = {{pupil->GetName(), pupil->GetForm()}};
    line.listed = true;
    const FamilyIdentity::Placement placement = families_->Place(line);
    if (const Pupil* held = placement.children.front()) {
        const std::string which = "Pupil '" + pupil->GetName() + "' of '" +
                                  held->GetParent()->GetName() + "' was imported already, so ";
        const unsigned record = GetRecordLine();
        ReportMessage(SeverityWarning,
                      which + (record == 0 ? std::string("it is not imported again")
                                           : StringPrintf("line %u of the file is not imported "
                                                          "again",
                                                          record)));
        return true;
    }
    if (placement.family != nullptr) {
        return placement.family->AddPupil(std::move(pupil));
    }
    auto parent = std::make_unique<Parent>(parentTemplate);
    FamilyIdentity::Name(*parent, placement);
    parent->AddPupil(std::move(pupil));
    target_->FitAttendanceToDays(parent.get());
    Parent* added = parent.get();
    if (!target_->AddParent(std::move(parent))) {
        return false;
    }
    families_->Added(added);
    return true;
}

ImportOutcome RunImport(ImportRun& run) {
    bool more = false;
    bool ok = run.Import(more);
    while (ok && more) {
        ok = run.Import(more);
    }
    return ok ? ImportOutcome::Finished : ImportOutcome::Failed;
}
