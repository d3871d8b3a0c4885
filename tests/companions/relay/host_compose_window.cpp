// The compose window, as a person meets it through "email32 relay" with no
// recipient in the settings: whom the pictures go to is typed into To, the
// recipients used before are offered, Escape cancels and nothing is sent;
// and a host that names recipients itself gets the window only with
// Compose=1. Runs again under zh_TW (code page 950), where the texts are
// Chinese; leaves screenshots among the artifacts.
#include "companions/relay/ui/SendWindowIds.h"
#include "tests/companions/relay/HostWindows.h"
#include "tests/companions/relay/RelayScene.h"
#include "tests/sendui/DialogDriver.h"

#include <shlwapi.h>

#include <atomic>

using namespace email32;
using namespace email32::test;

namespace {

using SendMessageFn = int(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*,
                                    const wchar_t* const*, int);

class ComposeWindow : public WindowScene {
protected:
    void SetUp() override {
        WindowScene::SetUp();
        WriteFile(m_files / "a.jpg", std::string(150000, 'J'));
    }
    [[nodiscard]] std::string Picture() const { return "\"" + (m_files / "a.jpg") + "\""; }
    // The newest message the server kept: its text and its envelope.
    static std::string Newest(const std::string& server, const char* extension) {
        char name[16];
        std::snprintf(name, sizeof name, "%04d%s", ServerMessageCount(server), extension);
        return ReadFile(ServerFolder() + server + "\\" + name);
    }
    // The list of recipients offered under a field, when it shows.
    static std::vector<std::wstring> Offered(DWORD processId) {
        std::vector<std::wstring> items;
        for (const HWND window : VisibleWindows(processId)) {
            wchar_t name[32] = {};
            ::GetClassNameW(window, name, 32);
            if (_wcsicmp(name, L"ListBox") != 0) continue;
            const LRESULT count = ::SendMessageW(window, LB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                wchar_t text[256] = {};
                ::SendMessageW(window, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
                items.emplace_back(text);
            }
        }
        return items;
    }
};

// Keeps a window from blocking the call on this thread: any that shows is
// counted and closed.
class WindowWatch {
public:
    WindowWatch() : m_thread(::GetCurrentThreadId()), m_watcher([this] { Watch(); }) {}
    ~WindowWatch() { Stop(); }
    int Stop() {
        m_done = true;
        if (m_watcher.joinable()) m_watcher.join();
        return m_seen;
    }

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        if (!::IsWindowVisible(window)) return TRUE;
        ++reinterpret_cast<WindowWatch*>(self)->m_seen;
        ::PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    void Watch() {
        while (!m_done) {
            ::EnumThreadWindows(m_thread, Visit, reinterpret_cast<LPARAM>(this));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    DWORD m_thread;
    std::atomic<bool> m_done{false};
    std::atomic<int> m_seen{0};
    std::thread m_watcher;
};

}  // namespace

TEST_F(ComposeWindow, WithoutARecipientTheRelayCommandAsksWhomToAndSendsThereOnSend) {
    Settings(Server("plain") + "Sender=Photo Desk <desk@example.org>\r\n");
    const int before = ServerMessageCount("plain");
    RunningHost host(m_host, "relay " + Picture());
    const HWND window = host.WaitForWindow();
    ASSERT_NE(window, nullptr);
    const DialogSession compose(window);
    EXPECT_EQ(compose.Caption(), Chinese() ? L"傳送圖片" : L"Send Pictures");
    EXPECT_EQ(compose.WideText(IDOK), Chinese() ? L"傳送" : L"Send");
    EXPECT_EQ(FocusOf(window), compose.Item(IDC_COMPOSE_TO));
    EXPECT_EQ(LOWORD(::SendMessageW(window, DM_GETDEFID, 0, 0)), IDOK);
    EXPECT_EQ(compose.WideText(IDC_COMPOSE_FROM), L"Photo Desk <desk@example.org>");
    EXPECT_EQ(compose.WideText(IDC_COMPOSE_SUBJECT), L"Pictures");
    wchar_t size[64] = {};
    ::StrFormatByteSizeW(150000, size, 64);
    EXPECT_NE(compose.WideText(IDC_COMPOSE_FILES_LABEL).find(size), std::wstring::npos);
    for (const std::wstring& text : ChildTexts(window)) EXPECT_EQ(text.find(L'?'), std::wstring::npos) << text.size();

    Type(compose.Item(IDC_COMPOSE_TO), L"club@example.org");
    Screenshot(window, "compose-window");
    compose.Click(IDOK);
    const ProcessResult sent = host.Finish();
    EXPECT_EQ(sent.output, "delivered\n");
    EXPECT_EQ(sent.exitCode, 0u);
    ASSERT_EQ(ServerMessageCount("plain"), before + 1);
    EXPECT_NE(Newest("plain", ".json").find("\"rcpt_tos\": [\"club@example.org\"]"), std::string::npos);
    const std::string message = Newest("plain", ".eml");
    EXPECT_NE(message.find("To: club@example.org\r\n"), std::string::npos) << message.substr(0, 600);
    EXPECT_NE(message.find("Subject: Pictures\r\n"), std::string::npos);
}

TEST_F(ComposeWindow, RecipientsUsedBeforeAreOfferedAsTheUserTypesAndEscapeCancelsWithNothingSent) {
    Settings(Server("plain"));
    const std::wstring used =
        L"\xFEFF[Recipients]\r\n1=Photo Club <club@example.org>\r\n2=Anna Lee <anna@example.net>\r\n";
    WriteFile(AppDataFolder() + "Relay32.ini",
              std::string(reinterpret_cast<const char*>(used.data()), used.size() * sizeof(wchar_t)));
    const int before = ServerMessageCount("plain");
    RunningHost host(m_host, "relay " + Picture());
    const HWND window = host.WaitForWindow();
    ASSERT_NE(window, nullptr);
    const HWND to = ::GetDlgItem(window, IDC_COMPOSE_TO);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);

