// "email32 relay-signin" against a local OAuth server, and delivery with the
// tokens it stored to an SMTP server that takes only XOAUTH2 or OAUTHBEARER:
// the device flow, refresh before a send, a refused refresh that keeps the
// message, no token in any file, and the browser flow through a stand-in
// browser registered as the prefix's handler of http and https URLs.
#include "tests/companions/relay/AccountScene.h"

#include <wincred.h>

#include <functional>
#include <thread>

using namespace email32::test;

namespace {

using AccountSignIn = AccountScene;

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

void ForgetTokens(const std::string& address) {
    ::CredDeleteA(("Relay32-OAuth:" + address).c_str(), CRED_TYPE_GENERIC, 0);
    ::CredDeleteA(("Relay32-OAuth-Access:" + address).c_str(), CRED_TYPE_GENERIC, 0);
}

// Every file below the folder.
void VisitFiles(const std::string& folder, const std::function<void(const std::string&)>& visit) {
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) VisitFiles(folder + name + "\\", visit);
        else visit(folder + name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

// A browser command registered for a URL scheme, put back afterwards.
class UrlHandler {
public:
    UrlHandler(const char* scheme, const std::string& command) : m_key(std::string(scheme) + "\\shell\\open\\command") {
        char text[1024] = {};
        LONG size = sizeof text;
        m_had = ::RegQueryValueA(HKEY_CLASSES_ROOT, m_key.c_str(), text, &size) == ERROR_SUCCESS;
        m_saved = text;
        ::RegSetValueA(HKEY_CLASSES_ROOT, m_key.c_str(), REG_SZ, command.c_str(), static_cast<DWORD>(command.size()));
    }
    ~UrlHandler() {
        if (m_had) ::RegSetValueA(HKEY_CLASSES_ROOT, m_key.c_str(), REG_SZ, m_saved.c_str(), 0);
        else ::RegDeleteKeyA(HKEY_CLASSES_ROOT, m_key.c_str());
    }

private:
    std::string m_key, m_saved;
    bool m_had = false;
};

}  // namespace

TEST_F(AccountSignIn, TheDeviceFlowSignsInAndSendsRefreshOrKeepTheMessageAsTheTokensAllow) {
    const std::string address = "device@example.test";
    ForgetTokens(address);
    WriteSharedSettings("Host=localhost\r\nPort=" + std::to_string(AccountServerPort("smtp")) +
                        "\r\nSecurity=starttls\r\n");
    const TempFolder files("oauthfiles");
    WriteFile(files / "picture.jpg", "not much of a picture");
    const std::string send = "relay \"" + (files / "picture.jpg") + "\"";

    // Sign-in with the code shown, then AuthMethod=OAUTH2 in the per-user file.
    const ProcessResult signedIn = m_host.Run("relay-signin " + address + " --device");
    EXPECT_EQ(signedIn.output, "To sign in, visit " + AccountServerUrl() +
                                   "/device and enter the code WDJB-MJHT\n"
                                   "signed in as " +
                                   address + "\n");
    ASSERT_EQ(signedIn.exitCode, 0u) << signedIn.errors;
    EXPECT_NE(AccountServerFile("grants").find("device pending\ndevice_code\n"), std::string::npos);

    // The sign-in's own access token carries the first send.
    const ProcessResult first = m_host.Run(send);
    EXPECT_EQ(first.output, "delivered\n") << first.errors;
    EXPECT_EQ(Count(AccountServerFile("grants"), "refresh_token"), 0);

    // An access token valid for 2 s: a send 5 s later renews it first.
    WriteFile(AccountServerFolder() + "lifetime", "2");
    EXPECT_EQ(m_host.Run("relay-signin " + address + " --device").exitCode, 0u);
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const ProcessResult later = m_host.Run(send);
    EXPECT_EQ(later.output, "delivered\n") << later.errors;
    EXPECT_EQ(Count(AccountServerFile("grants"), "refresh_token\n"), 1);
    EXPECT_EQ(Count(AccountServerFile("smtp\\transcript"), "accepted"), 2);

    // The provider refuses the stored sign-in: the message waits, and the log
    // says that a new sign-in is needed.
    WriteFile(AccountServerFolder() + "revoked", "");
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const std::string log = AppDataFolder() + "Relay32.log";
    const size_t logBefore = FileExists(log) ? ReadFile(log).size() : 0;
    const ProcessResult refused = m_host.Run(send);
    EXPECT_EQ(refused.output, "kept in the outbox\n");
    const std::string added = ReadFile(log).substr(logBefore);
    EXPECT_NE(added.find("invalid_grant"), std::string::npos) << added;
    EXPECT_NE(added.find("sign-in is needed: email32 relay-signin " + address), std::string::npos) << added;
    EXPECT_NE(added.find("message kept in "), std::string::npos) << added;

    // No token the server issued lies in any file of the host, the per-user
    // folder (settings, log, outbox) or the prefix's registry files.
    const std::vector<std::string> tokens = SplitLines(AccountServerFile("tokens"));
    ASSERT_FALSE(tokens.empty());
    std::vector<std::string> paths;
    for (const std::string& folder : {m_host.folder(), AppDataFolder()})
        VisitFiles(folder, [&](const std::string& path) { paths.push_back(path); });
    char prefix[MAX_PATH] = {};
    if (::GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH)) {
        for (const char* name : {"system.reg", "user.reg", "userdef.reg"})
            paths.push_back("Z:" + std::string(prefix) + "\\" + name);
    }
    for (const std::string& path : paths) {
        const std::string text = FileExists(path) ? ReadFile(path) : std::string();
        for (const std::string& token : tokens) EXPECT_EQ(text.find(token), std::string::npos) << path;
    }
    const size_t kept = added.find("message kept in ");
    ::DeleteFileA(added.substr(kept + 16, added.find("\r\n", kept) - kept - 16).c_str());
    ForgetTokens(address);
}

