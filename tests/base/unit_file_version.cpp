// The product version of a file, read from its version resource (the two
// doubles carry product versions 9 and 10 with their file versions swapped).
#include "base/FileVersion.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace email32;
using namespace email32::test;

TEST(VersionCheck, TheMajorProductVersionMustMatchExactly) {
    const std::string v9 = DoublesFolder() + "MapiVersion9.dll";
    const std::string v10 = DoublesFolder() + "MapiVersion10.dll";
    EXPECT_TRUE(email32::base::MajorProductVersionEquals(v9, 9));
    EXPECT_FALSE(email32::base::MajorProductVersionEquals(v9, 10)) << "the file version is 10; it must not be read";
    EXPECT_TRUE(email32::base::MajorProductVersionEquals(v10, 10));
    EXPECT_FALSE(email32::base::MajorProductVersionEquals(v10, 9));
    EXPECT_TRUE(email32::base::MajorProductVersionEquals(DoublesFolder() + "missing.dll", 0));
    EXPECT_FALSE(email32::base::MajorProductVersionEquals(DoublesFolder() + "missing.dll", 9));
}
