#include "companions/relay/RelaySettings.h"

#include "companions/relay/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace relay {
namespace {

constexpr wchar_t kSection[] = L"Server";
// Longer values are not settings but damage; they are read as empty.
constexpr DWORD kLongestValue = 64 * 1024;

std::string ReadText(const std::wstring& path, const wchar_t* key) {
    // GetPrivateProfileString cuts a value to the buffer silently: a cut
    // address list could name someone else, so the buffer grows instead.
    for (DWORD size = 1024; size <= kLongestValue; size *= 4) {
        std::vector<wchar_t> buffer(size);
        const DWORD length = ::GetPrivateProfileStringW(kSection, key, L"", buffer.data(), size, path.c_str());
        if (length + 1 < size) return Utf8FromWide(std::wstring_view(buffer.data(), length));
    }
    return {};
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

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/") + 1); }

bool IsAbsolute(const std::wstring& path) {
    return (path.size() > 1 && path[1] == L':') || (!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
}

}  // namespace

std::wstring SettingsPathBeside(HMODULE module) {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return L"Relay32.ini";
        if (length < path.size()) return FolderOf(std::wstring(path.data(), length)) + L"Relay32.ini";
        path.resize(path.size() * 2);
    }
}

RelaySettings LoadRelaySettings(const std::wstring& path) {
    RelaySettings settings;
    settings.path = path;
    settings.host = Trimmed(ReadText(path, L"Host"));

    const std::string security = Upper(Trimmed(ReadText(path, L"Security")));
    if (security.empty() || security == "AUTO") settings.security = Security::Auto;
    else if (security == "STARTTLS") settings.security = Security::StartTls;
    else if (security == "TLS") settings.security = Security::Tls;
    else if (security == "NONE") settings.security = Security::None;
    else settings.problem = "Security=" + security + " is none of auto, starttls, tls, none";

    const int defaultPort = settings.security == Security::Tls ? 465 : 25;
    settings.port = static_cast<unsigned short>(ReadNumber(path, L"Port", 1, 65535, defaultPort));
    settings.user = Trimmed(ReadText(path, L"User"));

    settings.authMethod = Upper(Trimmed(ReadText(path, L"AuthMethod")));
    static constexpr const char* kMethods[] = {"PLAIN", "LOGIN", "XOAUTH2", "CRAM-MD5"};
    if (!settings.authMethod.empty() &&
        std::none_of(std::begin(kMethods), std::end(kMethods),
                     [&](const char* m) { return settings.authMethod == m; }) &&
        settings.problem.empty()) {
        settings.problem = "AuthMethod=" + settings.authMethod + " is none of PLAIN, LOGIN, XOAUTH2, CRAM-MD5";
    }

    const std::wstring caFile = WideFromUtf8(Trimmed(ReadText(path, L"CaFile")));
    if (!caFile.empty()) settings.caFile = IsAbsolute(caFile) ? caFile : FolderOf(path) + caFile;

    ReadTextInto(path, L"Sender", settings.sender);
    settings.recipient = ReadText(path, L"Recipient");
    ReadTextInto(path, L"Subject", settings.subject);
    settings.timeoutSeconds = ReadNumber(path, L"Timeout", 1, 600, settings.timeoutSeconds);
    return settings;
}

bool IsLoopbackHost(const std::string& host) {
    const std::string name = Upper(host);
    if (name == "LOCALHOST" || name == "::1" || name == "[::1]") return true;
    // A dotted IPv4 address whose first number is 127.
    int parts = 0;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('.', start);
        if (end == std::string::npos) end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        if (std::stoi(part) > 255 || (parts == 0 && part != "127")) return false;
        ++parts;
        start = end + 1;
    }
    return parts == 4;
}

}  // namespace relay
