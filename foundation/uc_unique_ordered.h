#pragma once

#include "foundation/uc_collectable.h"
#include "foundation/uc_ptr_vector.h"
#include "foundation/uc_sort_order.h"

// A collection of UCCollectable objects sorted in place by a randomised quicksort. It rejects
// no duplicates itself, and deletes its elements only when asked (DeleteAll).
class UCUniqueOrdered : public UCCollectable {
public:
    explicit UCUniqueOrdered(unsigned initialCapacity = 16) : items_(initialCapacity) {}
    const char* GetClassName() const override { return "UCUniqueOrdered"; }

    unsigned Count() const { return items_.Count(); }
    UCCollectable*& At(unsigned i) { return items_.At(i); }
    UCCollectable* At(unsigned i) const { return items_.At(i); }
    UCCollectable* Get(unsigned i) const { return items_.Get(i); }
    void Append(UCCollectable* element) { items_.Append(element); }
    bool Insert(UCCollectable* element, unsigned index) { return items_.Insert(element, index); }
    UCCollectable* RemoveAt(unsigned i) { return items_.RemoveAt(i); }
    UCCollectable* Pop() { return items_.Pop(); }
    void Clear() { items_.Clear(); }
    int IndexOf(const UCCollectable* element) const { return items_.IndexOf(element); }
    void Swap(unsigned i, unsigned j) { items_.Swap(i, j); }

    // Removes the first slot holding element, without deleting it; absent elements are ignored.
    void Remove(const UCCollectable* element);
    // Pops and deletes every element.
    void DeleteAll() { items_.DeleteAll(); }

    // Equal elements may come out in a different order from run to run (pivots use rand).
    void Sort(const UCSortOrder& order);

    UCPtrVectorT<UCCollectable>::iterator begin() { return items_.begin(); }
    UCPtrVectorT<UCCollectable>::iterator end() { return items_.end(); }
    UCPtrVectorT<UCCollectable>::const_iterator begin() const { return items_.begin(); }
    UCPtrVectorT<UCCollectable>::const_iterator end() const { return items_.end(); }

private:
    UCPtrVectorT<UCCollectable> items_;
};
