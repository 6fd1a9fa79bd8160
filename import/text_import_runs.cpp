#include "import/text_import_runs.h"

#include <memory>

#include "model/parent.h"
#include "model/pupil.h"
#include "model/teacher.h"

bool TextTeachersImportRun::Import(bool& more) {
    more = false;
    if (!IsOpen()) {
        return false;
    }
    std::string name;
    if (!ReadLine(name)) {
        return true;
    }
    more = true;
    name = TrimImported(name);
    if (name.empty()) {
        return true;
    }
    auto teacher = std::make_unique<Teacher>();
    teacher->SetName(ConvertText(name));
    if (!AddTeacher(std::move(teacher))) {
        more = false;
        return false;
    }
    return true;
}

bool TextPupilsImportRun::Import(bool& more) {
    more = false;
    if (!IsOpen()) {
        return false;
    }
    std::string name;
    if (!ReadLine(name)) {
        return true;
    }
    more = true;
    name = TrimImported(name);
    if (name.empty()) {
        return true;
    }
    auto pupil = std::make_unique<Pupil>();
    pupil->SetName(ConvertText(name));
    Parent parentTemplate;
    if (!CreateParentForPupil(std::move(pupil), parentTemplate)) {
        more = false;
        return false;
    }
    return true;
}
