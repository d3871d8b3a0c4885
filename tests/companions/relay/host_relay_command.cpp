// "email32 relay" and "email32 relay-password": the files reach the plug-in
// of the host's folder; without a server they wait in the outbox, and a
// flush says so; the password goes from standard input to the Credential
// Manager; without the plug-in the host says so.
#include "base/Win32Handles.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wincred.h>

using namespace email32;
using namespace email32::test;

namespace {

void ClearOutbox() {
    WIN32_FIND_DATAA found;
    const std::string outbox = AppDataFolder() + "Outbox\\";
    const HANDLE search = ::FindFirstFileA((outbox + "*.eml").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do ::DeleteFileA((outbox + found.cFileName).c_str());
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

// Runs the deployed host with a file as its standard input.
ProcessResult RunWithInput(const Deployment& deployment, const std::string& arguments, const std::string& input) {
    const TempFolder folder("stdin");
    WriteFile(folder / "input.txt", input);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const AutoCloseHandle in(::CreateFileA((folder / "input.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit,
                                           OPEN_EXISTING, 0, nullptr));
    const HANDLE saved = ::GetStdHandle(STD_INPUT_HANDLE);
    ::SetStdHandle(STD_INPUT_HANDLE, in.get());
    ProcessResult result = deployment.Run(arguments);
    ::SetStdHandle(STD_INPUT_HANDLE, saved);
    return result;
}

}  // namespace

TEST(RelayCommand, FilesGoThroughThePluginBesideTheHost) {
    ClearOutbox();
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

    const ProcessResult flushed = deployment.Run("relay --flush");
    EXPECT_EQ(flushed.output, "delivered 0, kept 1\n");
    EXPECT_EQ(flushed.exitCode, 1u);
    ::DeleteFileA(saved.c_str());
    EXPECT_EQ(deployment.Run("relay --flush").output, "delivered 0, kept 0\n");

    const ProcessResult nothing = deployment.Run("relay \"" + (files / "absent.jpg") + "\"");
    EXPECT_EQ(nothing.exitCode, 1u);
    EXPECT_EQ(nothing.output, "nothing sent\n");
}

TEST(RelayCommand, APasswordGoesFromStandardInputToTheCredentialManager) {
    Deployment deployment;
    deployment.Add("Relay32.dll", "Relay32.dll");
    // UTF-8 on the pipe, with a line end of either kind.
    const ProcessResult stored = RunWithInput(deployment, "relay-password mail.email32.example me@email32.example",
                                              "p\xC3\xA4ss w0rd\r\nrest\n");
    EXPECT_EQ(stored.output, "stored the password for me@email32.example at mail.email32.example\n");
    EXPECT_EQ(stored.exitCode, 0u);

    PCREDENTIALW credential = nullptr;
    ASSERT_TRUE(::CredReadW(L"Relay32:mail.email32.example", CRED_TYPE_GENERIC, 0, &credential));
    EXPECT_STREQ(credential->UserName, L"me@email32.example");
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(credential->CredentialBlob),
                           credential->CredentialBlobSize / sizeof(wchar_t)),
              L"p\u00E4ss w0rd");
    ::CredFree(credential);
    ::CredDeleteW(L"Relay32:mail.email32.example", CRED_TYPE_GENERIC, 0);

    const ProcessResult empty = RunWithInput(deployment, "relay-password mail.email32.example me", "\n");
    EXPECT_EQ(empty.exitCode, 1u);
    EXPECT_NE(empty.errors.find("no password on standard input"), std::string::npos);
    EXPECT_EQ(RunWithInput(deployment, "relay-password mail.email32.example", "x\n").exitCode, 64u);
}

TEST(RelayCommand, WithoutThePluginTheHostSaysSo) {
    Deployment deployment;
    const ProcessResult result = deployment.Run("relay x.jpg");
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(result.errors.rfind("email32: no Relay32.dll with MailSvr_SendFiles in the host folder", 0), 0u);
}
