// "email32 relay" and "email32 relay-password": the files reach the plug-in
// of the host's folder; without a server they wait in the outbox, and a
// flush says so; the password goes from standard input to the Credential
// Manager; without the plug-in the host says so. With the fixture's SMTP
// servers: whom a queued message reaches, and that an impostor of a trusted
// root gets nothing.
#include "base/Win32Handles.h"
#include "tests/companions/relay/RelayScene.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wincred.h>

using namespace email32;
using namespace email32::test;

namespace {

// A deployed host with the plug-in, a picture to send, and the outbox
// empty before and after.
class RelayHost : public ::testing::Test {
protected:
    void SetUp() override {
        if (ServerFolder().empty()) GTEST_SKIP() << "needs the SMTP servers";
        ClearOutbox();
        m_deployment.Add("Relay32.dll", "Relay32.dll");
        WriteFile(m_files / "picture.jpg", "\xFF\xD8 picture");
        m_logBefore = FileExists(RelayLogPath()) ? ReadFile(RelayLogPath()).size() : 0;
    }
    void TearDown() override { ClearOutbox(); }
    void Settings(const std::string& lines) const {
        WriteFile(m_deployment.folder() + "Relay32.ini", "[Server]\r\nQuiet=1\r\n" + lines);
    }
    [[nodiscard]] ProcessResult Relay() const {
        return m_deployment.Run("relay \"" + (m_files / "picture.jpg") + "\"");
    }
    [[nodiscard]] std::string NewLog() const {
        const std::string log = FileExists(RelayLogPath()) ? ReadFile(RelayLogPath()) : std::string();
        return log.size() > m_logBefore ? log.substr(m_logBefore) : std::string();
    }

