#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "foundation/byte_buffer.h"
#include "foundation/uc_ptr_vector.h"
#include "foundation/uc_string_list.h"
#include "support/temp_folder.h"

TEST(ByteBuffer, NewBuffersAreZeroFilledAndNeverEmpty) {
    ByteBuffer standard;
    EXPECT_EQ(standard.Size(), 20);
    EXPECT_EQ(standard.ToString(), std::string(20, '\0'));

    ByteBuffer zero(0);
    EXPECT_EQ(zero.Size(), 1);
    EXPECT_EQ(*zero.At(0), '\0');
}

TEST(ByteBuffer, GrowingAddsTheStepAndKeepsTheBytes) {
    ByteBuffer buffer(20);
    for (int i = 0; i < 20; ++i) {
        *buffer.At(i) = static_cast<char>('a' + i);
    }
    buffer.SetSize(25);
    EXPECT_EQ(buffer.Size(), 25);
    EXPECT_EQ(buffer.Capacity(), 45);
    EXPECT_EQ(buffer.ToString().substr(0, 20), "abcdefghijklmnopqrst");

    buffer.SetSize(3);  // shrinking keeps the block
    EXPECT_EQ(buffer.Capacity(), 45);
    EXPECT_EQ(buffer.ToString(), "abc");

    buffer.SetSize(-5);
    EXPECT_EQ(buffer.Size(), 0);
    EXPECT_EQ(buffer.ToString(), "");
}

TEST(ByteBuffer, CopiesAreIndependentAndKeepEmbeddedZeros) {
    const char bytes[] = {'x', '\0', 'y'};
    ByteBuffer original(bytes, 3);
    ByteBuffer copy(original);
    ByteBuffer assigned;
    assigned = original;
    *original.At(0) = 'z';
    EXPECT_EQ(copy.ToString(), std::string(bytes, 3));
    EXPECT_EQ(assigned.ToString(), std::string(bytes, 3));
    EXPECT_EQ(assigned.Size(), 3);

    ByteBuffer small(1);
    small = ByteBuffer(std::string(100, 'q').data(), 100);
    EXPECT_EQ(small.ToString(), std::string(100, 'q'));
}

TEST(ByteBuffer, SavesExactlyItsBytes) {
    TempFolder folder;
    const char bytes[] = {'a', '\0', '\n', 'b'};
    ByteBuffer buffer(bytes, 4);
    ASSERT_TRUE(buffer.SaveToFile(folder.File("out.bin")));
    EXPECT_EQ(folder.Read("out.bin"), std::string(bytes, 4));
    EXPECT_FALSE(buffer.SaveToFile(folder.File("missing/out.bin")));
}

// A file that opens but cannot take the bytes (a full disk) is a failed save, not a saved one.
TEST(ByteBuffer, ASaveThatCannotWriteEveryByteFails) {
    ByteBuffer buffer(std::string(64 * 1024, 'x').data(), 64 * 1024);
    EXPECT_FALSE(buffer.SaveToFile("/dev/full"));
    ByteBuffer small("abc", 3);
    EXPECT_FALSE(small.SaveToFile("/dev/full")) << "the bytes only fail to reach the disk on close";
}

TEST(UCPtrVector, InsertAcceptsTheEndButNotBeyondIt) {
    int a = 1, b = 2, c = 3;
    UCPtrVector v(2);
    v.Append(&a);
    EXPECT_TRUE(v.Insert(&b, 1));
    EXPECT_FALSE(v.Insert(&c, 3));
    EXPECT_EQ(v.Count(), 2u);
    EXPECT_TRUE(v.Insert(&c, 0));
    EXPECT_EQ(v.At(0), &c);
    EXPECT_EQ(v.At(1), &a);
    EXPECT_EQ(v.At(2), &b);
}

TEST(UCPtrVector, LookupsPastTheEndGiveNullOrMinusOne) {
    int a = 1, absent = 0;
    UCPtrVector v(4);
    EXPECT_EQ(v.Pop(), nullptr);
    v.Append(&a);
    EXPECT_EQ(v.Get(1), nullptr);
    EXPECT_EQ(v.Get(static_cast<unsigned>(-1)), nullptr);
    EXPECT_EQ(v.IndexOf(&absent), -1);
    EXPECT_EQ(v.Get(0), &a);
}

TEST(UCPtrVector, RemovingClosesTheGapAndIndexOfFindsTheFirst) {
    int a = 1, b = 2, c = 3;
    UCPtrVector v(1);
    for (int* p : {&a, &b, &c, &b}) {
        v.Append(p);
    }
    EXPECT_EQ(v.IndexOf(&b), 1);
    EXPECT_EQ(v.RemoveAt(1), &b);
    EXPECT_EQ(v.Count(), 3u);
    EXPECT_EQ(v.At(1), &c);
    EXPECT_EQ(v.IndexOf(&b), 2);
    v.Swap(0, 2);
    EXPECT_EQ(v.At(0), &b);
    EXPECT_EQ(v.At(2), &a);
    EXPECT_EQ(v.Pop(), &a);
    v.Clear();
    EXPECT_EQ(v.Count(), 0u);
    EXPECT_EQ(v.Get(0), nullptr);
}

