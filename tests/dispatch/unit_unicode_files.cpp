// A file whose name the ANSI code page cannot hold ("照片 Ω.jpg" under code
// page 1252) sent through SendMailWide: whole to a program's wide command
// line and to MAPISendMailW, by its short path to every ANSI contract, and
// refused where no name would reach the other side.
#include "registry/ComponentSends.h"
#include "base/Text.h"
#include "tests/dispatch/SendScene.h"

#include <gtest/gtest.h>

using namespace email32;
using namespace email32::test;
using email32::base::Utf8;

namespace {

const std::wstring kPhotoName = L"照片 Ω.jpg";

// The host's catalogue beside the test program and its installed list in the
// per-user folder, for an object that sends as a host's does.
class WideSend : public ::testing::Test {
protected:
    void SetUp() override {
        if (base::NarrowExact(kPhotoName)) GTEST_SKIP() << "the ANSI code page names the file";
        ::CreateDirectoryA(AppDataFolder().c_str(), nullptr);
        m_program = m_scene.Add("record_mail.exe", "Mail\\mail.exe");
        m_scene.Add("MapiRecorder.dll", "Mail\\wide.dll");
        m_scene.Add("MapiAnsiOnly.dll", "Mail\\ansi.dll");
        WriteFile(m_catalogue,
                  "[Mail]\r\nLinkType=1\r\nCommandOption=/a\r\n"
                  "[Mapi]\r\nLinkType=10\r\nMAPI32DLL=wide.dll\r\n"
                  "[OldMapi]\r\nLinkType=10\r\nMAPI32DLL=ansi.dll\r\n");
        WriteFile(m_alive,
                  "[AliveEmailSys]\r\nCount=3\r\n1=Mail\r\n2=Mapi\r\n3=OldMapi\r\n"
                  "[Mail]\r\nPath=" +
                      m_program + "\r\n[Mapi]\r\nPath=" + m_program + "\r\n[OldMapi]\r\nPath=" + m_program + "\r\n");
        ASSERT_EQ(m_component.InitEmailSysDB(false), 3);
        m_photo = base::Widen(m_scene.folder()) + kPhotoName;
        const HANDLE file = ::CreateFileW(m_photo.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        ::CloseHandle(file);
    }
    void TearDown() override {
        ::DeleteFileW(m_photo.c_str());
        ::DeleteFileA(m_alive.c_str());
        ::DeleteFileA(m_catalogue.c_str());
    }
    // The long path a short one recorded by a double stands for.
    static std::wstring LongPath(const std::string& shortPath) {
        wchar_t path[MAX_PATH] = {};
        ::GetLongPathNameW(base::Widen(shortPath).c_str(), path, MAX_PATH);
        return path;
    }

    SendScene m_scene;
    const std::string m_catalogue = BinFolder() + "EmailDB.ini";
    const std::string m_alive = AppDataFolder() + "AliveDB.ini";
    EmailComponent m_component{false};
    std::string m_program;
    std::wstring m_photo;
};

}  // namespace

TEST_F(WideSend, ReachesTheProgramsWideCommandLineExactly) {
    EXPECT_TRUE(email32::registry::SendMailWide(m_component, "Mail", {m_photo}));
    const std::vector<Fields> runs = m_scene.Started("run", 1);
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_GE(runs[0].size(), 6u);
    EXPECT_EQ(runs[0][4], m_program + " /a\"" + Utf8(m_photo) + "\"");
    EXPECT_EQ(runs[0][5], "/a" + Utf8(m_photo));
}

TEST_F(WideSend, ReachesMapiSendMailWExactlyOrTheAnsiCallByShortPath) {
    EXPECT_TRUE(email32::registry::SendMailWide(m_component, "Mapi", {m_photo}));
    EXPECT_EQ(m_scene.Records("MAPISendMailW"),
              (std::vector<Fields>{{"MAPISendMailW", "24149", "0", "9", "1", Utf8(m_photo), "(null)"}}));
    EXPECT_TRUE(m_scene.Records("MAPISendDocuments").empty());

    // A provider without the wide entry gets the short path, which names the
    // same file.
    EXPECT_TRUE(email32::registry::SendMailWide(m_component, "OldMapi", {m_photo}));
    const std::vector<Fields> sent = m_scene.Records("MAPISendDocuments");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(LongPath(sent[0].at(3)), m_photo);
    // A file without a short path cannot be named to it: nothing is sent.
    EXPECT_FALSE(email32::registry::SendMailWide(m_component, "OldMapi", {m_photo + L".missing"}));
    EXPECT_EQ(m_scene.Records("MAPISendDocuments").size(), 1u);
}

TEST_F(WideSend, ReachesTheAnsiContractsByShortPath) {
    m_scene.Add("MailServerDouble.dll", "Relay32.dll");
    EXPECT_TRUE(m_scene.SendWide(email32::dispatch::SendByMailServer, {m_photo}));
    const std::vector<Fields> relayed = m_scene.Records("MailSvr_SendFiles");
    ASSERT_EQ(relayed.size(), 1u);
    EXPECT_EQ(relayed[0].at(3), Utf8(m_photo));

    m_scene.Add("NotesBridgeDouble.dll", "Nbridge32.dll");
    m_scene.Installed("Path=C:\\Notes\\notes.exe\r\n");
    char savedPath[32768] = {};
    ::GetEnvironmentVariableA("Path", savedPath, sizeof savedPath);
    EXPECT_TRUE(m_scene.SendWide(email32::dispatch::SendByNotesBridge, {m_photo}));
    ::SetEnvironmentVariableA("Path", savedPath);
    const std::vector<Fields> bridged = m_scene.Records("ImageToNotesProc");
    ASSERT_EQ(bridged.size(), 4u);
    EXPECT_EQ(LongPath(bridged[2].at(4)), m_photo);

    m_scene.Installed("Path=" + m_program + "\r\n");
    m_scene.Catalogue("LinkType=1\r\nCommandOption=/a\r\nMultiplePage=1\r\nCommandFileList=1\r\n");
    ::SetEnvironmentVariableA("E32_LIST_READ_DELAY", "0");
    EXPECT_TRUE(m_scene.SendWide(email32::dispatch::SendByCommandLine, {m_photo, m_photo}));
    ::SetEnvironmentVariableA("E32_LIST_READ_DELAY", nullptr);
    const std::vector<Fields> lists = m_scene.Started("list", 1);
    ASSERT_EQ(lists.size(), 1u);
    ASSERT_EQ(lists[0].size(), 4u);
    EXPECT_EQ(LongPath(lists[0][2]), m_photo);

    // Without a short path no ANSI name exists: refused before anything loads.
    ::DeleteFileA(m_scene.log().c_str());
    EXPECT_FALSE(m_scene.SendWide(email32::dispatch::SendByMailServer, {m_photo + L".missing"}));
    EXPECT_FALSE(m_scene.SendWide(email32::dispatch::SendByNotesBridge, {m_photo + L".missing"}));
    EXPECT_FALSE(m_scene.SendWide(email32::dispatch::SendByCommandLine, {m_photo, m_photo + L".missing"}));
    EXPECT_TRUE(m_scene.Records().empty());
}