    Deployment m_deployment;
    TempFolder m_files{"relayhost"};
    size_t m_logBefore = 0;
};

// Runs the deployed host with a file as its standard input.
ProcessResult RunWithInput(const Deployment& deployment, const std::string& arguments, const std::string& input) {
    const TempFolder folder("stdin");
    WriteFile(folder / "input.txt", input);
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const email32::base::AutoCloseHandle in(::CreateFileA((folder / "input.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                          &inherit, OPEN_EXISTING, 0, nullptr));
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
    WriteFile(deployment.folder() + "Relay32.ini", "[Server]\r\nRecipient=a@x.example\r\nQuiet=1\r\n");
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
    EXPECT_EQ(flushed.output, "delivered 0, kept 1, busy 0\n");
    EXPECT_EQ(flushed.exitCode, 1u);
    ::DeleteFileA(saved.c_str());
    EXPECT_EQ(deployment.Run("relay --flush").output, "delivered 0, kept 0, busy 0\n");

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

TEST_F(RelayHost, AnImpostorOfTheCaFileRootGetsNoLoginAndNoMessageWhileTheRealRootDelivers) {
    const std::string password = ServerPassword();
    std::wstring wide(password.size(), L'\0');
    wide.resize(static_cast<size_t>(::MultiByteToWideChar(
        CP_UTF8, 0, password.data(), static_cast<int>(password.size()), wide.data(), static_cast<int>(wide.size()))));
    ASSERT_TRUE(StoreRelayPassword(L"localhost", L"relay", wide));
    // Same subject and serial number as the CaFile's root, another key.
    const auto settings = [](const std::string& server) {
        return "Host=localhost\r\nPort=" + std::to_string(ServerPort(server)) +
               "\r\nSecurity=starttls\r\nUser=relay\r\nRecipient=a@x.example\r\nCaFile=" + ServerFolder() +
               "pki\\ca.pem\r\n";
    };
    const std::string before = ServerTranscript("impostor");
    Settings(settings("impostor"));
    const ProcessResult refused = Relay();
    EXPECT_EQ(refused.output, "kept in the outbox\n");
    const std::string said = ServerTranscript("impostor").substr(before.size());
    EXPECT_NE(said.find("STARTTLS"), std::string::npos) << said;
    EXPECT_EQ(said.find("AUTH"), std::string::npos) << said;
    EXPECT_EQ(said.find("MAIL"), std::string::npos) << said;
    EXPECT_EQ(ServerMessageCount("impostor"), 0);
    EXPECT_NE(NewLog().find("localhost:" + std::to_string(ServerPort("impostor")) + " is not trusted: "),
              std::string::npos)
        << NewLog();

    ClearOutbox();
    const int delivered = ServerMessageCount("starttls");
    Settings(settings("starttls"));
    EXPECT_EQ(Relay().output, "delivered\n");
    EXPECT_EQ(ServerMessageCount("starttls"), delivered + 1);
}

TEST_F(RelayHost, AQueuedMessageReachesThePeopleItWasWrittenForAfterTheSettingsChange) {
    const ClosedPort down;
    Settings("Host=127.0.0.1\r\nPort=" + std::to_string(down.port) + "\r\nRecipient=first@x.example\r\n");
    EXPECT_EQ(Relay().output, "kept in the outbox\n");

    Settings("Host=127.0.0.1\r\nPort=" + std::to_string(ServerPort("plain")) + "\r\nRecipient=second@x.example\r\n");
    const int before = ServerMessageCount("plain");
    const ProcessResult flushed = m_deployment.Run("relay --flush");
    EXPECT_EQ(flushed.output, "delivered 1, kept 0, busy 0\n");
    EXPECT_EQ(flushed.exitCode, 0u);
    ASSERT_EQ(ServerMessageCount("plain"), before + 1);
    char name[16];
    std::snprintf(name, sizeof name, "%04d.json", before + 1);
    EXPECT_NE(ReadFile(ServerFolder() + "plain\\" + name).find("\"rcpt_tos\": [\"first@x.example\"]"),
              std::string::npos);
}

TEST_F(RelayHost, AFlushCountsWhatAnotherSenderHoldsAsBusyAndSaysWhyAnOutboxCannotBeUsed) {
    Settings("Recipient=a@x.example\r\n");
    ASSERT_EQ(Relay().output, "kept in the outbox\n");
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((OutboxFolder() + "*.eml").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    ::FindClose(search);
    {
        // Held as a sender holds the message it delivers.
        const email32::base::AutoCloseHandle held(::CreateFileA((OutboxFolder() + found.cFileName).c_str(),
                                                                GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        const ProcessResult flushed = m_deployment.Run("relay --flush");
        EXPECT_EQ(flushed.output, "delivered 0, kept 0, busy 1\n");
        EXPECT_EQ(flushed.exitCode, 0u);
    }

    // An outbox that is no folder: nothing can be delivered or removed.
    ClearOutbox();
    for (const char* folder : {"Damaged", "Failed"}) {
        ASSERT_TRUE(::RemoveDirectoryA((OutboxFolder() + folder).c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND);
    }
    ASSERT_TRUE(::RemoveDirectoryA(OutboxFolder().c_str()));
    WriteFile(AppDataFolder() + "Outbox", "");
    const ProcessResult unusable = m_deployment.Run("relay --flush");
    ::DeleteFileA((AppDataFolder() + "Outbox").c_str());
    ::CreateDirectoryA(OutboxFolder().c_str(), nullptr);
    EXPECT_EQ(unusable.output, "delivered 0, kept 0, busy 0\n");
    EXPECT_EQ(unusable.exitCode, 1u);
    const std::string why = "the outbox " + OutboxFolder() + " is a file, not a folder; nothing could be done";
    EXPECT_NE(unusable.errors.find(why), std::string::npos) << unusable.errors;
    EXPECT_NE(NewLog().find(why), std::string::npos) << NewLog();
}

TEST_F(RelayHost, AMessageOverTheServersSizeGoesToFailedAfterOneTryAndTheNextSendSaysNothingOfIt) {
    Settings("Host=127.0.0.1\r\nPort=" + std::to_string(ServerPort("small")) + "\r\nRecipient=a@x.example\r\n");
    WriteFile(m_files / "large.jpg", std::string(1200000, 'L'));
    const std::string before = ServerTranscript("small");
    EXPECT_EQ(m_deployment.Run("relay \"" + (m_files / "large.jpg") + "\"").output, "kept in the outbox\n");
    EXPECT_EQ(ServerTranscript("small").substr(before.size()).find("MAIL"), std::string::npos);
    const std::string log = NewLog();
    EXPECT_NE(log.find("is larger than the server takes (SIZE 1048576); "), std::string::npos) << log;
    EXPECT_NE(log.find(" moved to " + OutboxFolder() + "Failed\\ and never sent again"), std::string::npos) << log;

    const size_t logged = NewLog().size();
    const int delivered = ServerMessageCount("small");
    EXPECT_EQ(Relay().output, "delivered\n");
    EXPECT_EQ(ServerMessageCount("small"), delivered + 1);
    EXPECT_EQ(NewLog().substr(logged), "");
}

TEST_F(RelayHost, ListShowsEachWaitingMessageWithItsSizeAndLastReasonAndRemoveDeletesIt) {
    // One refused for good, one waiting for the server.
    Settings("Host=127.0.0.1\r\nPort=" + std::to_string(ServerPort("plain")) + "\r\nRecipient=refused@x.example\r\n");
    ASSERT_EQ(Relay().output, "kept in the outbox\n");
    const ClosedPort down;
    Settings("Host=127.0.0.1\r\nPort=" + std::to_string(down.port) + "\r\nRecipient=c@x.example\r\n");
    ASSERT_EQ(Relay().output, "kept in the outbox\n");

    const ProcessResult listed = m_deployment.Run("relay --list");
    EXPECT_EQ(listed.exitCode, 0u);
    const std::vector<std::string> lines = SplitLines(listed.output);
    ASSERT_EQ(lines.size(), 2u) << listed.output;
    std::vector<std::vector<std::string>> fields;
    for (const std::string& line : lines) {
        std::vector<std::string> parts;
        for (size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1) {
            tab = line.find('\t', start);
            parts.push_back(line.substr(start, tab - start));
        }
        ASSERT_EQ(parts.size(), 5u) << line;
        fields.push_back(parts);
    }
    const std::string waiting = fields[0][0];
    EXPECT_EQ(waiting.substr(waiting.size() - 4), ".eml");
    EXPECT_EQ(fields[0][1].size(), 19u) << fields[0][1];  // YYYY-MM-DD HH:MM:SS
    EXPECT_EQ(fields[0][2], std::to_string(ReadFile(OutboxFolder() + waiting).size()));
    EXPECT_EQ(fields[0][3], "c@x.example");
    EXPECT_NE(fields[0][4].find("127.0.0.1:" + std::to_string(down.port) + " connect: "), std::string::npos);
    EXPECT_EQ(fields[1][0].rfind("Failed\\", 0), 0u);
    EXPECT_EQ(fields[1][3], "refused@x.example");
    EXPECT_NE(fields[1][4].find("refused: 550"), std::string::npos) << fields[1][4];

    {
        // Held as a sender holds the message it delivers.
        const email32::base::AutoCloseHandle held(
            ::CreateFileA((OutboxFolder() + waiting).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        const ProcessResult busy = m_deployment.Run("relay --remove " + waiting);
        EXPECT_EQ(busy.exitCode, 1u);
        EXPECT_NE(busy.errors.find("is being delivered right now; not removed"), std::string::npos) << busy.errors;
    }
    const ProcessResult removed = m_deployment.Run("relay --remove " + waiting);
    EXPECT_EQ(removed.output, "removed " + waiting + "\n");
    EXPECT_EQ(removed.exitCode, 0u);
    EXPECT_FALSE(FileExists(OutboxFolder() + waiting));
    EXPECT_FALSE(FileExists(OutboxFolder() + waiting.substr(0, waiting.size() - 4) + ".env"));
    EXPECT_EQ(m_deployment.Run("relay --remove \"" + OutboxFolder() + fields[1][0] + "\"").exitCode, 0u);
    EXPECT_EQ(m_deployment.Run("relay --list").output, "");
    const ProcessResult again = m_deployment.Run("relay --remove " + waiting);
    EXPECT_EQ(again.exitCode, 1u);
    EXPECT_NE(again.errors.find("no message " + waiting + " in the outbox"), std::string::npos);
}
