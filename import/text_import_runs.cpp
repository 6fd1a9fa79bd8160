#include "import/text_import_runs.h"

#include <memory>

#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

bool TextListImportRun::Import(bool& more) {
    more = false;
    if (!IsOpen()) {
        return false;
    }
    std::string name;
    if (!ReadLine(name)) {
        return !InputFailed();
    }
    more = true;
    // Control bytes go before the test for an empty line: a line of them is no name.
    name = TrimImported(ConvertText(name));
    if (name.empty()) {
        return true;
    }
    if (!AddName(name)) {
        more = false;
        return false;
    }
    return true;
}

// Made as the event file's reader makes them, so that what the preview shows is what the
// saved event opens with.
bool TextTeachersImportRun::AddName(const std::string& name) {
    auto teacher = std::make_unique<Teacher>(name);
    teacher->AddSubject(std::string());
    return AddTeacher(std::move(teacher));
}

bool TextPupilsImportRun::AddName(const std::string& name) {
    auto pupil = std::make_unique<Pupil>(name);
    Parent parentTemplate;
    return CreateParentForPupil(std::move(pupil), parentTemplate);
}
