// The notice of a message that waits for the user, through "email32 relay":
// once per send for a refused login, with a button to the account dialog
// whose Save sends what waited, and for a message moved to Outbox\Failed\;
// nothing for a server that is down; and with
// Quiet=1 no window at all, whatever happens to the message. Runs again
// under zh_TW (code page 950); leaves a screenshot among the artifacts.
#include "companions/relay/ui/AccountDialogIds.h"
#include "companions/relay/ui/SendWindowIds.h"
#include "tests/companions/relay/HostWindows.h"
#include "tests/companions/relay/RelayScene.h"

#include <shlwapi.h>

using namespace email32;
using namespace email32::test;

namespace {

std::wstring WideUtf8(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                          wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

class SendNotice : public WindowScene {
protected:
    void SetUp() override {
        WindowScene::SetUp();
        WriteFile(m_files / "a.jpg", "\xFF\xD8 picture");
        m_logBefore = FileExists(RelayLogPath()) ? ReadFile(RelayLogPath()).size() : 0;
    }
    void TearDown() override {
        StoreRelayPassword(L"localhost", L"relay", WideUtf8(ServerPassword()));
        WindowScene::TearDown();
    }
    [[nodiscard]] std::string Relay(const std::string& file = "a.jpg") const {
        return "relay \"" + (m_files / file) + "\"";
    }
    // The STARTTLS server that wants the login "relay".
    static std::string LoginServer() {
        return "Host=localhost\r\nPort=" + std::to_string(ServerPort("starttls")) +
               "\r\nSecurity=starttls\r\nUser=relay\r\nAddress=relay@example.org\r\nRecipient=a@x.example\r\n"
               "CaFile=" +
               ServerFolder() + "pki\\ca.pem\r\n";
    }
    [[nodiscard]] std::string NewLog() const {
        const std::string log = FileExists(RelayLogPath()) ? ReadFile(RelayLogPath()) : std::string();
        return log.size() > m_logBefore ? log.substr(m_logBefore) : std::string();
    }
    // Runs the host to its end, which it must reach without showing a window.
    void ExpectNoWindow(const std::string& arguments, const std::string& output) const {
        std::set<HWND> seen;
        RunningHost host(m_host, arguments);
        const ProcessResult result = host.Finish(120000, &seen);
        EXPECT_EQ(result.output, output) << arguments;
        EXPECT_TRUE(seen.empty()) << arguments;
    }

    size_t m_logBefore = 0;
};

}  // namespace

TEST_F(SendNotice, ARefusedLoginIsToldOnceAndTheAccountDialogItOffersSendsWhatWaitedOnSave) {
    ASSERT_TRUE(StoreRelayPassword(L"localhost", L"relay", L"not the password"));
    Settings(LoginServer());
    std::set<HWND> windows;
    {
        RunningHost host(m_host, Relay());
        const HWND notice = host.WaitForWindow();
        ASSERT_NE(notice, nullptr);
        windows.insert(notice);
        const std::wstring server = L"localhost:" + std::to_wstring(ServerPort("starttls"));
        const std::wstring reason = Chinese() ? L"伺服器 " + server + L" 拒絕了 relay 的登入。"
                                              : L"The server " + server + L" refused the login of relay.";
        bool found = false;
        for (const std::wstring& text : ChildTexts(notice)) found = found || text == reason;
        EXPECT_TRUE(found) << "the reason in one sentence";
        EXPECT_EQ(TextOf(::GetDlgItem(notice, IDC_NOTICE_ACCOUNT)),
                  Chinese() ? L"帳號設定..." : L"Account settings...");
        Screenshot(notice, "send-notice");
        ::PostMessageW(notice, WM_COMMAND, IDCLOSE, 0);
        const ProcessResult kept = host.Finish(120000, &windows);
        EXPECT_EQ(kept.output, "kept in the outbox\n");
        EXPECT_EQ(windows.size(), 1u) << "one notice per send";
    }
    const std::string listed = m_host.Run("relay --list").output;
    EXPECT_NE(listed.find("\ta@x.example\t"), std::string::npos) << listed;
    EXPECT_NE(listed.find("login failed for relay: 535"), std::string::npos) << listed;

    // The button opens the account dialog; the password saved there sends
    // the waiting message and the new one at once.
    const int before = ServerMessageCount("starttls");
    RunningHost host(m_host, Relay());
    const HWND notice = host.WaitForWindow();
    ASSERT_NE(notice, nullptr);
    ::PostMessageW(notice, WM_COMMAND, IDC_NOTICE_ACCOUNT, 0);
    const HWND account = host.WaitForWindow({notice});
    ASSERT_NE(account, nullptr);
    ::SendMessageW(::GetDlgItem(account, IDC_PASSWORD), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(WideUtf8(ServerPassword()).c_str()));
    ::PostMessageW(account, WM_COMMAND, IDOK, 0);
    const ProcessResult sent = host.Finish();
    EXPECT_EQ(sent.output, "delivered\n");
    EXPECT_EQ(ServerMessageCount("starttls"), before + 2);
    EXPECT_TRUE(m_host.Run("relay --list").output.empty());
}

TEST_F(SendNotice, AnUntrustedServerIsToldButAServerThatIsDownOnlyLogs) {
    Settings("Host=localhost\r\nPort=" + std::to_string(ServerPort("rogue")) + "\r\nRecipient=a@x.example\r\n");
    RunningHost untrusted(m_host, Relay());
    const HWND notice = untrusted.WaitForWindow();
    ASSERT_NE(notice, nullptr);
    const std::wstring server = L"localhost:" + std::to_wstring(ServerPort("rogue"));
    const std::wstring reason = Chinese() ? L"伺服器 " + server + L" 不受信任,因此沒有傳送任何內容給它。"
                                          : L"The server " + server + L" is not trusted, so nothing was sent to it.";
    bool found = false;
    for (const std::wstring& text : ChildTexts(notice)) found = found || text == reason;
    EXPECT_TRUE(found);
    ::PostMessageW(notice, WM_COMMAND, IDCLOSE, 0);
    EXPECT_EQ(untrusted.Finish().output, "kept in the outbox\n");

    const ClosedPort down;
    Settings("Host=127.0.0.1\r\nPort=" + std::to_string(down.port) + "\r\nRecipient=a@x.example\r\n");
    ExpectNoWindow(Relay(), "kept in the outbox\n");
    EXPECT_NE(NewLog().find("127.0.0.1:" + std::to_string(down.port) + " connect: "), std::string::npos) << NewLog();
    EXPECT_EQ(SplitLines(m_host.Run("relay --list").output).size(), 2u);
}

TEST_F(SendNotice, AMessageTheServerNeverTakesIsToldOnceWithWhereItWent) {
    Settings(Server("small") + "Recipient=a@x.example\r\n");
    WriteFile(m_files / "large.jpg", std::string(1200000, 'L'));
    std::set<HWND> windows;
    RunningHost host(m_host, Relay("large.jpg"));
    const HWND notice = host.WaitForWindow();
    ASSERT_NE(notice, nullptr);
    windows.insert(notice);
    const std::wstring server = L"127.0.0.1:" + std::to_wstring(ServerPort("small"));
    wchar_t limit[64] = {};
    ::StrFormatByteSizeW(1048576, limit, 64);
    bool named = false, moved = false;
    for (const std::wstring& text : ChildTexts(notice)) {
        named = named || (text.find(server) != std::wstring::npos && text.find(limit) != std::wstring::npos);
        moved = moved || text.find(L"Outbox\\Failed\\") != std::wstring::npos;
    }
    EXPECT_TRUE(named) << "the server and what it takes";
    EXPECT_TRUE(moved) << "where the message went";
    Screenshot(notice, "send-notice-failed");
    ::PostMessageW(notice, WM_COMMAND, IDCLOSE, 0);
    EXPECT_EQ(host.Finish(120000, &windows).output, "kept in the outbox\n");
    EXPECT_EQ(windows.size(), 1u) << "one notice per send";
    EXPECT_NE(m_host.Run("relay --list").output.find("Failed\\"), std::string::npos);
}

TEST_F(SendNotice, WithQuietOneNoWindowAppearsWhateverBecomesOfTheMessage) {
    // No recipient: the message waits for one.
    Settings(Server("plain") + "Quiet=1\r\n");
    ExpectNoWindow(Relay(), "kept in the outbox\n");
    EXPECT_NE(NewLog().find("no recipient set"), std::string::npos) << NewLog();
    // A refused login.
    ASSERT_TRUE(StoreRelayPassword(L"localhost", L"relay", L"not the password"));
    Settings(LoginServer() + "Quiet=1\r\n");
    ExpectNoWindow(Relay(), "kept in the outbox\n");
    EXPECT_NE(NewLog().find("login failed for relay: 535"), std::string::npos) << NewLog();
    // Larger than the server takes: refused for good.
    Settings(Server("small") + "Recipient=a@x.example\r\nQuiet=1\r\n");
    WriteFile(m_files / "large.jpg", std::string(1200000, 'L'));
    ExpectNoWindow(Relay("large.jpg"), "kept in the outbox\n");
    EXPECT_NE(NewLog().find("Failed\\ and never sent again"), std::string::npos) << NewLog();
    EXPECT_NE(m_host.Run("relay --list").output.find("Failed\\"), std::string::npos);
}
