#include <gtest/gtest.h>

#include "storage/TaggedStrings.h"

TEST(TTaggedStrings, LookupsByTextIgnoreCaseAndByTagScanFromTheFront) {
    TTaggedStrings list;
    EXPECT_EQ(list.AddTagged("Alpha", 7), 0);
    EXPECT_EQ(list.AddTagged("beta", 3), 1);
    EXPECT_EQ(list.AddTagged("ALPHA", 9), 2);
    EXPECT_EQ(list.IndexOf("alpha"), 0);
    EXPECT_EQ(list.TagOf("BETA"), 3);
    EXPECT_EQ(list.TagOf("gamma"), -1);
    EXPECT_EQ(list.IndexOfTag(9), 2);
    EXPECT_EQ(list.IndexOfTag(4), -1);
    list.Delete(0);
    EXPECT_EQ(list.TagOf("alpha"), 9);
    list.SetTags(0, 11);
    EXPECT_EQ(list.Tags(0), 11);
}

TEST(TTaggedStrings, SortByTagKeepsEqualTagsInTheirOrder) {
    TTaggedStrings list;
    list.AddTagged("c", 5);
    list.AddTagged("a", 1);
    list.AddTagged("d", 5);
    list.AddTagged("b", 3);
    list.AddTagged("e", 1);
    list.SortByTag(true);
    std::string order;
    for (int i = 0; i < list.Count(); ++i)
        order += list.Strings(i);
    EXPECT_EQ(order, "aebcd");
    list.SortByTag(false);
    order.clear();
    for (int i = 0; i < list.Count(); ++i)
        order += list.Strings(i);
    EXPECT_EQ(order, "cdbae");
    EXPECT_FALSE(list.SortAscending());
}
