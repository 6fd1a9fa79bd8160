#pragma once

class Event;
class MultiDaySchedule;

// Who a people import brings in: teachers, or pupils with their parents.
enum class PeopleImport { Teachers, Pupils };

// An import of people runs into a preview event; once the user accepts it, its teachers (or its
// parents with their pupils) move into the open schedule.

// Moves each teacher (or parent with its pupils) of the preview into the target, in list order.
// The first person the target refuses is reported by name ("Teacher 'X' failed to import") and
// ends the move: it and those after it are freed. The preview's list ends empty. Answers how
// many moved.
int MoveImportedPeople(Event& preview, MultiDaySchedule& target, PeopleImport who);
