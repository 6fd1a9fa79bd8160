#pragma once

class Parent;
class Presentation;
class Pupil;
struct CommandContext;

// The people editors, each in a change of its own: modal, applied on OK.
void EditParent(const CommandContext& context, Parent* parent);
void EditPupil(const CommandContext& context, Pupil* pupil);
// The pupil editor on the parent's index-th pupil.
void EditPupilOfParent(const CommandContext& context, Parent* parent, unsigned index);
void EditPresentation(const CommandContext& context, Presentation* presentation);
