#include "import/import_run.h"

#include "app/user_settings.h"
#include "foundation/files.h"
#include "foundation/string_functions.h"
#include "foundation/uc_error.h"
#include "import/text_encoding.h"
#include "model/event.h"
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

bool ImportRun::CreateParentForPupil(std::unique_ptr<Pupil> pupil, Parent& parentTemplate) {
    if (target_ == nullptr || !pupil || !target_->GetEvent()) {
        return false;
    }
    if (!heldTaken_) {
        heldTaken_ = true;
        const ParentList& parents = target_->GetEvent()->GetParents();
        for (unsigned i = 0; i < parents.Count(); ++i) {
            const Parent* family = parents.At(i);
            for (unsigned k = 0; k < family->GetPupilCount(); ++k) {
                ++heldBefore_[family][FoldASCIICase(family->GetPupil(k)->GetName())];
            }
        }
    }
    if (const Parent* family = FindFamily(*target_, *pupil, parentTemplate)) {
        const auto held = heldBefore_.find(family);
        int* left =
            held == heldBefore_.end() ? nullptr : &held->second[FoldASCIICase(pupil->GetName())];
        if (left != nullptr && *left > 0) {
            --*left;
            const std::string which = "Pupil '" + pupil->GetName() + "' of '" + family->GetName() +
                                      "' was imported already, so ";
            const unsigned line = GetRecordLine();
            ReportMessage(SeverityWarning,
                          which + (line == 0 ? std::string("it is not imported again")
                                             : StringPrintf("line %u of the file is not imported "
                                                            "again",
                                                            line)));
            return true;
        }
    }
    return AddPupilWithParent(*target_, std::move(pupil), parentTemplate);
}

Parent* FindFamily(MultiDaySchedule& target, const Pupil& pupil, Parent& parentTemplate) {
    if (!target.GetEvent()) {
        return nullptr;
    }
    std::string name = TrimImported(parentTemplate.GetName());
    if (name.empty()) {
        name = "Parents of " + pupil.GetName();
    }
    const std::string address = parentTemplate.GetAddress(0);
    const std::string toldApart = " (" + address + ")";
    // A preview whose list held a namesake first has already told this family apart by its
    // address; the event may hold it under the plain name, so it is looked for by both.
    if (parentTemplate.GetUniqueId().empty() && name.size() > toldApart.size() &&
        name.compare(name.size() - toldApart.size(), toldApart.size(), toldApart) == 0) {
        name = TrimImported(name.substr(0, name.size() - toldApart.size()));
    }
    parentTemplate.SetName(name);
    ParentList& parents = target.GetEvent()->GetParents();

    Parent* existing = parents.FindByKey(parentTemplate.GetUniqueIdOrName());
    // A list without addresses, or an event whose family was typed in without one, says
    // nothing to tell a family apart by: its children would be doubled.
    if (existing != nullptr && existing->GetAddress(0) != address && !address.empty() &&
        !existing->GetAddress(0).empty()) {
        // Another family of the same name: told apart by the first line of the address, which
        // also finds this family again for its next child.
        parentTemplate.SetName(name + toldApart);
        existing = parents.FindByKey(parentTemplate.GetUniqueIdOrName());
        if (existing != nullptr && existing->GetAddress(0) != address) {
            existing = nullptr;
        }
    } else if (existing == nullptr && parentTemplate.GetUniqueId().empty()) {
        // A family once told apart from a namesake keeps its longer name after the namesake has
        // gone or been renamed, and is still found by it.
        parentTemplate.SetName(name + toldApart);
        existing = parents.FindByKey(parentTemplate.GetUniqueIdOrName());
        if (existing == nullptr || existing->GetAddress(0) != address) {
            existing = nullptr;
            parentTemplate.SetName(name);
        }
    }
    if (existing == nullptr) {
        // A list without the school's numbers still brings the family the event holds by one,
        // and a numbered list the family typed in by name: added again, its children would be
        // doubled.
        existing = parents.FindSameFamily(name, address, parentTemplate.GetUniqueId());
    }
    return existing;
}

bool AddPupilWithParent(MultiDaySchedule& target, std::unique_ptr<Pupil> pupil,
                        Parent& parentTemplate) {
    if (!pupil || !target.GetEvent()) {
        return false;
    }
    if (Parent* existing = FindFamily(target, *pupil, parentTemplate)) {
        return existing->AddPupil(std::move(pupil));
    }
    auto parent = std::make_unique<Parent>(parentTemplate);
    parent->AddPupil(std::move(pupil));
    target.FitAttendanceToDays(parent.get());
    return target.AddParent(std::move(parent));
}

ImportOutcome RunImport(ImportRun& run) {
    bool more = false;
    bool ok = run.Import(more);
    while (ok && more) {
        ok = run.Import(more);
    }
    return ok ? ImportOutcome::Finished : ImportOutcome::Failed;
}
