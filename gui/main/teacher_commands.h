#pragma once

class Teacher;
struct CommandContext;

// The teacher editor in a change of its own: modal, applied on OK.
void EditTeacher(const CommandContext& context, Teacher* teacher);