    // A word of the name is enough; Down and Enter take the offer, and Enter
    // does not send while the list is open.
    Type(to, L"lee");
    EXPECT_EQ(Offered(process), std::vector<std::wstring>{L"Anna Lee <anna@example.net>"});
    ::SendMessageW(to, WM_KEYDOWN, VK_DOWN, 1);
    Press(to, VK_RETURN);
    EXPECT_EQ(TextOf(to), L"Anna Lee <anna@example.net>, ");
    EXPECT_TRUE(Offered(process).empty());
    Type(to, L"CL");
    EXPECT_EQ(Offered(process), std::vector<std::wstring>{L"Photo Club <club@example.org>"});
    Screenshot(window, "compose-offers");

    // Escape closes the list first, then the window.
    Press(to, VK_ESCAPE);
    EXPECT_TRUE(Offered(process).empty());
    EXPECT_TRUE(::IsWindowVisible(window));
    Press(to, VK_ESCAPE);
    const ProcessResult cancelled = host.Finish();
    EXPECT_EQ(cancelled.output, "nothing sent\n");
    EXPECT_EQ(cancelled.exitCode, 1u);
    EXPECT_EQ(ServerMessageCount("plain"), before);
    EXPECT_TRUE(m_host.Run("relay --list").output.empty());
}

TEST_F(ComposeWindow, AHostThatNamesRecipientsGetsTheWindowOnlyWithComposeOneAndItHoldsTheHostsMessage) {
    const email32::base::AutoLibrary plugin(::LoadLibraryA((m_host.folder() + "Relay32.dll").c_str()));
    const auto send = email32::base::ProcAddress<SendMessageFn>(plugin.get(), "MailSvr_SendMessageW");
    ASSERT_TRUE(send);
    const std::wstring file = Wide(m_files / "a.jpg");
    const wchar_t* files[] = {file.c_str()};
    const int before = ServerMessageCount("plain");

    Settings(Server("plain") + "Quiet=0\r\n");
    WindowWatch none;
    EXPECT_EQ(send(L"Photo Club <club@example.org>", nullptr, L"Trip, day 2", nullptr, files, 1), 1);
    EXPECT_EQ(none.Stop(), 0);

    Settings(Server("plain") + "Recipient=settings@example.org\r\nCompose=1\r\n");
    // The host's own window, active: the compose window belongs to it.
    const HWND own = ::CreateWindowExW(0, L"STATIC", L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                       nullptr, nullptr, nullptr);
    ::SetActiveWindow(own);
    int result = -1;
    const bool seen = DriveDialog(
        [&] { result = send(L"Photo Club <club@example.org>", nullptr, L"Trip, day 2", L"Two pictures", files, 1); },
        [&](DialogSession& d) {
            EXPECT_EQ(::GetWindow(d.window(), GW_OWNER), own);
            EXPECT_EQ(d.WideText(IDC_COMPOSE_TO), L"Photo Club <club@example.org>");
            EXPECT_EQ(d.WideText(IDC_COMPOSE_SUBJECT), L"Trip, day 2");
            EXPECT_EQ(d.WideText(IDC_COMPOSE_TEXT), L"Two pictures");
            ::SetDlgItemTextW(d.window(), IDC_COMPOSE_SUBJECT, L"Trip, day 3");
            d.Click(IDOK);
        });
    ::DestroyWindow(own);
    EXPECT_TRUE(seen);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(ServerMessageCount("plain"), before + 2);
    EXPECT_NE(Newest("plain", ".json").find("\"rcpt_tos\": [\"club@example.org\"]"), std::string::npos);
    EXPECT_NE(Newest("plain", ".eml").find("Subject: Trip, day 3\r\n"), std::string::npos);
}
