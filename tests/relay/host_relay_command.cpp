// "email32 relay": the files reach the plug-in of the host's folder; without a
// server they wait in the outbox; without the plug-in the host says so.
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace email32::test;

TEST(RelayCommand, FilesGoThroughThePluginBesideTheHost) {
    Deployment deployment;
    deployment.Add("Relay32.dll", "Relay32.dll");
    WriteFile(deployment.folder() + "Relay32.ini", "[Server]\r\nRecipient=a@x.example\r\n");
    const TempFolder files("relaycmd");
    WriteFile(files / "one.jpg", "1");
    const std::string log = AppDataFolder() + "Relay32.log";
    const size_t logBefore = FileExists(log) ? ReadFile(log).size() : 0;

    const ProcessResult kept = deployment.Run("relay \"" + (files / "one.jpg") + "\"");
    EXPECT_EQ(kept.exitCode, 1u);
    EXPECT_EQ(kept.output, "kept in the outbox\n");
    const std::string added = ReadFile(log).substr(logBefore);
    EXPECT_NE(added.find("no server set"), std::string::npos) << added;
    const size_t at = added.find("message kept in ");
    ASSERT_NE(at, std::string::npos);
    const std::string saved = added.substr(at + 16, added.find("\r\n", at) - at - 16);
    EXPECT_NE(ReadFile(saved).find("filename=\"one.jpg\""), std::string::npos);
    ::DeleteFileA(saved.c_str());

    const ProcessResult nothing = deployment.Run("relay \"" + (files / "absent.jpg") + "\"");
    EXPECT_EQ(nothing.exitCode, 1u);
    EXPECT_EQ(nothing.output, "nothing sent\n");
}

TEST(RelayCommand, WithoutThePluginTheHostSaysSo) {
    Deployment deployment;
    const ProcessResult result = deployment.Run("relay x.jpg");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.errors.rfind("email32: no Relay32.dll with MailSvr_SendFiles in the host folder", 0), 0u);
}
