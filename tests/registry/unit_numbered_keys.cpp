// Numbered keys of a section, bounded by the keys present rather than by a
// count that the file may state absurdly.
#include "registry/InstalledList.h"

#include <gtest/gtest.h>

using email32::registry::PresentNumberedKeys;

TEST(NumberedKeys, FollowNumericOrderNotFileOrderAndStopBelowCount) {
    EXPECT_EQ(email32::registry::PresentNumberedKeys({"Count", "2", "0", "10", "3", "1"}, 3),
              (std::vector<unsigned>{0, 1, 2}));
}

TEST(NumberedKeys, OnlyTheExactDecimalTextCounts) {
    EXPECT_EQ(email32::registry::PresentNumberedKeys({"01", "+1", " 1", "1x", "1", "x"}, 5),
              (std::vector<unsigned>{1}));
}

TEST(NumberedKeys, AHugeCountIsBoundedByTheKeysPresent) {
    EXPECT_EQ(email32::registry::PresentNumberedKeys({"0", "1", "5"}, 2000000000u), (std::vector<unsigned>{0, 1, 5}));
}

TEST(NumberedKeys, ACountOfMinusOneReachesKeysPrintedAsNegativeNumbers) {
    // A loop up to 0xFFFFFFFF formats numbers past 0x7FFFFFFF with "%d" as
    // negative texts; those keys are met at the end of the loop.
    EXPECT_EQ(email32::registry::PresentNumberedKeys({"-2", "0", "-2147483648"}, 0xFFFFFFFFu),
              (std::vector<unsigned>{0, 0x80000000u, 0xFFFFFFFEu}));
    EXPECT_TRUE(email32::registry::PresentNumberedKeys({"-2"}, 2000000000u).empty());
}

TEST(NumberedKeys, AStoredListKeepsEveryKeyInItsPlaceAndClosesUpOnlyAbsurdGaps) {
    using email32::registry::LoadedListKeys;
    using Keys = std::vector<unsigned>;
    // Missing keys within reach load as empty entries (0), in their places.
    EXPECT_EQ(email32::registry::LoadedListKeys(3, {"Count", "1", "3"}), (Keys{1, 0, 3}));
    EXPECT_EQ(email32::registry::LoadedListKeys(5, {"Count", "1"}), (Keys{1, 0, 0, 0, 0}));
    const Keys edited = email32::registry::LoadedListKeys(70, {"Count", "1", "2", "69"});
    ASSERT_EQ(edited.size(), 70u);
    EXPECT_EQ(edited[68], 69u);
    // Far beyond the keys present, a gap closes up; no key present is lost.
    EXPECT_EQ(email32::registry::LoadedListKeys(2000000000u, {"Count", "1", "2", "1999999999"}),
              (Keys{1, 2, 1999999999u, 0}));
    EXPECT_EQ(email32::registry::LoadedListKeys(0xFFFFFFFFu, {"Count", "2", "-1"}), (Keys{0, 2, 0xFFFFFFFFu}));
    EXPECT_TRUE(email32::registry::LoadedListKeys(2000000000u, {"Count"}).empty());
}
