#pragma once

#include <vector>

#include "model/person_list.h"
#include "model/print_settings.h"

class Parent;
class QMController;
class Schedule;
class Teacher;

// One sheet to produce: a teacher's or a parent's handout for one day.
struct PrintSheet {
    Teacher* teacher = nullptr;
    Parent* parent = nullptr;
    Schedule* day = nullptr;
};

// The sheets a printout produces under a set of print settings, person by person and, within a
// person, day by day; no one's whose handouts and overviews are both left out. Built whole from the
// controller's loaded event; the lists do not own the people.
class PrintSelection {
public:
    PrintSelection(QMController* controller, const PrintSettings& settings);
    PrintSelection(const PrintSelection&) = delete;
    PrintSelection& operator=(const PrintSelection&) = delete;

    std::vector<PrintSheet> teacherSheets;
    std::vector<PrintSheet> parentSheets;
    // The chosen people, parents in the print order; overviews are drawn from these.
    ParentList parents{50};
    TeacherList teachers{50};

    QMController* GetController() const { return controller_; }
    const PrintSettings& GetSettings() const { return settings_; }

private:
    void ChooseParents();
    void ChooseTeachers();
    void MakeSheets();

    QMController* controller_;
    PrintSettings settings_;
};
