// The INI layer as the registry uses it: the platform's profile services with
// the buffer limits of the two files for reading, whole-file rewrites for
// writing.
#include "base/IniFile.h"
#include "base/Win32Handles.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace base = email32::base;
using email32::test::ReadFile;
using email32::test::TempFolder;
using email32::test::WriteFile;

TEST(IniFile, NamesMatchWithoutRegardToCaseAndValuesLoseQuotesAndBlanks) {
    TempFolder folder("ini");
    const std::string file = folder / "EmailDB.ini";
    WriteFile(file, "[OutLook]\r\nTITLE =  \"Mail Program\"  \r\nPathType=15\r\n");
    EXPECT_EQ(base::ReadString(file, "outlook", "Title"), "Mail Program");
    EXPECT_EQ(base::ReadInt(file, "OUTLOOK", "pathtype"), 15);
}

TEST(IniFile, MissingKeysReadEmptyAndZero) {
    TempFolder folder("ini");
    const std::string file = folder / "EmailDB.ini";
    WriteFile(file, "[A]\r\nTitle=\r\nPathType=abc\r\n");
    EXPECT_EQ(base::ReadString(file, "A", "Title"), "");
    EXPECT_EQ(base::ReadString(file, "A", "Missing"), "");
    EXPECT_EQ(base::ReadString(file, "NoSection", "Title"), "");
    EXPECT_EQ(base::ReadString(folder / "absent.ini", "A", "Title"), "");
    EXPECT_EQ(base::ReadInt(file, "A", "PathType"), 0);
    EXPECT_EQ(base::ReadInt(file, "A", "Missing"), 0);
}

TEST(IniFile, LongValuesAreCutToTheBuffer) {
    TempFolder folder("ini");
    const std::string file = folder / "EmailDB.ini";
    const std::string title(300, 'T');
    const std::string registryKey(1500, 'K');
    WriteFile(file, "[A]\r\nTitle=" + title + "\r\nRegKey=" + registryKey + "\r\n");
    EXPECT_EQ(base::ReadString(file, "A", "Title"), std::string(259, 'T'));
    EXPECT_EQ(base::ReadString(file, "A", "RegKey", base::kLongValueBuffer), std::string(1023, 'K'));
}

TEST(IniFile, NegativeCountsComeBackAsHugeUnsignedNumbers) {
    TempFolder folder("ini");
    const std::string file = folder / "EmailDB.ini";
    WriteFile(file, "[LinkEntry]\r\nCount=-1\r\n");
    EXPECT_EQ(base::ReadUnsigned(file, "LinkEntry", "Count"), 0xFFFFFFFFu);
}

TEST(IniFile, ARewriteChangesOnlyWhatItEditsAndTheProfileServiceReadsItBack) {
    TempFolder folder("ini");
    const std::string file = folder / "AliveDB.ini";
    // Comments, odd blanks and letter case, a bare line break, a repeated
    // section and no line break at the end: all of it stays, byte for byte.
    WriteFile(file,
              "; written by hand\r\n[Foreign]\r\nKey =  spaced \n\r\n[aliveemailsys]\r\nCount=9\r\n1=Old\r\n\r\n"
              "[Sys]\r\nTitle=kept\r\nPATH=C:\\old.exe\r\n[AliveEmailSys]\r\n2=Stale\r\n[Last]\r\nx=1");
    ASSERT_EQ(base::Rewrite(file,
                            [](base::IniDocument& text) {
                                text.Set("SYS", "Path", "C:\\new.exe");
                                text.Set("Sys", "Added", "yes\r\nInjected=1");
                                text.Set("New", "Path", "");
                                text.ReplaceSection("AliveEmailSys", {{"Count", "1"}, {"1", "Sys"}});
                            }),
              base::RewriteResult::Written);
    EXPECT_EQ(ReadFile(file),
              "; written by hand\r\n[Foreign]\r\nKey =  spaced \n\r\n[aliveemailsys]\r\nCount=1\r\n1=Sys\r\n\r\n"
              "[Sys]\r\nTitle=kept\r\nPATH=C:\\new.exe\r\nAdded=yes\r\n[Last]\r\nx=1\r\n[New]\r\nPath=\r\n");
    EXPECT_EQ(base::ReadString(file, "Sys", "Path"), "C:\\new.exe");
    EXPECT_EQ(base::KeyNames(file, "AliveEmailSys"), (std::vector<std::string>{"Count", "1"}));
    EXPECT_EQ(base::ReadString(file, "Foreign", "Key"), "spaced");

    // A UTF-16 file stays UTF-16, its other text untouched.
    const std::string wide("\xFF\xFE[\0F\0]\0\r\0\n\0K\0=\0\xAC\x20\r\0\n\0", 22);
    WriteFile(file, wide);
    ASSERT_EQ(base::Rewrite(file, [](base::IniDocument& text) { text.Set("S", "Path", "C:\\a.exe"); }),
              base::RewriteResult::Written);
    EXPECT_EQ(ReadFile(file).substr(0, wide.size()), wide);
    EXPECT_EQ(base::ReadString(file, "S", "Path"), "C:\\a.exe");
}