TEST_F(AccountSignIn, TheBrowserFlowSignsInThroughTheSystemsBrowser) {
    const std::string address = "browser@example.test";
    ForgetTokens(address);
    WriteSharedSettings();
    ::DeleteFileA((DoublesFolder() + "StandInBrowser.log").c_str());
    const std::string browser = "\"" + DoublesFolder() + "StandInBrowser.exe\" \"%1\"";
    const UrlHandler http("http", browser), https("https", browser);

    const ProcessResult signedIn = m_host.Run("relay-signin " + address);
    EXPECT_EQ(signedIn.output, "signed in as " + address + "\n") << signedIn.errors;
    EXPECT_EQ(signedIn.exitCode, 0u);
    const std::vector<std::string> opened = SplitLines(ReadFile(DoublesFolder() + "StandInBrowser.log"));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(
        opened[0].rfind(AccountServerUrl() + "/oauth/authorize?response_type=code&client_id=email32-test-client", 0),
        0u);
    EXPECT_NE(opened[0].find("code_challenge_method=S256"), std::string::npos);
    EXPECT_EQ(opened[1].rfind("http://127.0.0.1:", 0), 0u);
    EXPECT_NE(AccountServerFile("grants").find("authorize browser@example.test\nauthorization_code\n"),
              std::string::npos);

    PCREDENTIALA credential = nullptr;
    ASSERT_TRUE(::CredReadA(("Relay32-OAuth:" + address).c_str(), CRED_TYPE_GENERIC, 0, &credential));
    EXPECT_STREQ(credential->UserName, address.c_str());
    ::CredFree(credential);
    ForgetTokens(address);

    // Without the host maker's registration, sign-in says what it needs.
    WriteFile(m_host.folder() + "Relay32.ini", "[Server]\r\nCaFile=ca.pem\r\n");
    const ProcessResult unregistered = m_host.Run("relay-signin someone@gmail.com");
    EXPECT_EQ(unregistered.exitCode, 1u);
    EXPECT_NE(unregistered.errors.find("needs the host maker's own registration"), std::string::npos);
    EXPECT_NE(unregistered.errors.find("app password"), std::string::npos);
}
