// Link types 6 and 7 against recording companions beside the catalogue: the
// calls, their order, the record's bytes, the search path and the short paths.
#include "dispatch/CompanionEntries.h"
#include "tests/dispatch/SendScene.h"

#include <gtest/gtest.h>

using namespace email32;
using namespace email32::test;

namespace {

std::string PathVariable() {
    char value[32768] = {};
    ::GetEnvironmentVariableA("Path", value, sizeof value);
    return value;
}

// The process's "Path" and the doubles' switches are put back after each test.
class NotesBridge : public ::testing::Test {
protected:
    void SetUp() override {
        m_scene.Installed("Path=C:\\Notes\\notes.exe\r\n");
        m_scene.Catalogue("LinkType=6\r\n");
    }
    void TearDown() override {
        ::SetEnvironmentVariableA("Path", m_savedPath.c_str());
        for (const char* name : {"E32_NOTES_LOAD", "E32_NOTES_READY", "E32_NOTES_TOUCH"}) {
            ::SetEnvironmentVariableA(name, nullptr);
        }
    }
    void AddBridge() { m_scene.Add("NotesBridgeDouble.dll", "Nbridge32.dll"); }
    std::vector<Fields> Calls() { return m_scene.Records("ImageToNotesProc"); }

    SendScene m_scene;
    const std::string m_savedPath = PathVariable();
};

// The record as the bridge saw it, pointer field left out (its bytes 8-11).
std::string WithoutPointer(const std::string& hex) { return hex.substr(0, 16) + "........" + hex.substr(24); }

}  // namespace

TEST_F(NotesBridge, RecordsTheFourCommandsAndTheExactRecordBeforeSending) {
    AddBridge();
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByNotesBridge, {"C:\\T\\a.jpg", "C:\\T\\b.jpg"}));
    EXPECT_EQ(PathVariable(), m_savedPath + ";C:\\Notes\\");
    const std::vector<Fields> calls = Calls();
    ASSERT_EQ(calls.size(), 4u);
    // clang-format off
    const std::string initial = "00000000" "0000" "0000" "00000000" "01000000" "00000000" "00000000";
    // clang-format on
    EXPECT_EQ(calls[0], (Fields{"ImageToNotesProc", "9004", "24", initial}));
    EXPECT_EQ(calls[1], (Fields{"ImageToNotesProc", "9003", "24", initial}));
    ASSERT_EQ(calls[2].size(), 5u);
    EXPECT_EQ(calls[2][1], "9002");
    // clang-format off
    EXPECT_EQ(WithoutPointer(calls[2][3]), "00000000" "e703" "0000" "........" "01000000" "02000000" "00000000");
    // clang-format on
    EXPECT_EQ(calls[2][4], "C:\\T\\a.jpg C:\\T\\b.jpg");
    EXPECT_EQ(calls[3], (Fields{"ImageToNotesProc", "9005", "0", "(null)"}));
    EXPECT_EQ(m_scene.Records().front(), (Fields{"attach", "Nbridge32"}));
    EXPECT_EQ(m_scene.Records().back(), (Fields{"detach", "Nbridge32"}));
}

TEST_F(NotesBridge, FieldsTheBridgeChangedAreNotWrittenAgain) {
    AddBridge();
    ::SetEnvironmentVariableA("E32_NOTES_TOUCH", "1");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByNotesBridge, {}));
    const std::vector<Fields> calls = Calls();
    ASSERT_EQ(calls.size(), 4u);
    // clang-format off
    EXPECT_EQ(WithoutPointer(calls[2][3]), "11111111" "e703" "0000" "........" "22222222" "00000000" "33333333");
    // clang-format on
    ASSERT_EQ(calls[2].size(), 5u);
    EXPECT_EQ(calls[2][4], "") << "an empty list is sent as an empty text, never null";
    EXPECT_NE(calls[2][3].substr(16, 8), "00000000");
}