TEST(IniFile, AFileThatCannotBeReadOrIsReadOnlyIsLeftAsItIs) {
    TempFolder folder("ini");
    const std::string file = folder / "AliveDB.ini";
    const auto edit = [](base::IniDocument& text) { text.Set("S", "K", "V"); };
    WriteFile(file, "[S]\r\nK=old\r\n");
    {
        const email32::base::AutoCloseHandle held(
            ::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        EXPECT_EQ(base::Rewrite(file, edit), base::RewriteResult::Failed);
    }
    ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(base::Rewrite(file, edit), base::RewriteResult::Failed);
    ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFile(file), "[S]\r\nK=old\r\n");
    WIN32_FIND_DATAA found{};
    const HANDLE search = ::FindFirstFileA((folder / "*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "no temporary file is left";
    if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
}

TEST(IniFile, AnEmptyFilePathIsNeverWrittenNorRead) {
    EXPECT_EQ(base::Rewrite("", [](base::IniDocument&) {}), base::RewriteResult::Failed);
    EXPECT_EQ(base::ReadString("", "S", "K"), "");
    EXPECT_EQ(base::ReadUnsigned("", "S", "K"), 0u);
    EXPECT_TRUE(base::KeyNames("", "S").empty());
}

TEST(IniFile, KeyNamesOfALargeSectionAreAllReturned) {
    TempFolder folder("ini");
    const std::string file = folder / "EmailDB.ini";
    std::string text = "[LinkEntry]\r\n";
    for (int i = 0; i < 3000; ++i) text += std::to_string(i) + "=System" + std::to_string(i) + "\r\n";
    WriteFile(file, text);
    const std::vector<std::string> names = base::KeyNames(file, "LinkEntry");
    ASSERT_EQ(names.size(), 3000u);
    EXPECT_EQ(names.back(), "2999");
}

TEST(IniFile, ARewriteClearsTemporariesADeadWriterLeftAndNeverWritesARelativePath) {
    TempFolder folder("ini");
    const std::string file = folder / "AliveDB.ini";
    WriteFile(file, "[S]\r\nK=old\r\n");
    // Left behind two days ago and a moment ago; and a user's file.
    for (const char* name : {"e32A1.tmp", "e32B2.tmp", "e32-notes.tmp"}) WriteFile(folder / name, "x");
    for (const char* name : {"e32A1.tmp", "e32-notes.tmp"}) {
        const email32::base::AutoCloseHandle old(::CreateFileA((folder / name).c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        FILETIME now = {};
        ::GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER then = {{now.dwLowDateTime, now.dwHighDateTime}};
        then.QuadPart -= 2ULL * 24 * 60 * 60 * 10000000;
        const FILETIME written = {then.LowPart, then.HighPart};
        ASSERT_TRUE(::SetFileTime(old.get(), nullptr, nullptr, &written));
    }
    EXPECT_EQ(base::Rewrite(file, [](base::IniDocument& text) { text.Set("S", "K", "new"); }),
              base::RewriteResult::Written);
    EXPECT_EQ(base::ReadString(file, "S", "K"), "new");
    EXPECT_FALSE(email32::test::FileExists(folder / "e32A1.tmp"));
    EXPECT_TRUE(email32::test::FileExists(folder / "e32B2.tmp"));
    EXPECT_TRUE(email32::test::FileExists(folder / "e32-notes.tmp"));

    // Relative: the current folder's file to write, the Windows folder's to read.
    EXPECT_EQ(base::Rewrite("AliveDB.ini", [](base::IniDocument& text) { text.Set("S", "K", "V"); }),
              base::RewriteResult::Failed);
}
