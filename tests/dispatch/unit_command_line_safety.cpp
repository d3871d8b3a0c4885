// Command lines that arrive whole and safe: file paths with blanks, batch
// programs given names that try to run something else, all files in one
// Thunderbird-style compose argument, and one attachment list per send even
// when a slow program reads it after the next send.
#include "dispatch/CommandLine.h"
#include "registry/Detection.h"
#include "base/Win32Handles.h"
#include "base/Text.h"
#include "tests/dispatch/SendScene.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <shellapi.h>

using namespace email32;
using namespace email32::test;
using email32::base::Utf8;

namespace {

class FilesWithBlanks : public ::testing::Test {
protected:
    void SetUp() override {
        m_program = m_scene.Add("record_mail.exe", "Mail\\mail.exe");
        m_scene.Installed("Path=" + m_program + "\r\n");
    }
    void Catalogue(const std::string& keys) { m_scene.Catalogue("LinkType=1\r\n" + keys); }

    SendScene m_scene;
    std::string m_program;
    const std::string m_plain = m_scene.Attachment("T\\x.jpg");
    const std::string m_blank = m_scene.Attachment("Photo Club\\my pic.jpg");
};

std::string PercentDecoded(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += text[i] == '/' ? '\\' : text[i];
        }
    }
    return decoded;
}

}  // namespace

TEST(CommandLineQuoting, EveryArgumentComesBackWholeThroughTheWindowsParser) {
    // clang-format off
    const std::vector<std::wstring> arguments = {
        L"C:\\T\\x.jpg",         L"C:\\Photo Club\\my pic.jpg", L"tab\there.jpg", L"say \"cheese\".jpg",
        L"C:\\folder with blank\\", L"ends\\in\\\\",              L"\\\\server\\share\\a b.jpg", L"照片 Ω.jpg"};
    // clang-format on
    std::wstring line = L"mail.exe";
    for (const std::wstring& argument : arguments) line += L" " + email32::dispatch::QuoteArgument(argument);
    int count = 0;
    LPWSTR* parsed = ::CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(parsed, nullptr);
    ASSERT_EQ(count, static_cast<int>(arguments.size()) + 1) << Utf8(line);
    for (std::size_t i = 0; i < arguments.size(); ++i) EXPECT_EQ(parsed[i + 1], arguments[i]) << i;
    ::LocalFree(parsed);
    EXPECT_EQ(email32::dispatch::QuoteArgument(L"C:\\T\\x.jpg"), L"C:\\T\\x.jpg")
        << "a path without blanks goes in unchanged";
}

TEST_F(FilesWithBlanks, ReachTheProgramWholeInEveryWayOfPassingThem) {
    Catalogue("CommandOption=/a\r\nMultiplePage=0\r\n");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_blank, m_plain}));
    EXPECT_EQ(m_scene.Arguments(1), std::vector<Fields>{{"/a" + m_blank}}) << "option and path stay one argument";

    ::DeleteFileA(m_scene.log().c_str());
    Catalogue("CommandOption=/a\r\nMultiplePage=1\r\nCommandFileList=0\r\n");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_blank, m_plain}));
    EXPECT_EQ(m_scene.Arguments(2), (std::vector<Fields>{{"/a", m_blank}, {"/a", m_plain}}));

    ::DeleteFileA(m_scene.log().c_str());
    Catalogue("CommandOption=/a\r\nMultiplePage=1\r\nCommandFileList=2\r\n");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_plain, m_blank}));
    EXPECT_EQ(m_scene.Arguments(1), (std::vector<Fields>{{"/a", "x.jpg", "my pic.jpg"}}));
    EXPECT_EQ(m_scene.Runs(1).at(0).second, m_scene.folder() + "Photo Club");
}

TEST_F(FilesWithBlanks, QuoteFilesZeroKeepsTheRawForm) {
    Catalogue("CommandOption=/a\r\nQuoteFiles=0\r\n");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_blank}));
    EXPECT_EQ(m_scene.Runs(1).at(0).first, m_program + " /a" + m_blank);
}

TEST_F(FilesWithBlanks, FileListFourGivesOneProgramEveryFileAsAUrl) {
    const std::wstring odd = base::Widen(m_scene.folder()) + L"T\\café, l'été 100%.jpg";
    Catalogue("CommandOption=-compose attachment=\r\nMultiplePage=1\r\nCommandFileList=4\r\n");
    EXPECT_TRUE(
        m_scene.SendWide(email32::dispatch::SendByCommandLine, {base::Widen(m_blank), odd, base::Widen(m_plain)}));
    const std::vector<Fields> arguments = m_scene.Arguments(1);
    ASSERT_EQ(arguments.size(), 1u);
    ASSERT_EQ(arguments[0].size(), 2u);
    EXPECT_EQ(arguments[0][0], "-compose");
    const std::string& compose = arguments[0][1];
    const std::string prefix = "attachment='file:///";
    ASSERT_EQ(compose.substr(0, prefix.size()), prefix);
    ASSERT_EQ(compose.back(), '\'');
    EXPECT_EQ(compose.find_first_of(" \"'", prefix.size()), compose.size() - 1) << compose;
    // Commas only between the URLs; each decodes to its file.
    std::vector<std::string> paths;
    std::string urls = compose.substr(prefix.size() - 8, compose.size() - prefix.size() + 7);
    for (std::size_t begin = 0;;) {
        const std::size_t comma = urls.find(',', begin);
        const std::string url = urls.substr(begin, comma - begin);
        EXPECT_EQ(url.substr(0, 8), "file:///");
        paths.push_back(PercentDecoded(url.substr(8)));
        if (comma == std::string::npos) break;
        begin = comma + 1;
    }
    EXPECT_EQ(paths, (std::vector<std::string>{m_blank, Utf8(odd), m_plain}));
}

