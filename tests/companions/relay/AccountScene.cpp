#include "tests/companions/relay/AccountScene.h"

#include <cstdlib>

namespace email32::test {
namespace {

constexpr char kRelayKey[] = "Software\\Email32\\Relay";

bool ReadFolderValue(std::string& value) {
    char text[MAX_PATH] = {};
    DWORD size = sizeof text;
    if (::RegGetValueA(HKEY_CURRENT_USER, kRelayKey, "Folder", RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return false;
    value = text;
    return true;
}

}  // namespace

std::string AccountServerFolder() {
    char value[MAX_PATH] = {};
    if (!::GetEnvironmentVariableA("RELAY32_ACCOUNT_FOLDER", value, MAX_PATH)) return {};
    std::string folder(value);
    for (char& c : folder) {
        if (c == '/') c = '\\';
    }
    return folder.back() == '\\' ? folder : folder + "\\";
}

int AccountServerPort(const std::string& name) {
    return std::atoi(ReadFile(AccountServerFolder() + name + ".port").c_str());
}

std::string AccountServerFile(const std::string& name) {
    const std::string path = AccountServerFolder() + name;
    return FileExists(path) ? ReadFile(path) : std::string();
}

std::string AccountServerUrl() { return "https://localhost:" + std::to_string(AccountServerPort("https")); }

std::string UserSettingsFile() { return AppDataFolder() + "Relay32.ini"; }

void AccountScene::SetUp() {
    ASSERT_FALSE(AccountServerFolder().empty()) << "run with the relay_accounts fixture";
    m_hadFolder = ReadFolderValue(m_savedFolder);
    ::DeleteFileA(UserSettingsFile().c_str());
    ::DeleteFileA((AccountServerFolder() + "revoked").c_str());
    ::DeleteFileA((AccountServerFolder() + "lifetime").c_str());
    m_host.Add("Relay32.dll", "Relay32.dll");
    CopyFileOrFail(AccountServerFolder() + "pki\\ca.pem", m_host.folder() + "ca.pem");
}

void AccountScene::TearDown() {
    // Other tests' settings must not meet this test's account.
    ::DeleteFileA(UserSettingsFile().c_str());
    if (m_hadFolder) {
        ::RegSetKeyValueA(HKEY_CURRENT_USER, kRelayKey, "Folder", REG_SZ, m_savedFolder.c_str(),
                          static_cast<DWORD>(m_savedFolder.size() + 1));
    } else {
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRelayKey, "Folder");
    }
}

void AccountScene::WriteSharedSettings(const std::string& extraLines) const {
    const std::string oauth = AccountServerUrl() + "/oauth/";
    WriteFile(
        m_host.folder() + "Relay32.ini",
        "[Server]\r\nCaFile=ca.pem\r\nOAuthClientId=email32-test-client\r\nOAuthAuthorizeUrl=" + oauth +
            "authorize\r\nOAuthTokenUrl=" + oauth + "token\r\nOAuthDeviceUrl=" + oauth +
            "device\r\nOAuthScope=smtp offline_access\r\nRecipient=friend@example.test\r\nTimeout=10\r\nQuiet=1\r\n" +
            extraLines);
}

}  // namespace email32::test
