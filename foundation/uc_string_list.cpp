#include "foundation/uc_string_list.h"

// The list is header-only; this file anchors it in the library.
