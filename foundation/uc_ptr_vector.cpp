#include "foundation/uc_ptr_vector.h"

// The vectors are header-only; this file anchors them in the library.
