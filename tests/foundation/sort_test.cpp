#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "foundation/uc_unique_ordered.h"

namespace {

class Keyed : public UCCollectable {
public:
    explicit Keyed(int key) : key(key) {}
    const char* GetClassName() const override { return "Keyed"; }
    int key;
};

class Other : public UCCollectable {
public:
    const char* GetClassName() const override { return "Other"; }
};

class ByKey : public UCSortOrder {
public:
    int Compare(const UCCollectable* a, const UCCollectable* b) const override {
        ++calls;
        int x = static_cast<const Keyed*>(a)->key;
        int y = static_cast<const Keyed*>(b)->key;
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    mutable int calls = 0;
};

// Says "smaller" (or "greater") whatever it is asked, even of an element and itself.
class AlwaysAnswers : public UCSortOrder {
public:
    explicit AlwaysAnswers(int answer) : answer_(answer) {}
    int Compare(const UCCollectable*, const UCCollectable*) const override { return answer_; }

private:
    int answer_;
};

// Fixed but inconsistent: no transitivity, and a < b together with b < a for some pairs.
class Inconsistent : public UCSortOrder {
public:
    int Compare(const UCCollectable* a, const UCCollectable* b) const override {
        unsigned h = static_cast<unsigned>(static_cast<const Keyed*>(a)->key * 7919 +
                                           static_cast<const Keyed*>(b)->key * 104729);
        return static_cast<int>((h >> 3) % 3) - 1;
    }
};

// A collection that owns its Keyed elements for the length of a test.
struct Fixture {
    explicit Fixture(const std::vector<int>& keys) {
        for (int key : keys) {
            list.Append(new Keyed(key));
        }
    }
    ~Fixture() { list.DeleteAll(); }
    std::vector<int> Keys() const {
        std::vector<int> keys;
        for (const UCCollectable* element : list) {
            keys.push_back(static_cast<const Keyed*>(element)->key);
        }
        return keys;
    }
    UCUniqueOrdered list;
};

std::vector<int> RandomKeys(unsigned count, int range) {
    std::vector<int> keys;
    for (unsigned i = 0; i < count; ++i) {
        keys.push_back(std::rand() % range);
    }
    return keys;
}

}  // namespace

TEST(UCSortOrder, PutsNullsFirstThenOrdersByClassNameThenAddress) {
    UCSortOrder order;
    Keyed k1(1), k2(2);
    Other other;
    EXPECT_EQ(order.Compare(nullptr, nullptr), 0);
    EXPECT_EQ(order.Compare(nullptr, &k1), -1);
    EXPECT_EQ(order.Compare(&k1, nullptr), 1);
    EXPECT_EQ(order.Compare(&k1, &other), -1);
    EXPECT_EQ(order.Compare(&other, &k1), 1);
    EXPECT_EQ(order.Compare(&k1, &k1), 0);
    int byAddress = std::less<const void*>()(&k1, &k2) ? -1 : 1;
    EXPECT_EQ(order.Compare(&k1, &k2), byAddress);
    EXPECT_EQ(order.Compare(&k2, &k1), -byAddress);
}

TEST(UCUniqueOrdered, SortingTwoComparesOnceAndSwapsOnlyWhenGreater) {
    for (auto [first, second, swapped] : {std::tuple{2, 1, true}, {1, 2, false}, {1, 1, false}}) {
        Fixture f({first, second});
        ByKey order;
        f.list.Sort(order);
        EXPECT_EQ(order.calls, 1);
        EXPECT_EQ(f.Keys()[0], swapped ? second : first);
    }
}

TEST(UCUniqueOrdered, SortingNoneOrOneComparesNothing) {
    for (unsigned count : {0u, 1u}) {
        Fixture f(std::vector<int>(count, 5));
        ByKey order;
        f.list.Sort(order);
        EXPECT_EQ(order.calls, 0);
        EXPECT_EQ(f.list.Count(), count);
    }
}

// Regression: two nulls once compared as unequal, and a null pivot then left the list unsorted.
TEST(UCUniqueOrdered, BaseOrderPutsNullsFirstAndGroupsByClassThenAddress) {
    std::vector<std::unique_ptr<UCCollectable>> objects;
    for (int i = 0; i < 12; ++i) {
        if (i % 3 == 0) {
            objects.push_back(std::make_unique<Other>());
        } else {
            objects.push_back(std::make_unique<Keyed>(i));
        }
    }
    UCSortOrder order;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::srand(seed);
        UCUniqueOrdered list;
        for (int i = 11; i >= 0; --i) {
            list.Append(objects[static_cast<size_t>(i)].get());
        }
        list.Insert(nullptr, 5);
        list.Append(nullptr);
        list.Sort(order);
        ASSERT_EQ(list.Count(), 14u);
        EXPECT_EQ(list.Get(0), nullptr) << "seed " << seed;
        EXPECT_EQ(list.Get(1), nullptr) << "seed " << seed;
        for (unsigned i = 2; i + 1 < list.Count(); ++i) {
            EXPECT_LT(order.Compare(list.At(i), list.At(i + 1)), 0) << "seed " << seed;
        }
        EXPECT_STREQ(list.At(2)->GetClassName(), "Keyed");
        EXPECT_STREQ(list.At(13)->GetClassName(), "Other");
    }
}

TEST(UCUniqueOrdered, SortsRandomDataWithDuplicatesWhateverTheSeed) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::srand(seed);
        std::vector<int> keys = RandomKeys(seed * 3, seed % 2 == 0 ? 4 : 1000);
        Fixture f(keys);
        f.list.Sort(ByKey());
        std::sort(keys.begin(), keys.end());
        EXPECT_EQ(f.Keys(), keys) << "seed " << seed;
    }
}

TEST(UCUniqueOrdered, SortsLongRunsOfEqualKeys) {
    std::srand(3);
    Fixture f(std::vector<int>(3000, 9));
    f.list.Append(new Keyed(1));
    f.list.Sort(ByKey());
    std::vector<int> keys = f.Keys();
    EXPECT_EQ(keys.front(), 1);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
}

TEST(UCUniqueOrdered, InconsistentOrdersKeepEveryElementAndStayInRange) {
    AlwaysAnswers smaller(-1), greater(1);
    Inconsistent inconsistent;
    const UCSortOrder* orders[] = {&smaller, &greater, &inconsistent};
    for (const UCSortOrder* order : orders) {
        for (unsigned count = 0; count <= 40; ++count) {
            std::srand(count);
            std::vector<int> keys = RandomKeys(count, 5);
            Fixture f(keys);
            f.list.Sort(*order);
            std::vector<int> sorted = f.Keys();
            std::sort(sorted.begin(), sorted.end());
            std::sort(keys.begin(), keys.end());
            EXPECT_EQ(sorted, keys) << "count " << count;
        }
    }
}

TEST(UCUniqueOrdered, RemoveTakesOutTheFirstMatchWithoutDeletingIt) {
    Keyed a(1), b(2);
    UCUniqueOrdered list;
    list.Append(&a);
    list.Append(&b);
    list.Append(&a);
    list.Remove(&a);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.At(0), &b);
    EXPECT_EQ(list.At(1), &a);
    Keyed absent(3);
    list.Remove(&absent);
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_STREQ(list.GetClassName(), "UCUniqueOrdered");
    list.Clear();
}
