// The module's string table reaches its code through the module's instance.
#include "framework/CString.h"
#include "sendui/ResourceIds.h"

#include <gtest/gtest.h>

TEST(StringTable, TextsComeFromTheModuleNotTheHost) {
    CString text;
    ASSERT_TRUE(text.LoadString(IDS_SIZE_FORMAT));
    EXPECT_STREQ(text, "%ld KB");
    ASSERT_TRUE(text.LoadString(IDS_READ_ONLY));
    EXPECT_STREQ(text, "The file may be read-only.");
    EXPECT_FALSE(text.LoadString(4242));
    EXPECT_TRUE(text.IsEmpty());
}
