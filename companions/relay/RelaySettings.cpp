#include "companions/relay/RelaySettings.h"

#include "companions/relay/TextCodec.h"

#include <vector>

namespace relay {
namespace {

constexpr wchar_t kSection[] = L"Server";

std::string ReadText(const std::wstring& path, const wchar_t* key) {
    std::vector<wchar_t> buffer(1024);
    const DWORD length = ::GetPrivateProfileStringW(kSection, key, L"", buffer.data(),
                                                    static_cast<DWORD>(buffer.size()), path.c_str());
    return Utf8FromWide(std::wstring_view(buffer.data(), length));
}

void ReadTextInto(const std::wstring& path, const wchar_t* key, std::string& value) {
    std::string text = ReadText(path, key);
    if (!text.empty()) value = std::move(text);
}

// GetPrivateProfileInt reads "abc" as 0 and "-5" as -5; both stay default.
int ReadNumber(const std::wstring& path, const wchar_t* key, int low, int high, int fallback) {
    const int value = static_cast<int>(::GetPrivateProfileIntW(kSection, key, fallback, path.c_str()));
    return value >= low && value <= high ? value : fallback;
}

}  // namespace

std::wstring SettingsPathBeside(HMODULE module) {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return L"Relay32.ini";
        if (length < path.size()) {
            std::wstring text(path.data(), length);
            return text.substr(0, text.find_last_of(L"\\/") + 1) + L"Relay32.ini";
        }
        path.resize(path.size() * 2);
    }
}

RelaySettings LoadRelaySettings(const std::wstring& path) {
    RelaySettings settings;
    settings.host = ReadText(path, L"Host");
    settings.port = static_cast<unsigned short>(ReadNumber(path, L"Port", 1, 65535, settings.port));
    ReadTextInto(path, L"Sender", settings.sender);
    settings.recipient = ReadText(path, L"Recipient");
    ReadTextInto(path, L"Subject", settings.subject);
    settings.timeoutSeconds = ReadNumber(path, L"Timeout", 1, 600, settings.timeoutSeconds);
    return settings;
}

}  // namespace relay
