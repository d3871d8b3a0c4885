// The command-line link observed through a recording mail program: the
// command lines it is started with, in which folder, in which order, and the
// attachment list it is given.
#include "dispatch/CommandLineLink.h"
#include "tests/dispatch/SendScene.h"

#include <gtest/gtest.h>

using namespace email32;
using namespace email32::test;

namespace {

std::string CurrentFolder() {
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

std::string ShortPath(const std::string& path) {
    char shortPath[MAX_PATH] = {};
    ::GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return shortPath;
}

// The example of the link's description: program, option "/a" and the
// files x.jpg and y.jpg in one folder.
class CommandLineExample : public ::testing::Test {
protected:
    void SetUp() override {
        m_program = m_scene.Add("record_mail.exe", "Mail\\mail.exe");
        m_x = m_scene.Attachment("T\\x.jpg");
        m_y = m_scene.Attachment("T\\y.jpg");
        m_scene.Installed("Path=" + m_program + "\r\n");
    }
    void Catalogue(const std::string& keys) { m_scene.Catalogue("LinkType=1\r\nCommandOption=/a\r\n" + keys); }
    std::vector<std::pair<std::string, std::string>> Runs(size_t count) { return m_scene.Runs(count); }

    SendScene m_scene;
    std::string m_program, m_x, m_y;
    const std::string m_here = CurrentFolder();
};

}  // namespace

TEST_F(CommandLineExample, OneFileOrMultiplePageZeroHandsOverTheFirstFileAfterTheOption) {
    Catalogue("MultiplePage=0\r\nCommandFileList=1\r\n");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_x, m_y, m_scene.Attachment("T\\z.jpg")}));
    auto runs = Runs(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, m_program + " /a" + m_x);
    EXPECT_EQ(runs[0].second, m_here);
    EXPECT_FALSE(test::FileExists(m_scene.folder() + "Attach.lst"));

    ::DeleteFileA(m_scene.log().c_str());
    Catalogue("MultiplePage=1\r\nCommandFileList=2\r\n");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_y}));
    runs = Runs(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, m_program + " /a" + m_y);
    EXPECT_EQ(runs[0].second, m_here) << "a single file never takes the CommandFileList 2 folder";
}

TEST_F(CommandLineExample, FileListZeroAndThreeStartOneProcessPerFileInListOrder) {
    for (const char* fileList : {"0", "3"}) {
        ::DeleteFileA(m_scene.log().c_str());
        Catalogue(std::string("MultiplePage=1\r\nCommandFileList=") + fileList + "\r\n");
        EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_x, m_y}));
        const auto runs = Runs(2);
        ASSERT_EQ(runs.size(), 2u) << fileList;
        EXPECT_EQ(runs[0].first, m_program + " /a " + m_x);
        EXPECT_EQ(runs[1].first, m_program + " /a " + m_y);
    }
}

TEST_F(CommandLineExample, FileListOneHandsOverTheShortPathOfAListOfItsOwnInTheUserTemporaryFolder) {
    // The host folder refuses the list: a folder stands in its old place (as
    // root under Wine, no permission would stop the write).
    ::CreateDirectoryA((m_scene.folder() + "Attach.lst").c_str(), nullptr);
    Catalogue("MultiplePage=1\r\nCommandFileList=1\r\n");
    ::SetEnvironmentVariableA("E32_LIST_READ_DELAY", "0");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_x, m_y}));
    ::SetEnvironmentVariableA("E32_LIST_READ_DELAY", nullptr);
    const std::vector<Fields> lists = m_scene.Started("list", 1);
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(Fields(lists[0].begin() + 2, lists[0].end()), (Fields{m_x, m_y})) << "the program read both files";
    const auto runs = Runs(1);
    ASSERT_EQ(runs.size(), 1u);
    const std::string prefix = m_program + " /a";
    ASSERT_EQ(runs[0].first.substr(0, prefix.size()), prefix);
    char list[MAX_PATH] = {};
    ASSERT_GT(::GetLongPathNameA(runs[0].first.substr(prefix.size()).c_str(), list, MAX_PATH), 0u);
    EXPECT_EQ(runs[0].first, prefix + ShortPath(list));
    const std::string folder = m_scene.folder() + "temp\\Attach-";
    EXPECT_EQ(std::string(list).substr(0, folder.size()), folder);
    EXPECT_EQ(std::string(list).substr(folder.size() + 8), "\\Attach.lst");
    EXPECT_EQ(ReadFile(list), m_x + "\r\n" + m_y + "\r\n");
}

TEST_F(CommandLineExample, FileListTwoRunsInTheLastFilesFolderWithBareNames) {
    const std::string other = m_scene.Attachment("U\\w.jpg");
    Catalogue("MultiplePage=1\r\nCommandFileList=2\r\n");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_x, m_y}));
    auto runs = Runs(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, m_program + " /a x.jpg y.jpg");
    EXPECT_EQ(runs[0].second, m_scene.folder() + "T");
    EXPECT_EQ(CurrentFolder(), m_here);

    ::DeleteFileA(m_scene.log().c_str());
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_x, other}));
    runs = Runs(1);
    ASSERT_EQ(runs.size(), 1u) << ReadFile(m_scene.log());
    EXPECT_EQ(runs[0].first, m_program + " /a x.jpg w.jpg");
    EXPECT_EQ(runs[0].second, m_scene.folder() + "U");
    EXPECT_EQ(CurrentFolder(), m_here);
}

TEST_F(CommandLineExample, NothingStartsWithoutFilesOptionOrKnownFileList) {
    Catalogue("MultiplePage=1\r\nCommandFileList=7\r\n");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_x, m_y}))
        << "an unknown CommandFileList still reports success";
    EXPECT_FALSE(m_scene.Send(email32::dispatch::SendByCommandLine, {}));
    m_scene.Catalogue("LinkType=1\r\nMultiplePage=1\r\nCommandFileList=0\r\n");
    EXPECT_FALSE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_x}));
    EXPECT_FALSE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_x, m_y}));
    EXPECT_TRUE(Runs(0).empty());
}

TEST_F(CommandLineExample, AProgramPathWithBlanksGoesInQuoted) {
    const std::string program = m_scene.Add("record_mail.exe", "Mail Box\\mail.exe");
    m_scene.Installed("Path=" + program + "\r\n");
    Catalogue("");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByCommandLine, {m_x}));
    const auto runs = Runs(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, "\"" + program + "\" /a" + m_x);
}

TEST(AttachList, AListThatCannotBeWrittenStartsNothing) {
    SendScene scene;
    const std::string program = scene.Add("record_mail.exe", "Mail\\mail.exe");
    scene.Installed("Path=" + program + "\r\n");
    scene.Catalogue("LinkType=1\r\nCommandOption=/a\r\nMultiplePage=1\r\nCommandFileList=1\r\n");
    // A file where the per-user temporary folder belongs.
    WriteFile(scene.folder() + "temp", "");
    EXPECT_FALSE(scene.Send(email32::dispatch::SendByCommandLine, {"C:\\a.jpg", "C:\\b.jpg"}));
    EXPECT_TRUE(scene.Runs(0).empty());
}