TEST(UCPtrVector, VersionMovesOnEveryChangeOrWritableAccessOnly) {
    int a = 1, b = 2;
    UCPtrVectorT<int> v(2);
    v.Append(&a);
    v.Append(&b);
    const struct {
        const char* what;
        std::function<void(UCPtrVectorT<int>&)> act;
        bool changes;
    } cases[] = {
        {"Append", [&](auto& x) { x.Append(&a); }, true},
        {"Insert", [&](auto& x) { (void)x.Insert(&b, 0); }, true},
        {"RemoveAt", [](auto& x) { (void)x.RemoveAt(0); }, true},
        {"Pop", [](auto& x) { (void)x.Pop(); }, true},
        {"Swap", [](auto& x) { x.Swap(0, 1); }, true},
        {"writable At", [](auto& x) { (void)x.At(0); }, true},
        {"writable begin", [](auto& x) { (void)x.begin(); }, true},
        {"Clear", [](auto& x) { x.Clear(); }, true},
        {"reading",
         [](const auto& x) {
             (void)x.At(0), (void)x.Get(5), (void)x.IndexOf(nullptr), (void)x.begin();
         },
         false},
    };
    for (const auto& c : cases) {
        UCPtrVectorT<int> copy = v;
        const unsigned long long before = copy.Version();
        c.act(copy);
        EXPECT_EQ(copy.Version() != before, c.changes) << c.what;
    }
    // Assigned contents never share a version with either side's past.
    UCPtrVectorT<int> older(2);
    older.Append(&a);
    UCPtrVectorT<int> assigned = v;
    const unsigned long long seen = std::max(assigned.Version(), older.Version());
    assigned = older;
    EXPECT_GT(assigned.Version(), seen);
    EXPECT_EQ(assigned.At(0), &a);
}

TEST(UCPtrVector, HoldsTwentyThousandElementsInOrder) {
    std::vector<int> values(20000);
    UCPtrVector v(16);
    for (auto& value : values) {
        v.Append(&value);
    }
    ASSERT_EQ(v.Count(), 20000u);
    for (unsigned i = 0; i < v.Count(); i += 997) {
        EXPECT_EQ(v.At(i), &values[i]);
    }
}

TEST(UCPtrVector, GrowsByItsStepThenByHalfItsSize) {
    EXPECT_EQ(UCPtrVector::GrownCapacity(16, 16), 32u);
    EXPECT_EQ(UCPtrVector::GrownCapacity(0, 0), 1u);
    EXPECT_EQ(UCPtrVector::GrownCapacity(1000, 16), 1500u);
}

#ifndef NDEBUG
TEST(UCPtrVectorDeathTest, UncheckedAccessorsAssertInDebugBuilds) {
    int a = 1;
    UCPtrVector v(4);
    v.Append(&a);
    EXPECT_DEATH(v.At(1), "");
    EXPECT_DEATH(v.RemoveAt(1), "");
    EXPECT_DEATH(v.Swap(0, 1), "");
    UCPtrVectorT<int> typed;
    EXPECT_DEATH(typed.At(0), "");
}
#endif

namespace {

struct Counted {
    explicit Counted(int& deaths) : deaths_(deaths) {}
    ~Counted() { ++deaths_; }
    int& deaths_;
};

}  // namespace

TEST(UCPtrVectorT, DeleteAllDeletesEveryElementAndSkipsNulls) {
    int deaths = 0;
    UCPtrVectorT<Counted> v(2);
    v.Append(new Counted(deaths));
    v.Append(nullptr);
    v.Append(new Counted(deaths));
    v.Append(new Counted(deaths));
    v.DeleteAll();
    EXPECT_EQ(deaths, 3);
    EXPECT_EQ(v.Count(), 0u);
}

TEST(UCPtrVectorT, IteratesInOrderAndGivesTypedAccess) {
    int values[] = {10, 20, 30};
    UCPtrVectorT<int> v(1);
    for (int& value : values) {
        v.Append(&value);
    }
    int sum = 0;
    for (int* p : v) {
        sum = sum * 100 + *p;
    }
    EXPECT_EQ(sum, 102030);
    v.At(1) = &values[2];
    EXPECT_EQ(*v.Get(1), 30);
    EXPECT_EQ(v.Get(3), nullptr);
    EXPECT_EQ(v.IndexOf(&values[2]), 1);
    EXPECT_EQ(v.RemoveAt(0), &values[0]);
    EXPECT_FALSE(v.Insert(&values[0], 3));
    EXPECT_TRUE(v.Insert(&values[0], 2));
    EXPECT_EQ(v.Pop(), &values[0]);
}

TEST(UCStringList, KeepsCopiesAndAnswersEmptyPastTheEnd) {
    UCStringList list(1);
    std::string text = "first";
    list.Append(text);
    text = "changed";
    list.Append("second");
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Get(0), "first");
    EXPECT_EQ(list.Get(1), "second");
    EXPECT_EQ(list.Get(2), "");
    EXPECT_STREQ(list.GetClassName(), "UCStringList");
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Get(0), "");
}
