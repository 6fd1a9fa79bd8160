#include "foundation/string_functions.h"
#include "model/person_csv_export.h"
#include "model/person_list.h"
#include "model/teacher.h"

Teacher* TeacherList::FindByNameOrInitials(const std::string& typed) const {
    // Compared as the file compares them: names and initials are kept trimmed.
    const std::string text = TrimmedName(typed);
    if (text.empty()) {
        return nullptr;
    }
    // Importing thousands of teachers asks twice for each: a scan would make that quadratic.
    const bool ready = byNameOrInitials_.Ready(
        Version(), Person::IndexEpoch(Person::IndexedByTeacherName), [this] {
            for (unsigned i = 0; i < Count(); ++i) {
                Record(At(i), i);
            }
        });
    if (ready) {
        const auto found = byNameOrInitials_.table.find(FoldASCIICase(text));
        return found == byNameOrInitials_.table.end() ? nullptr : At(found->second);
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

void TeacherList::Record(Teacher* teacher, unsigned index) const {
    if (teacher == nullptr) {
        return;
    }
    teacher->MarkIndexed(Person::IndexedByTeacherName);
    // The first teacher with either stays the one found.
    if (!teacher->GetName().empty()) {
        byNameOrInitials_.table.emplace(FoldASCIICase(teacher->GetName()), index);
    }
    if (!teacher->GetInitials().empty()) {
        byNameOrInitials_.table.emplace(FoldASCIICase(teacher->GetInitials()), index);
    }
}

void TeacherList::Append(Teacher* teacher) {
    const bool current =
        byNameOrInitials_.IsCurrent(Version(), Person::IndexEpoch(Person::IndexedByTeacherName));
    PersonListOf<Teacher>::Append(teacher);
    if (current) {
        Record(teacher, Count() - 1);
        byNameOrInitials_.version = Version();
    }
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
