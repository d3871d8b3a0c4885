#include "companions/relay/settings/SettingsFiles.h"

#include "companions/relay/Outbox.h"
#include "base/ProfileText.h"
#include "base/Win32Handles.h"
#include "base/Path.h"
#include "base/Text.h"

#include <vector>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::base;
namespace {

constexpr char kSection[] = "Server";

// Larger files are not settings but damage.
constexpr long long kLongestFile = 16ll << 20;

// The file's text as UTF-8; nullopt when it exists but cannot be read. An
// absent file reads as an empty one.
std::optional<std::string> Utf8Text(const std::wstring& path) {
    if (path.empty()) return std::string();
    const std::optional<email32::base::ProfileText> loaded = email32::base::LoadProfileText(path, kLongestFile);
    if (!loaded) return std::nullopt;
    return loaded->encoding == email32::base::Encoding::CodePage ? Utf8FromAnsi(loaded->text) : loaded->text;
}

// A new settings file starts as UTF-16 with its byte order mark: the
// profile functions then keep every character, whatever the code page.
bool EnsureUnicodeFile(const std::wstring& path) {
    const email32::base::AutoCloseHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return ::GetLastError() == ERROR_FILE_EXISTS;
    static const BYTE kMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    return ::WriteFile(file.get(), kMark, sizeof kMark, &written, nullptr) && written == sizeof kMark;
}

}  // namespace

std::wstring UserSettingsPath() {
    const OutboxPlace place = FindOutbox();
    if (place.logPath.empty()) return {};
    return FolderOf(place.logPath) + L"Relay32.ini";
}

SettingsFiles SettingsFilesOf(HMODULE plugin) {
    const std::wstring module = ModulePath(plugin);
    return SettingsFiles{module.empty() ? L"Relay32.ini" : FolderOf(module) + L"Relay32.ini", UserSettingsPath()};
}

SettingsReader::SettingsReader(SettingsFiles files) : m_files(std::move(files)) {
    const std::optional<std::string> user = Utf8Text(m_files.user);
    const std::optional<std::string> shared = Utf8Text(m_files.shared);
    m_readable = user && shared;
    if (!m_readable) return;
    m_user.emplace(*user);
    m_shared.emplace(*shared);
}

const std::wstring& SettingsReader::FileOf(const char* key) const {
    return m_user && m_user->Value(kSection, key) ? m_files.user : m_files.shared;
}

std::string SettingsReader::Text(const char* key) const {
    if (!m_readable) return {};
    if (std::optional<std::string> value = m_user->Value(kSection, key)) return *value;
    return m_shared->Value(kSection, key).value_or(std::string());
}

std::wstring UserSettingsFile() {
    const std::wstring path = UserSettingsPath();
    return !path.empty() && EnsureUnicodeFile(path) ? path : std::wstring();
}

bool WriteUserSettings(const SettingValues& values, HMODULE plugin, std::string& problem) {
    const std::wstring path = UserSettingsPath();
    if (path.empty()) return problem = "there is no per-user folder to keep the settings in", false;
    if (!EnsureUnicodeFile(path)) return problem = "cannot create " + Utf8(path), false;
    for (const auto& [key, value] : values) {
        if (!::WritePrivateProfileStringW(L"Server", key.c_str(), value.c_str(), path.c_str())) {
            return problem = "cannot write " + Utf8(path), false;
        }
    }
    std::wstring folder = FolderOf(ModulePath(plugin));
    if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Email32\\Relay", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
        return problem = "cannot record the plug-in's folder in the registry", false;
    }
    const email32::base::AutoRegKey owner(key);
    const auto bytes = static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t));
    if (::RegSetValueExW(key, L"Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()), bytes) !=
        ERROR_SUCCESS) {
        return problem = "cannot record the plug-in's folder in the registry", false;
    }
    return true;
}

}  // namespace relay
