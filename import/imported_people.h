#pragma once

class Event;
class MultiDaySchedule;

// Who a people import brings in: teachers, or pupils with their parents.
enum class PeopleImport { Teachers, Pupils };

// An import of people runs into a preview event; once the user accepts it, its teachers (or its
// parents with their pupils) move into the open schedule.

// People are counted one by one: teachers, or pupils (a parent comes with its pupils).
struct MovedPeople {
    int added = 0;
    int refused = 0;
};

// Moves each teacher (or each pupil with its parent) of the preview into the target, in list
// order. A pupil whose family the target already holds (FamilyIdentity decides, as for an
// import's brother or sister) joins that family; a child the target held already is refused.
// Whoever the target refuses is freed and the rest still move; when any was refused, one Error says
// how many moved and how many did not, each refused person named on a line of its own ("Teacher 'X'
// failed to import") after the target's reason. The preview's list ends empty.
MovedPeople MoveImportedPeople(Event& preview, MultiDaySchedule& target, PeopleImport who);
