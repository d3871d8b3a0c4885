#include "dispatch/SendRequest.h"

#include "base/IniFile.h"

#include <windows.h>

#include <tuple>

namespace email32 {

std::wstring WidenAnsi(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

bool NarrowExact(const std::wstring& text, std::string& narrow) {
    narrow.clear();
    if (text.empty()) return true;
    const int size = static_cast<int>(text.size());
    // No best fit: a character the code page lacks must not turn into a
    // look-alike that names some other file.
    BOOL usedDefault = FALSE;
    const int length =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return false;
    narrow.assign(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, narrow.data(), length, nullptr,
                          &usedDefault);
    // A code page without a default character reports no substitution; the
    // round trip tells.
    if (usedDefault || WidenAnsi(narrow) != text) {
        narrow.clear();
        return false;
    }
    return true;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

SendFiles FilesFromAnsi(const std::vector<std::string>& paths) {
    SendFiles files;
    files.reserve(paths.size());
    for (const std::string& path : paths) files.push_back(SendFile{WidenAnsi(path), path, true});
    return files;
}

SendFiles FilesFromWide(const std::vector<std::wstring>& paths) {
    SendFiles files;
    files.reserve(paths.size());
    for (const std::wstring& path : paths) {
        SendFile file{path, std::string(), false};
        file.ansiExact = NarrowExact(path, file.ansi);
        files.push_back(std::move(file));
    }
    return files;
}

std::optional<Recipients> ReadRecipients(const MessageFields& fields, std::string& problem) {
    Recipients recipients;
    problem.clear();
    for (const auto& [name, text, list] :
         {std::tuple{"to", &fields.to, &recipients.to}, std::tuple{"cc", &fields.cc, &recipients.cc}}) {
        message::ParsedAddresses parsed = message::ParseAddressList(Utf8(*text));
        if (!parsed.problem.empty()) {
            problem = std::string(name) + ": " + parsed.problem;
            return std::nullopt;
        }
        *list = std::move(parsed.mailboxes);
    }
    return recipients;
}

SendRequest MakeSendRequest(const CatalogueEntry& entry, const std::string& appDataFolder, SendFiles files,
                            MessageFields fields, Recipients recipients) {
    SendRequest request;
    request.entry = entry;
    request.appDataFolder = appDataFolder;
    request.aliveDbPath = appDataFolder + "AliveDB.ini";
    request.programPath = ini::ReadString(request.aliveDbPath, entry.SystemKey().c_str(), "Path");
    request.files = std::move(files);
    request.fields = std::move(fields);
    request.recipients = std::move(recipients);
    return request;
}

std::optional<std::wstring> ShortPath(const std::wstring& path) {
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    return std::wstring(shortPath, length);
}

std::optional<std::string> AnsiName(const SendFile& file) {
    if (file.ansiExact) return file.ansi;
    std::string narrow;
    const std::optional<std::wstring> shortPath = ShortPath(file.path);
    if (shortPath && NarrowExact(*shortPath, narrow)) return narrow;
    return std::nullopt;
}

}  // namespace email32
