#include "gui/main/quillmoot_frame.h"

// The people and presentation editors arrive with their dialogs; until their commands are
// bound, HasCommand keeps the views from calling these.
void QuillmootFrame::EditTeacher(Teacher*) {}

void QuillmootFrame::EditParent(Parent*) {}

void QuillmootFrame::EditPupil(Pupil*) {}

void QuillmootFrame::EditPresentation(Presentation*) {}
