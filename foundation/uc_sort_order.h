#pragma once

#include "foundation/uc_collectable.h"

// The comparator that sorts a UCUniqueOrdered. Subclasses order by their own keys; every
// Compare must return -1, 0 or 1 and be a strict weak order.
class UCSortOrder {
public:
    virtual ~UCSortOrder() = default;
    // The base order: null first, then by class name, then by address.
    virtual int Compare(const UCCollectable* a, const UCCollectable* b) const;
};
