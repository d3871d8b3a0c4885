// The INI layer as the registry uses it: the platform's profile services with
// the buffer limits of the two files.
#include "registry/IniFile.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace ini = email32::ini;
using email32::test::TempFolder;
using email32::test::WriteFile;

TEST(IniFile, NamesMatchWithoutRegardToCaseAndValuesLoseQuotesAndBlanks) {
    TempFolder folder("ini");
    const std::string file = folder / "EmailDB.ini";
    WriteFile(file, "[OutLook]\r\nTITLE =  \"Mail Program\"  \r\nPathType=15\r\n");
    EXPECT_EQ(ini::ReadString(file, "outlook", "Title"), "Mail Program");
    EXPECT_EQ(ini::ReadInt(file, "OUTLOOK", "pathtype"), 15);
}

TEST(IniFile, MissingKeysReadEmptyAndZero) {
    TempFolder folder("ini");
    const std::string file = folder / "EmailDB.ini";
    WriteFile(file, "[A]\r\nTitle=\r\nPathType=abc\r\n");
    EXPECT_EQ(ini::ReadString(file, "A", "Title"), "");
    EXPECT_EQ(ini::ReadString(file, "A", "Missing"), "");
    EXPECT_EQ(ini::ReadString(file, "NoSection", "Title"), "");
    EXPECT_EQ(ini::ReadString(folder / "absent.ini", "A", "Title"), "");
    EXPECT_EQ(ini::ReadInt(file, "A", "PathType"), 0);
    EXPECT_EQ(ini::ReadInt(file, "A", "Missing"), 0);
}

TEST(IniFile, LongValuesAreCutToTheBuffer) {
    TempFolder folder("ini");
    const std::string file = folder / "EmailDB.ini";
    const std::string title(300, 'T');
    const std::string registryKey(1500, 'K');
    WriteFile(file, "[A]\r\nTitle=" + title + "\r\nRegKey=" + registryKey + "\r\n");
    EXPECT_EQ(ini::ReadString(file, "A", "Title"), std::string(259, 'T'));
    EXPECT_EQ(ini::ReadString(file, "A", "RegKey", ini::kLongValueBuffer), std::string(1023, 'K'));
}

TEST(IniFile, NegativeCountsComeBackAsHugeUnsignedNumbers) {
    TempFolder folder("ini");
    const std::string file = folder / "EmailDB.ini";
    WriteFile(file, "[LinkEntry]\r\nCount=-1\r\n");
    EXPECT_EQ(ini::ReadUnsigned(file, "LinkEntry", "Count"), 0xFFFFFFFFu);
}

TEST(IniFile, SectionDeletionRemovesEveryKeyAndKeyNamesFollowTheFile) {
    TempFolder folder("ini");
    const std::string file = folder / "AliveDB.ini";
    ASSERT_TRUE(ini::WriteString(file, "AliveEmailSys", "Count", "2"));
    ASSERT_TRUE(ini::WriteString(file, "AliveEmailSys", "1", "A"));
    ASSERT_TRUE(ini::WriteString(file, "AliveEmailSys", "2", "B"));
    ASSERT_TRUE(ini::WriteString(file, "A", "Path", "C:\\a.exe"));
    EXPECT_EQ(ini::KeyNames(file, "AliveEmailSys"), (std::vector<std::string>{"Count", "1", "2"}));

    ASSERT_TRUE(ini::DeleteSection(file, "AliveEmailSys"));
    EXPECT_TRUE(ini::KeyNames(file, "AliveEmailSys").empty());
    EXPECT_EQ(ini::ReadString(file, "A", "Path"), "C:\\a.exe");
}

TEST(IniFile, AnEmptyFilePathIsNeverWrittenNorRead) {
    EXPECT_FALSE(ini::WriteString("", "S", "K", "V"));
    EXPECT_FALSE(ini::DeleteSection("", "S"));
    EXPECT_EQ(ini::ReadString("", "S", "K"), "");
    EXPECT_EQ(ini::ReadUnsigned("", "S", "K"), 0u);
    EXPECT_TRUE(ini::KeyNames("", "S").empty());
}

TEST(IniFile, KeyNamesOfALargeSectionAreAllReturned) {
    TempFolder folder("ini");
    const std::string file = folder / "EmailDB.ini";
    std::string text = "[LinkEntry]\r\n";
    for (int i = 0; i < 3000; ++i) text += std::to_string(i) + "=System" + std::to_string(i) + "\r\n";
    WriteFile(file, text);
    const std::vector<std::string> names = ini::KeyNames(file, "LinkEntry");
    ASSERT_EQ(names.size(), 3000u);
    EXPECT_EQ(names.back(), "2999");
}
