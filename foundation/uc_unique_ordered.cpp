#include "foundation/uc_unique_ordered.h"

#include "foundation/quick_sort.h"

void UCUniqueOrdered::Remove(const UCCollectable* element) {
    int index = items_.IndexOf(element);
    if (index >= 0) {
        items_.RemoveAt(static_cast<unsigned>(index));
    }
}

void UCUniqueOrdered::Sort(const UCSortOrder& order) {
    QuickSort(
        Count(), [&](unsigned i, unsigned j) { return order.Compare(At(i), At(j)); },
        [&](unsigned i, unsigned j) { Swap(i, j); });
}
