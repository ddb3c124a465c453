#include "widgets/VtIntLst.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Values(const TVtIntegerList& l) {
    std::vector<int> v;
    for (int i = 0; i < l.Count(); ++i) v.push_back(l.Items(i));
    return v;
}

TVtIntegerList Of(std::initializer_list<int> values) {
    TVtIntegerList l;
    for (int v : values) l.Add(v);
    return l;
}

}  // namespace

TEST(VtIntegerList, UnsortedAddsAtTheEndAndSearchesForward) {
    TVtIntegerList l = Of({5, 1, 5, 3});
    EXPECT_EQ(Values(l), (std::vector<int>{5, 1, 5, 3}));
    EXPECT_EQ(l.IndexOf(5), 0);
    EXPECT_EQ(l.IndexOf(3), 3);
    EXPECT_EQ(l.IndexOf(7), -1);
}

TEST(VtIntegerList, FindGivesTheInsertionPoint) {
    TVtIntegerList l = Of({1, 3, 5});
    int index = -1;
    EXPECT_FALSE(l.Find(4, index));
    EXPECT_EQ(index, 2);
    EXPECT_TRUE(l.Find(5, index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(l.Find(9, index));
    EXPECT_EQ(index, 3);
    TVtIntegerList empty;
    EXPECT_FALSE(empty.Find(1, index));
    EXPECT_EQ(index, 0);
}

TEST(VtIntegerList, SortingFirstThenSortIsIdle) {
    TVtIntegerList l = Of({9, -2, 7, 7, 0, 3, -100, 42});
    l.SetSorted(true);
    EXPECT_EQ(Values(l), (std::vector<int>{-100, -2, 0, 3, 7, 7, 9, 42}));
    l.SetSorted(false);
    l.Exchange(0, 7);
    l.SetSorted(true);
    EXPECT_EQ(Values(l), (std::vector<int>{-100, -2, 0, 3, 7, 7, 9, 42}));
    // Sort does nothing while the list is kept sorted, even after Put broke the order.
    l.Put(0, 100);
    l.Sort();
    EXPECT_EQ(l.Items(0), 100);
}

TEST(VtIntegerList, DuplicatesRules) {
    TVtIntegerList l;
    l.SetSorted(true);
    for (int v : {5, 1, 3}) l.Add(v);
    EXPECT_EQ(l.Add(3), 1);  // ignore: the found index, nothing added
    EXPECT_EQ(l.Count(), 3);

    l.SetDuplicates(dupAccept);
    EXPECT_EQ(l.Add(3), 1);
    EXPECT_EQ(Values(l), (std::vector<int>{1, 3, 3, 5}));
    EXPECT_EQ(l.Add(4), 3);

    l.SetDuplicates(dupError);
    try {
        l.Add(5);
        FAIL();
    } catch (const EVtIntegerListError& e) {
        EXPECT_STREQ(e.what(), "Duplicates not allowed");
    }
    EXPECT_EQ(Values(l), (std::vector<int>{1, 3, 3, 4, 5}));
    EXPECT_EQ(l.Add(2), 1);
}

TEST(VtIntegerList, IndexErrorsAndSortedInsert) {
    TVtIntegerList l = Of({1, 2});
    EXPECT_THROW(l.Items(2), ERangeError);
    EXPECT_THROW(l.Items(-1), ERangeError);
    EXPECT_THROW(l.Put(2, 0), ERangeError);
    EXPECT_THROW(l.Insert(3, 0), ERangeError);
    EXPECT_THROW(l.Delete(-1), ERangeError);
    EXPECT_THROW(l.Exchange(0, 2), ERangeError);
    EXPECT_THROW(l.Move(0, 2), ERangeError);
    l.Insert(2, 9);
    l.Insert(0, 8);
    EXPECT_EQ(Values(l), (std::vector<int>{8, 1, 2, 9}));
    l.Move(0, 3);
    EXPECT_EQ(Values(l), (std::vector<int>{1, 2, 9, 8}));
    l.Delete(1);
    EXPECT_EQ(Values(l), (std::vector<int>{1, 9, 8}));
    l.SetSorted(true);
    try {
        l.Insert(0, 0);
        FAIL();
    } catch (const EVtIntegerListError& e) {
        EXPECT_STREQ(e.what(), "Operation not allowed on sorted list");
    }
    EXPECT_EQ(Values(l), (std::vector<int>{1, 8, 9}));
}

TEST(VtIntegerList, RangeChecksLeaveTheListUnchanged) {
    TVtIntegerList l;
    l.Add(INT32_MIN);  // Min = Max = 0: anything goes
    l.Add(INT32_MAX);
    l.Clear();
    l.Add(3);
    try {
        l.SetMin(5);
        FAIL();
    } catch (const EVtIntegerListRangeError& e) {
        EXPECT_STREQ(e.what(), "Unable to set new minimum value.\rList contains values below 5");
    }
    EXPECT_EQ(l.Min(), 0);
    try {
        l.SetMax(2);
        FAIL();
    } catch (const EVtIntegerListRangeError& e) {
        EXPECT_STREQ(e.what(), "Unable to set new maximum value.\rList contains values above 2");
    }
    EXPECT_EQ(l.Max(), 0);

    l.SetMax(10);
    l.SetMin(1);
    try {
        l.Add(11);
        FAIL();
    } catch (const EVtIntegerListRangeError& e) {
        EXPECT_STREQ(e.what(), "Value must be within 1..10");
    }
    EXPECT_THROW(l.Put(0, 0), EVtIntegerListRangeError);
    EXPECT_THROW(l.Insert(0, -1), EVtIntegerListRangeError);
    EXPECT_EQ(Values(l), (std::vector<int>{3}));

    // A minimum above the maximum drags it along, and the other way round.
    l.Clear();
    l.SetMin(20);
    EXPECT_EQ(l.Max(), 20);
    l.SetMax(-5);
    EXPECT_EQ(l.Min(), -5);
}

TEST(VtIntegerList, AssignAddsThroughTheTargetsRules) {
    TVtIntegerList src = Of({4, 2, 4, 1});
    TVtIntegerList dst = Of({7});
    dst.SetSorted(true);
    dst.Assign(&src);
    EXPECT_EQ(Values(dst), (std::vector<int>{1, 2, 4}));
    // A failure part-way leaves the target as it was.
    TVtIntegerList ranged = Of({1});
    ranged.SetMax(3);
    EXPECT_THROW(ranged.Assign(&src), EVtIntegerListRangeError);
    EXPECT_EQ(Values(ranged), (std::vector<int>{1}));
    TPersistent other;
    EXPECT_THROW(dst.Assign(&other), EConvertError);
    // Adding a list to itself doubles it once.
    src.AddIntegers(src);
    EXPECT_EQ(src.Count(), 8);
}

TEST(VtIntegerList, Streaming) {
    TVtIntegerList l;
    TFormValue list;
    list.kind = TFormValue::List;
    for (int v : {3, -1, 3}) {
        TFormValue i;
        i.i = v;
        list.items.push_back(i);
    }
    TFormValue max, min;
    max.i = 5;
    min.i = -3;
    EXPECT_TRUE(l.ReadProperty("Max", max));
    EXPECT_TRUE(l.ReadProperty("Min", min));
    EXPECT_TRUE(l.ReadProperty("Integers", list));
    EXPECT_EQ(Values(l), (std::vector<int>{3, -1, 3}));
    EXPECT_FALSE(l.ReadProperty("Strings", list));

    // A value out of range, or not an integer, leaves the items as they were.
    list.items[0].i = 6;
    EXPECT_THROW(l.ReadProperty("Integers", list), EVtIntegerListRangeError);
    list.items[0].i = 3;
    list.items[1].kind = TFormValue::String;
    EXPECT_THROW(l.ReadProperty("Integers", list), EFormResourceError);
    list.items[1].kind = TFormValue::Integer;
    list.items[1].i = int64_t(1) << 40;
    EXPECT_THROW(l.ReadProperty("Integers", list), EFormResourceError);
    EXPECT_EQ(Values(l), (std::vector<int>{3, -1, 3}));

    TVtIntegerList same = Of({3, -1, 3}), differ = Of({3, -1}), empty;
    TPersistent stranger;
    EXPECT_FALSE(l.IntegersStored(&same));
    EXPECT_TRUE(l.IntegersStored(&differ));
    EXPECT_TRUE(l.IntegersStored(&stranger));
    EXPECT_TRUE(l.IntegersStored(nullptr));
    EXPECT_FALSE(empty.IntegersStored(nullptr));
}
