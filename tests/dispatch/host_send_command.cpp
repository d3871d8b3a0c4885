// email32 send on a deployed host: the installed list decides which system a
// key names, the default serves the empty key, and the link's result is
// what the host reports.
#include "tests/dispatch/SendScene.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace email32::test;

namespace {

std::string WithoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// A deployment with three installed systems: a command-line mail program
// (the default), the mail-server plug-in and one without a link.
class SendCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ::CreateDirectoryA(AppDataFolder().c_str(), nullptr);
        m_deployment.Add("record_mail.exe", "mail.exe");
        m_deployment.Add("MailServerDouble.dll", "Relay32.dll");
        m_deployment.WriteCatalogue(
            "[Mail]\r\nLinkType=1\r\nCommandOption=-attach\r\nMultiplePage=1\r\nCommandFileList=0\r\n"
            "[Relay]\r\nLinkType=7\r\n[Nothing]\r\nLinkType=3\r\nCommandOption=/a\r\n");
        WriteFile(m_alive,
                  "[AliveEmailSys]\r\nCount=3\r\n1=Mail\r\n2=Relay\r\n3=Nothing\r\n"
                  "[DefaultEmailSys]\r\nDefault=Mail\r\n[Mail]\r\nPath=" +
                      m_deployment.folder() + "mail.exe\r\n");
        ::SetEnvironmentVariableA("E32_DOUBLE_LOG", m_log.c_str());
    }
    void TearDown() override {
        ::DeleteFileA(m_alive.c_str());
        ::SetEnvironmentVariableA("E32_DOUBLE_LOG", nullptr);
    }
    std::vector<Fields> Records() {
        std::vector<Fields> records;
        for (int tries = 0; tries < 200 && records.empty(); ++tries) {
            std::istringstream in(ReadFile(m_log));
            std::string line;
            while (std::getline(in, line)) records.push_back(SplitFields(line));
            if (records.empty()) ::Sleep(25);
        }
        return records;
    }

    Deployment m_deployment;
    TempFolder m_files{"files"};
    const std::string m_alive = AppDataFolder() + "AliveDB.ini";
    const std::string m_log = m_files / "record.log";
};

}  // namespace

TEST_F(SendCommand, TheEmptyKeySendsThroughTheDefaultSystem) {
    const ProcessResult result = m_deployment.Run("send C:\\T\\x.jpg");
    EXPECT_EQ(result.output, "handed over\n");
    EXPECT_EQ(result.exitCode, 0u);
    const std::vector<Fields> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].at(2), m_deployment.folder() + "mail.exe -attachC:\\T\\x.jpg");
}

TEST_F(SendCommand, ANamedSystemGetsTheFilesThroughItsLink) {
    const std::string picture = m_files / "x.jpg";
    WriteFile(picture, "x");
    char shortPath[MAX_PATH] = {};
    ::GetShortPathNameA(picture.c_str(), shortPath, MAX_PATH);
    const ProcessResult result = m_deployment.Run("send --system Relay " + picture + " C:\\absent.jpg");
    EXPECT_EQ(result.output, "handed over\n");
    EXPECT_EQ(Records(), (std::vector<Fields>{{"attach", "Relay32"},
                                              {"MailSvr_SendFiles", "1", std::string(shortPath) + "^C:\\absent.jpg",
                                               picture, "C:\\absent.jpg"},
                                              {"detach", "Relay32"}}));
}

TEST_F(SendCommand, ASystemWithoutALinkIsNotHandedOver) {
    const ProcessResult result = m_deployment.Run("send --system Nothing C:\\T\\x.jpg");
    EXPECT_EQ(result.output, "not handed over\n");
    EXPECT_EQ(result.exitCode, 1u);
    ::Sleep(200);
    EXPECT_FALSE(FileExists(m_log));
}

TEST_F(SendCommand, AKeyDifferingInLetterCaseIsNotInstalled) {
    const ProcessResult result = m_deployment.Run("send --system mail C:\\T\\x.jpg");
    EXPECT_EQ(result.exitCode, 2u);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(WithoutCarriageReturns(result.errors), "email32: EmailSysNotAlive: mail is not installed\n");
}

TEST_F(SendCommand, TheOneFileFormActsAsAOneElementList) {
    Deployment probe(Deployment::Userpath::Real, "probe_host.exe");
    probe.Add("record_mail.exe", "mail.exe");
    probe.WriteCatalogue("[Mail]\r\nLinkType=1\r\nCommandOption=-attach\r\nMultiplePage=0\r\n");
    WriteFile(m_alive, "[AliveEmailSys]\r\nCount=1\r\n1=Mail\r\n[Mail]\r\nPath=" + probe.folder() + "mail.exe\r\n");
    EXPECT_EQ(WithoutCarriageReturns(probe.Run("send-one C:\\T\\x.jpg Mail").output), "true\n");
    const std::vector<Fields> records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].at(2), probe.folder() + "mail.exe -attachC:\\T\\x.jpg");
    EXPECT_EQ(WithoutCarriageReturns(probe.Run("send-one C:\\T\\x.jpg Other").output), "EmailSysNotAlive Other\n");
    EXPECT_EQ(WithoutCarriageReturns(probe.Run("send-unloaded").output), "EmailDBEmpty\n");
}

TEST_F(SendCommand, FieldsGoWhereTheLinkTakesThemAndARefusalSaysWhy) {
    const std::string picture = m_files / "x.jpg";
    WriteFile(picture, "x");
    const ProcessResult result = m_deployment.Run(
        "send --system Relay --to \"Photo Club <club@example.org>\" --subject \"Trip, day 2\" --body \"Two "
        "pictures\" " +
        picture);
    EXPECT_EQ(result.output, "handed over\n");
    EXPECT_EQ(result.exitCode, 0u) << result.errors;
    EXPECT_EQ(Records(), (std::vector<Fields>{{"attach", "Relay32"},
                                              {"MailSvr_SendMessageW", "Photo Club <club@example.org>", "(null)",
                                               "Trip, day 2", "Two pictures", "1", picture},
                                              {"detach", "Relay32"}}));

    const ProcessResult refused = m_deployment.Run("send --system Nothing --subject Hi " + picture);
    EXPECT_EQ(refused.output, "not handed over\n");
    EXPECT_EQ(refused.exitCode, 1u);
    EXPECT_EQ(WithoutCarriageReturns(refused.errors), "email32: LinkType 3 of Nothing has no link\n");
}
