// Numbered keys of a section, bounded by the keys present rather than by a
// count that the file may state absurdly.
#include "registry/InstalledList.h"

#include <gtest/gtest.h>

using email32::PresentNumberedKeys;

TEST(NumberedKeys, FollowNumericOrderNotFileOrderAndStopBelowCount) {
    EXPECT_EQ(PresentNumberedKeys({"Count", "2", "0", "10", "3", "1"}, 3), (std::vector<unsigned>{0, 1, 2}));
}

TEST(NumberedKeys, OnlyTheExactDecimalTextCounts) {
    EXPECT_EQ(PresentNumberedKeys({"01", "+1", " 1", "1x", "1", "x"}, 5), (std::vector<unsigned>{1}));
}

TEST(NumberedKeys, AHugeCountIsBoundedByTheKeysPresent) {
    EXPECT_EQ(PresentNumberedKeys({"0", "1", "5"}, 2000000000u), (std::vector<unsigned>{0, 1, 5}));
}

TEST(NumberedKeys, ACountOfMinusOneReachesKeysPrintedAsNegativeNumbers) {
    // A loop up to 0xFFFFFFFF formats numbers past 0x7FFFFFFF with "%d" as
    // negative texts; those keys are met at the end of the loop.
    EXPECT_EQ(PresentNumberedKeys({"-2", "0", "-2147483648"}, 0xFFFFFFFFu),
              (std::vector<unsigned>{0, 0x80000000u, 0xFFFFFFFEu}));
    EXPECT_TRUE(PresentNumberedKeys({"-2"}, 2000000000u).empty());
}

TEST(NumberedKeys, AStoredListFollowsASaneCountButNotAnAbsurdOne) {
    using email32::LoadedListLength;
    // Missing keys within reach load as empty entries.
    EXPECT_EQ(LoadedListLength(3, {"Count", "1", "3"}), 3u);
    EXPECT_EQ(LoadedListLength(5, {"Count", "1"}), 5u);
    // Far beyond the keys present: the list ends at the last key in reach,
    // and a key numbered absurdly high is out of reach.
    EXPECT_EQ(LoadedListLength(2000000000u, {"Count", "1", "2", "1999999999"}), 2u);
    EXPECT_EQ(LoadedListLength(0xFFFFFFFFu, {"Count", "2", "-1"}), 2u);
    EXPECT_EQ(LoadedListLength(2000000000u, {"Count"}), 0u);
}