TEST_F(NotesBridge, EverySendAppendsTheNotesFolderToPathEvenWhenTheBridgeFails) {
    AddBridge();
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByNotesBridge, {"C:\\a.jpg"}));
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByNotesBridge, {"C:\\a.jpg"}));
    EXPECT_EQ(PathVariable(), m_savedPath + ";C:\\Notes\\;C:\\Notes\\");

    ::SetEnvironmentVariableA("Path", m_savedPath.c_str());
    ::DeleteFileA(m_scene.log().c_str());
    ::SetEnvironmentVariableA("E32_NOTES_LOAD", "0");
    EXPECT_FALSE(m_scene.Send(email32::dispatch::SendByNotesBridge, {"C:\\a.jpg"}));
    EXPECT_EQ(PathVariable(), m_savedPath + ";C:\\Notes\\");
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(m_scene.Records().back(), (Fields{"detach", "Nbridge32"}));
}

TEST_F(NotesBridge, ANotesClientThatIsNotReadyGetsNothingButTheSendSucceeds) {
    AddBridge();
    ::SetEnvironmentVariableA("E32_NOTES_READY", "0");
    EXPECT_TRUE(m_scene.Send(email32::dispatch::SendByNotesBridge, {"C:\\a.jpg"}));
    const std::vector<Fields> calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1][1], "9003");
}

TEST_F(NotesBridge, WithoutTheBridgeOrItsEntriesNothingChanges) {
    EXPECT_FALSE(m_scene.Send(email32::dispatch::SendByNotesBridge, {"C:\\a.jpg"}));
    EXPECT_EQ(PathVariable(), m_savedPath);
    m_scene.Add("MailServerDouble.dll", "Nbridge32.dll");
    EXPECT_FALSE(m_scene.Send(email32::dispatch::SendByNotesBridge, {"C:\\a.jpg"}));
    EXPECT_EQ(PathVariable(), m_savedPath);
    EXPECT_EQ(m_scene.Records().back(), (Fields{"detach", "Relay32"}));
}

TEST(MailServerLink, HandsOverShortPathsJoinedByCaretsAndFreesThePlugIn) {
    SendScene scene;
    scene.Catalogue("LinkType=7\r\n");
    EXPECT_FALSE(scene.Send(email32::dispatch::SendByMailServer, {"C:\\a.jpg"})) << "no Relay32.dll";
    scene.Add("MailServerDouble.dll", "Relay32.dll");
    const std::string longName = scene.Attachment("Long Folder Name\\A Long Picture Name.jpeg");
    char shortName[MAX_PATH] = {};
    ASSERT_GT(::GetShortPathNameA(longName.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(std::string(shortName), longName);
    const std::string missing = "C:\\nowhere\\missing picture.jpg";
    EXPECT_TRUE(scene.Send(email32::dispatch::SendByMailServer, {longName, missing}));
    EXPECT_EQ(
        scene.Records(),
        (std::vector<Fields>{{"attach", "Relay32"},
                             {"MailSvr_SendFiles", "1", std::string(shortName) + "^" + missing, longName, missing},
                             {"detach", "Relay32"}}));
    ::DeleteFileA(scene.log().c_str());
    EXPECT_TRUE(scene.Send(email32::dispatch::SendByMailServer, {}));
    EXPECT_EQ(scene.Records("MailSvr_SendFiles"), (std::vector<Fields>{{"MailSvr_SendFiles", "1", ""}}));
}

TEST(MailServerLink, APlugInWithoutItsEntryIsFreedAndRefused) {
    SendScene scene;
    scene.Catalogue("LinkType=7\r\n");
    scene.Add("NotesBridgeDouble.dll", "Relay32.dll");
    EXPECT_FALSE(scene.Send(email32::dispatch::SendByMailServer, {"C:\\a.jpg"}));
    EXPECT_EQ(scene.Records(), (std::vector<Fields>{{"attach", "Nbridge32"}, {"detach", "Nbridge32"}}));
}

TEST_F(NotesBridge, APathWithABlankAndNoShortFormStopsTheSendRatherThanGoInPieces) {
    AddBridge();
    EXPECT_FALSE(m_scene.Send(email32::dispatch::SendByNotesBridge, {"C:\\T\\a.jpg", "C:\\Nowhere\\my pic.jpg"}));
    EXPECT_TRUE(Calls().empty());
}
