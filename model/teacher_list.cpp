#include "foundation/string_functions.h"
#include "model/person_csv_export.h"
#include "model/person_list.h"
#include "model/teacher.h"

Teacher* TeacherList::FindByNameOrInitials(const std::string& text) const {
    if (text.empty()) {
        return nullptr;
    }
    for (unsigned i = 0; i < Count(); ++i) {
        Teacher* teacher = At(i);
        if (EqualsIgnoringCase(teacher->GetName(), text) ||
            EqualsIgnoringCase(teacher->GetInitials(), text)) {
            return teacher;
        }
    }
    return nullptr;
}

int TeacherList::IndexOf(const Teacher* teacher) const {
    return IndexOfPerson(teacher);
}

void TeacherList::RemovePresentation(Presentation* presentation) {
    for (unsigned i = 0; i < Count(); ++i) {
        At(i)->RemovePresentation(presentation);
    }
}

bool TeacherList::ExportCSV(const std::string& fileName) const {
    CsvExportFile file(fileName);
    if (!file.IsOpen()) {
        return false;
    }
    file.WriteLine("Name,Initials,Location\n");
    for (unsigned i = 0; i < Count(); ++i) {
        const Teacher* teacher = At(i);
        file.WriteRow({teacher->GetName(), teacher->GetInitials(), teacher->GetLocation()});
    }
    return file.Commit();
}
