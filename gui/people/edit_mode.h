#pragma once

// Whether an editor adds something new (not yet in the event) or edits what the event holds.
enum class EditMode { Add, Edit };
