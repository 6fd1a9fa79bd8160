#include "model/print_settings.h"

void PrintSettings::SelectSingleParent(int index) {
    SelectSinglePerson(true, index);
}

void PrintSettings::SelectSingleTeacher(int index) {
    SelectSinglePerson(false, index);
}

// One person's handout only, printed even when their results were already sent.
void PrintSettings::SelectSinglePerson(bool parent, int index) {
    parentIndex_ = parent ? index : -1;
    teacherIndex_ = parent ? -1 : index;
    parents_ = parent;
    teachers_ = !parent;
    pupils_ = false;
    teacherOverviews_ = false;
    parentOverviews_ = false;
    includeAlreadySent_ = true;
}

void PrintSettings::SetParentNotes(const std::string& notes) {
    parentNotes_ = notes;
    modified_ = true;
}

void PrintSettings::SetTeacherNotes(const std::string& notes) {
    teacherNotes_ = notes;
    modified_ = true;
}
