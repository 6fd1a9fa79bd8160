#include "foundation/uc_unique_ordered.h"

#include <cstdlib>
#include <utility>
#include <vector>

void UCUniqueOrdered::Remove(const UCCollectable* element) {
    int index = items_.IndexOf(element);
    if (index >= 0) {
        items_.RemoveAt(static_cast<unsigned>(index));
    }
}

void UCUniqueOrdered::Sort(const UCSortOrder& order) {
    unsigned count = Count();
    if (count <= 1) {
        return;
    }
    // An explicit stack instead of recursion: runs of equal keys can make one side as long as
    // the list. Ranges are taken in the order the recursion would visit them (left, then right).
    std::vector<std::pair<unsigned, unsigned>> ranges{{0u, count - 1}};
    while (!ranges.empty()) {
        auto [lo, hi] = ranges.back();
        ranges.pop_back();
        if (hi <= lo) {
            continue;
        }
        if (hi == lo + 1) {
            if (order.Compare(At(lo), At(hi)) > 0) {
                Swap(lo, hi);
            }
            continue;
        }
        unsigned p = Partition(order, lo, hi);
        if (p < count - 1) {
            ranges.emplace_back(p + 1, hi);
        }
        if (p > 0) {
            ranges.emplace_back(lo, p - 1);
        }
    }
}

// The scans are bounded by lo and hi even where a consistent order would stop them anyway, so
// an inconsistent comparator can spoil the order but never reach outside the range.
unsigned UCUniqueOrdered::Partition(const UCSortOrder& order, unsigned lo, unsigned hi) {
    unsigned q;
    if (std::rand() % 2 == 0) {
        q = MedianOfThree(order, lo, hi);
    } else {
        q = lo + static_cast<unsigned>(std::rand()) % (hi - lo);
    }
    unsigned i = lo;
    unsigned j = hi;
    if ((lo + hi) % 3 == 0) {
        // Elements equal to the pivot gather on the left.
        Swap(lo, q);
        const UCCollectable* pivot = At(lo);
        for (;;) {
            while (i < hi && order.Compare(At(i), pivot) <= 0) {
                ++i;
            }
            while (j > lo && order.Compare(At(j), pivot) > 0) {
                --j;
            }
            if (i >= j) {
                break;
            }
            Swap(i, j);
        }
        Swap(lo, j);
        return j;
    }
    // Elements equal to the pivot gather on the right.
    Swap(hi, q);
    const UCCollectable* pivot = At(hi);
    for (;;) {
        while (i < hi && order.Compare(At(i), pivot) < 0) {
            ++i;
        }
        while (j > lo && order.Compare(At(j), pivot) >= 0) {
            --j;
        }
        if (i >= j) {
            break;
        }
        Swap(i, j);
    }
    Swap(hi, i);
    return i;
}

unsigned UCUniqueOrdered::MedianOfThree(const UCSortOrder& order, unsigned lo, unsigned hi) const {
    unsigned mid = (lo + hi) / 2;
    int a = order.Compare(At(lo), At(mid));
    int b = order.Compare(At(mid), At(hi));
    int c = order.Compare(At(lo), At(hi));
    if (a == 0 && b != 0) {
        return hi;
    }
    if (b == 0 && a != 0) {
        return lo;
    }
    if (a != c) {
        return lo;
    }
    if (b != a) {
        return hi;
    }
    return mid;
}
