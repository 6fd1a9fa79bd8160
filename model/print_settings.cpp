#include "model/print_settings.h"

void PrintSettings::SelectSingleParent(int index) {
    parentIndex_ = index;
    teacherIndex_ = -1;
    teachers_ = false;
    parents_ = true;
    pupils_ = false;
    teacherOverviews_ = false;
    parentOverviews_ = false;
    includeAlreadySent_ = true;
}

void PrintSettings::SelectSingleTeacher(int index) {
    teacherIndex_ = index;
    parentIndex_ = -1;
    teachers_ = true;
    parents_ = false;
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
