#include "foundation/uc_sort_order.h"

#include <cstring>
#include <functional>

int UCSortOrder::Compare(const UCCollectable* a, const UCCollectable* b) const {
    // Two nulls are equal: an element that is not equal to itself as pivot unsorts the list.
    if (a == nullptr) {
        return b == nullptr ? 0 : -1;
    }
    if (b == nullptr) {
        return 1;
    }
    int byName = std::strcmp(a->GetClassName(), b->GetClassName());
    if (byName != 0) {
        return byName < 0 ? -1 : 1;
    }
    if (a == b) {
        return 0;
    }
    return std::less<const UCCollectable*>()(a, b) ? -1 : 1;
}