TEST(BatchProgram, TakesEveryNameLiterallyAndRunsNothingElse) {
    SendScene scene;
    scene.Add("record_mail.exe", "Mail\\mail.exe");
    WriteFile(scene.folder() + "Mail\\mail.cmd", "@\"%~dp0mail.exe\" %*\r\n");
    // What a name would run if cmd.exe acted on its "&": a recorder too.
    scene.Add("record_mail.exe", "calc.jpg.exe");
    const ScratchCurrentFolder here(scene.folder());
    scene.Installed("Path=" + scene.folder() + "Mail\\mail.cmd\r\n");
    scene.Catalogue("LinkType=1\r\nCommandOption=/a\r\nMultiplePage=1\r\nCommandFileList=0\r\n");
    const std::string ampersand = scene.Attachment("T\\a&calc.jpg");
    const std::string others = scene.Attachment("T\\b^c (1) !x! d,e;f=g.jpg");
    EXPECT_TRUE(scene.Send(email32::dispatch::SendByCommandLine, {ampersand, others}));
    // One program per file, started together: they record in either order.
    std::vector<Fields> runs = scene.Arguments(2);
    std::sort(runs.begin(), runs.end());
    std::vector<Fields> expected{{"/a", ampersand}, {"/a", others}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(runs, expected);

    // "%" cannot be kept from expanding even in quotes: refused, nothing
    // started. Unquoted, every operator is refused.
    ::DeleteFileA(scene.log().c_str());
    EXPECT_FALSE(scene.Send(email32::dispatch::SendByCommandLine, {scene.Attachment("T\\%PATH%.jpg")}));
    scene.Catalogue("LinkType=1\r\nCommandOption=/a \r\nQuoteFiles=0\r\n");
    EXPECT_FALSE(scene.Send(email32::dispatch::SendByCommandLine, {ampersand}));
    EXPECT_TRUE(scene.Runs(0).empty());
}

TEST(BatchProgram, ANameEndingInADotOrABlankIsOneTooAndRunsNothingElse) {
    SendScene scene;
    scene.Add("record_mail.exe", "Mail\\mail.exe");
    WriteFile(scene.folder() + "Mail\\mail.cmd", "@\"%~dp0mail.exe\" %*\r\n");
    const ScratchCurrentFolder here(scene.folder());
    const std::string file = scene.Attachment("T\\a&mkdir pwned&b.jpg");
    for (const char* ending : {".", " "}) {
        // Found through its App Paths entry, as the catalogue's method 0 finds programs.
        const std::string program = scene.folder() + "Mail\\mail.cmd" + ending;
        const ScratchRegistryValue appPath = ScratchText(HKEY_LOCAL_MACHINE, AppPathsKey("e32mail.cmd"), "", program);
        scene.Catalogue("PathType=0\r\nExeName=e32mail.cmd\r\nLinkType=1\r\nCommandOption=/a\r\n");
        std::string found;
        ASSERT_TRUE(
            email32::registry::DetectEmailSystem(email32::base::CatalogueEntry("Sys", scene.catalogue()), found))
            << ending;
        scene.Installed("Path=" + found + "\r\n");
        ::DeleteFileA(scene.log().c_str());
        EXPECT_TRUE(scene.Send(email32::dispatch::SendByCommandLine, {file}));
        EXPECT_EQ(scene.Arguments(1), std::vector<Fields>{{"/a" + file}}) << "'" << ending << "'";
    }
    EXPECT_FALSE(FileExists(scene.folder() + "pwned"));
    EXPECT_FALSE(FileExists(scene.folder() + "Mail\\pwned"));
}

TEST(AttachListPerSend, TwoSendsInARowEachReachTheirOwnSlowReader) {
    SendScene scene;
    const std::string program = scene.Add("record_mail.exe", "Mail\\mail.exe");
    scene.Installed("Path=" + program + "\r\n");
    scene.Catalogue("LinkType=1\r\nCommandOption=/a\r\nMultiplePage=1\r\nCommandFileList=1\r\n");
    const email32::dispatch::FileList first = {scene.Attachment("T\\a.jpg"), scene.Attachment("T\\my b.jpg")};
    const email32::dispatch::FileList second = {scene.Attachment("U\\c.jpg"), scene.Attachment("U\\d.jpg")};
    ::SetEnvironmentVariableA("E32_LIST_READ_DELAY", "1500");
    EXPECT_TRUE(scene.Send(email32::dispatch::SendByCommandLine, first));
    ::Sleep(200);
    EXPECT_TRUE(scene.Send(email32::dispatch::SendByCommandLine, second));
    ::SetEnvironmentVariableA("E32_LIST_READ_DELAY", nullptr);
    std::vector<Fields> lists = scene.Started("list", 2);
    ASSERT_EQ(lists.size(), 2u);
    for (Fields& list : lists) list.erase(list.begin(), list.begin() + 2);
    EXPECT_EQ(lists, (std::vector<Fields>{first, second}));
}

TEST(AttachListPerSend, ListsOlderThanADayAreClearedAway) {
    SendScene scene;
    const std::string program = scene.Add("record_mail.exe", "Mail\\mail.exe");
    scene.Installed("Path=" + program + "\r\n");
    scene.Catalogue("LinkType=1\r\nCommandOption=/a\r\nMultiplePage=1\r\nCommandFileList=1\r\n");
    const std::string temp = scene.folder() + "temp\\";
    for (const char* name : {"Attach-00000001", "Attach-00000002"}) {
        ::CreateDirectoryA(temp.c_str(), nullptr);
        ::CreateDirectoryA((temp + name).c_str(), nullptr);
        WriteFile(temp + name + "\\Attach.lst", "C:\\old.jpg\r\n");
    }
    // The first is two days old.
    HANDLE folder = ::CreateFileA((temp + "Attach-00000001").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE);
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER old = {{now.dwLowDateTime, now.dwHighDateTime}};
    old.QuadPart -= 2ULL * 24 * 60 * 60 * 10000000;
    const FILETIME then = {old.LowPart, old.HighPart};
    ::SetFileTime(folder, nullptr, nullptr, &then);
    ::CloseHandle(folder);

    EXPECT_TRUE(scene.Send(email32::dispatch::SendByCommandLine, {"C:\\a.jpg", "C:\\b.jpg"}));
    EXPECT_FALSE(FileExists(temp + "Attach-00000001"));
    EXPECT_TRUE(FileExists(temp + "Attach-00000002\\Attach.lst"));
    EXPECT_EQ(scene.Runs(1).size(), 1u);
}

TEST(AttachListPerSend, AnOldListFolderThatIsALinkLeavesItsTargetAlone) {
    SendScene scene;
    const std::string program = scene.Add("record_mail.exe", "Mail\\mail.exe");
    scene.Installed("Path=" + program + "\r\n");
    scene.Catalogue("LinkType=1\r\nCommandOption=/a\r\nMultiplePage=1\r\nCommandFileList=1\r\n");
    const std::string temp = scene.folder() + "temp\\", link = temp + "Attach-0000000A",
                      target = scene.folder() + "Mine";
    ::CreateDirectoryA(temp.c_str(), nullptr);
    ::CreateDirectoryA(target.c_str(), nullptr);
    WriteFile(target + "\\Attach.lst", "someone else's file\r\n");
    if (!::CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        (::GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        GTEST_SKIP() << "this system makes no folder links";
    }
    // The link (or, where the system ages a link by its target, the
    // target) is two days old, as the folder of an old send would be.
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER old = {{now.dwLowDateTime, now.dwHighDateTime}};
    old.QuadPart -= 2ULL * 24 * 60 * 60 * 10000000;
    const FILETIME then = {old.LowPart, old.HighPart};
    const DWORD linkItself = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;
    for (const auto& [path, flags] :
         {std::pair{link, linkItself}, std::pair{target, DWORD{FILE_FLAG_BACKUP_SEMANTICS}}}) {
        const email32::base::AutoCloseHandle folder(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                                                  nullptr, OPEN_EXISTING, flags, nullptr));
        if (folder) ::SetFileTime(folder.get(), nullptr, nullptr, &then);
    }
    // As the clearing sees it: a folder of an earlier send, two days old.
    WIN32_FIND_DATAA found = {};
    const HANDLE search = ::FindFirstFileA((temp + "Attach-*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
    const ULARGE_INTEGER seen = {{found.ftLastWriteTime.dwLowDateTime, found.ftLastWriteTime.dwHighDateTime}};
    if (search == INVALID_HANDLE_VALUE || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        seen.QuadPart > old.QuadPart + 10000000ULL * 60) {
        ::RemoveDirectoryA(link.c_str());
        GTEST_SKIP() << "this system lists no aged folder link";
    }

    EXPECT_TRUE(scene.Send(email32::dispatch::SendByCommandLine, {"C:\\a.jpg", "C:\\b.jpg"}));
    EXPECT_EQ(ReadFile(target + "\\Attach.lst"), "someone else's file\r\n");
    ::RemoveDirectoryA(link.c_str());
}
