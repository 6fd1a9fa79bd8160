#pragma once

#include <cstdlib>
#include <utility>
#include <vector>

// The randomised quicksort of the program's sorted lists, on element indexes: compare(i, j)
// compares elements i and j (negative, 0, positive), swap(i, j) exchanges them. Pivots are
// drawn with rand, so elements that compare equal may come out in any order, but a seeded rand
// gives the same draws and the same result every time.
namespace quick_sort_detail {

template <typename Compare>
unsigned MedianOfThree(Compare& compare, unsigned lo, unsigned hi) {
    const unsigned mid = (lo + hi) / 2;
    const int a = compare(lo, mid);
    const int b = compare(mid, hi);
    const int c = compare(lo, hi);
    if (a == 0 && b != 0) {
        return hi;
    }
    if (b == 0 && a != 0) {
        return lo;
    }
    if (a != c) {
        return lo;
    }
    return b != a ? hi : mid;
}

// Only an inconsistent comparator (one that calls an element unequal to itself) lets the scans
// swap the pivot away; the pivot element is then followed, so it stays the one compared against.
template <typename Swap>
void SwapFollowingPivot(Swap& swap, unsigned i, unsigned j, unsigned& pivot) {
    swap(i, j);
    if (pivot == i) {
        pivot = j;
    } else if (pivot == j) {
        pivot = i;
    }
}

// Returns the pivot's final index. The scans are bounded by lo and hi even where a consistent
// order would stop them anyway, so an inconsistent comparator can spoil the order but never
// reach outside the range.
template <typename Compare, typename Swap>
unsigned Partition(Compare& compare, Swap& swap, unsigned lo, unsigned hi) {
    unsigned q;
    if (std::rand() % 2 == 0) {
        q = MedianOfThree(compare, lo, hi);
    } else {
        q = lo + static_cast<unsigned>(std::rand()) % (hi - lo);
    }
    unsigned i = lo;
    unsigned j = hi;
    if ((lo + hi) % 3 == 0) {
        // Elements equal to the pivot gather on the left.
        swap(lo, q);
        unsigned pivot = lo;
        for (;;) {
            while (i < hi && compare(i, pivot) <= 0) {
                ++i;
            }
            while (j > lo && compare(j, pivot) > 0) {
                --j;
            }
            if (i >= j) {
                break;
            }
            SwapFollowingPivot(swap, i, j, pivot);
        }
        swap(lo, j);
        return j;
    }
    // Elements equal to the pivot gather on the right.
    swap(hi, q);
    unsigned pivot = hi;
    for (;;) {
        while (i < hi && compare(i, pivot) < 0) {
            ++i;
        }
        while (j > lo && compare(j, pivot) >= 0) {
            --j;
        }
        if (i >= j) {
            break;
        }
        SwapFollowingPivot(swap, i, j, pivot);
    }
    swap(hi, i);
    return i;
}

}  // namespace quick_sort_detail

template <typename Compare, typename Swap>
void QuickSort(unsigned count, Compare compare, Swap swap) {
    if (count <= 1) {
        return;
    }
    // An explicit stack instead of recursion: runs of equal keys can make one side as long as
    // the list. Ranges are taken in the order the recursion would visit them (left, then right),
    // so the rand draws come in the same order.
    std::vector<std::pair<unsigned, unsigned>> ranges{{0u, count - 1}};
    while (!ranges.empty()) {
        const auto [lo, hi] = ranges.back();
        ranges.pop_back();
        if (hi <= lo) {
            continue;
        }
        if (hi == lo + 1) {
            if (compare(lo, hi) > 0) {
                swap(lo, hi);
            }
            continue;
        }
        const unsigned p = quick_sort_detail::Partition(compare, swap, lo, hi);
        if (p < count - 1) {
            ranges.emplace_back(p + 1, hi);
        }
        if (p > 0) {
            ranges.emplace_back(lo, p - 1);
        }
    }
}
