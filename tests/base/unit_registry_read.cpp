// The path helpers of detection: folder texts that must stay inside their
// buffers, existence tests and root-key names.
#include "base/FolderText.h"
#include "base/RegistryRead.h"
#include "tests/support/ScratchMachine.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace email32;
using namespace email32::test;

TEST(FolderText, EndsInOneBackslashAfterTrailingBlanksAreRemoved) {
    char text[32] = "C:\\Mail   ";
    EXPECT_TRUE(email32::base::MakeFolderText(text, sizeof text));
    EXPECT_STREQ(text, "C:\\Mail\\");
    char already[32] = "C:\\Mail\\";
    EXPECT_TRUE(email32::base::MakeFolderText(already, sizeof already));
    EXPECT_STREQ(already, "C:\\Mail\\");
    char empty[8] = "";
    EXPECT_FALSE(email32::base::MakeFolderText(empty, sizeof empty));
    EXPECT_STREQ(empty, "");
}

TEST(FolderText, AFullBufferGetsItsBackslashInPlaceOfTheLastCharacter) {
    // Guard bytes after the buffer catch any write past its end.
    char memory[12];
    std::memset(memory, '#', sizeof memory);
    std::memcpy(memory, "C:\\abcdefg", 11);  // 10 characters and the zero: full
    EXPECT_TRUE(email32::base::MakeFolderText(memory, 11));
    EXPECT_STREQ(memory, "C:\\abcdef\\");
    EXPECT_EQ(memory[11], '#');

    // A buffer filled without a terminator is cut inside it.
    char unterminated[10];
    std::memset(unterminated, 'a', sizeof unterminated);
    EXPECT_TRUE(email32::base::MakeFolderText(unterminated, 8));
    EXPECT_STREQ(unterminated, "aaaaaa\\");
    EXPECT_EQ(unterminated[8], 'a');
    EXPECT_EQ(unterminated[9], 'a');

    std::string longText(300, 'x');
    EXPECT_TRUE(email32::base::MakeFolderText(longText, 260));
    EXPECT_EQ(longText.size(), 259u);
    EXPECT_EQ(longText.back(), '\\');
}

TEST(FolderText, FileExistsForFilesFoldersAndRelativePaths) {
    TempFolder folder("exists");
    WriteFile(folder / "prog.exe", "x");
    EXPECT_TRUE(FileExists(folder / "prog.exe"));
    EXPECT_TRUE(FileExists(folder.path()));
    EXPECT_FALSE(FileExists(folder / "missing.exe"));
    EXPECT_FALSE(FileExists(""));
    ScratchCurrentFolder current(folder.path());
    EXPECT_TRUE(FileExists("prog.exe"));
}

TEST(RootKeys, ShortAndLongNamesInAnyCase) {
    EXPECT_EQ(email32::base::RootKeyFromName("hklm"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(email32::base::RootKeyFromName("HKEY_LOCAL_MACHINE"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(email32::base::RootKeyFromName("Hkcr"), HKEY_CLASSES_ROOT);
    EXPECT_EQ(email32::base::RootKeyFromName("HKU"), HKEY_USERS);
    EXPECT_EQ(email32::base::RootKeyFromName("hkey_current_config"), HKEY_CURRENT_CONFIG);
    EXPECT_EQ(email32::base::RootKeyFromName("HKDD"), HKEY_DYN_DATA);
    EXPECT_EQ(email32::base::RootKeyFromName("HKLM\\"), nullptr);
    EXPECT_EQ(email32::base::RootKeyFromName("LOCAL_MACHINE"), nullptr);
    EXPECT_EQ(email32::base::RootKeyFromName(""), nullptr);
}

TEST(RegistryText, ValuesThatDoNotFitTheirBufferAreRefused) {
    const std::string key = "Software\\Email32Tests\\Text";
    const ScratchRegistryValue fits = ScratchText(HKEY_CURRENT_USER, key, "Fits", std::string(259, 'a'));
    const ScratchRegistryValue tooLong = ScratchText(HKEY_CURRENT_USER, key, "TooLong", std::string(260, 'a'));
    // Stored without its terminating zero, filling the buffer exactly.
    const ScratchRegistryValue unterminated(HKEY_CURRENT_USER, key, "Unterminated", REG_SZ, std::string(260, 'b'));
    EXPECT_EQ(email32::base::QueryRegistryText(HKEY_CURRENT_USER, key, "Fits", 260)->text.size(), 259u);
    EXPECT_FALSE(email32::base::QueryRegistryText(HKEY_CURRENT_USER, key, "TooLong", 260));
    EXPECT_FALSE(email32::base::QueryRegistryText(HKEY_CURRENT_USER, key, "Unterminated", 260));
    EXPECT_FALSE(email32::base::QueryRegistryText(HKEY_CURRENT_USER, key, "Missing", 260));
    EXPECT_FALSE(email32::base::QueryRegistryText(HKEY_CURRENT_USER, key + "\\NoSuchKey", "", 260));
}
