#include "dispatch/AttachList.h"

#include "dispatch/SendRequest.h"
#include "base/Win32Handles.h"

#include <windows.h>

namespace email32 {
namespace {

constexpr wchar_t kListName[] = L"Attach.lst";
constexpr wchar_t kFolderPrefix[] = L"Attach-";
// A mail program reads its list when it starts; a day leaves room for one
// that waits for its user first.
constexpr ULONGLONG kListLifetime = 24ULL * 60 * 60 * 10000000;  // in 100 ns

struct FindTraits {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(handle_type h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(handle_type h) noexcept { ::FindClose(h); }
};
using AutoFind = UniqueHandle<FindTraits>;

std::wstring Hex(unsigned int value) {
    std::wstring text(8, L'0');
    for (int i = 7; i >= 0; --i, value >>= 4) text[i] = L"0123456789ABCDEF"[value & 15];
    return text;
}

ULONGLONG Ticks(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool CreateFolderTree(const std::wstring& folder) {
    if (folder.empty()) return false;
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::wstring trimmed = folder;
    while (!trimmed.empty() && (trimmed.back() == L'\\' || trimmed.back() == L'/')) trimmed.pop_back();
    const std::size_t slash = trimmed.find_last_of(L"\\/");
    if (slash != std::wstring::npos && slash > 2 && !CreateFolderTree(trimmed.substr(0, slash + 1))) return false;
    return ::CreateDirectoryW(trimmed.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

// Removes the list folders of earlier sends that are older than a day. A
// folder holding anything but its list is left alone, and so is a link
// (a reparse point), whose target is someone else's folder.
void ClearOldLists(const std::wstring& temporaryFolder) {
    WIN32_FIND_DATAW found = {};
    AutoFind search(::FindFirstFileW((temporaryFolder + kFolderPrefix + L"*").c_str(), &found));
    if (!search) return;
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            continue;
        }
        if (Ticks(now) - Ticks(found.ftLastWriteTime) < kListLifetime || Ticks(now) < Ticks(found.ftLastWriteTime)) {
            continue;
        }
        const std::wstring folder = temporaryFolder + found.cFileName;
        ::DeleteFileW((folder + L"\\" + kListName).c_str());
        ::RemoveDirectoryW(folder.c_str());
    } while (::FindNextFileW(search.get(), &found));
}

}  // namespace

std::wstring UserTemporaryFolder(const std::string& appDataFolder) {
    if (!appDataFolder.empty()) return WidenAnsi(appDataFolder) + L"temp\\";
    wchar_t temp[MAX_PATH] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(temp, length) + L"Email32\\temp\\";
}

std::optional<std::wstring> NewAttachListPath(const std::string& appDataFolder) {
    const std::wstring temporaryFolder = UserTemporaryFolder(appDataFolder);
    if (!CreateFolderTree(temporaryFolder)) return std::nullopt;
    ClearOldLists(temporaryFolder);
    // Process, time and a counter make a name no other send holds; a name
    // taken all the same is simply skipped.
    static unsigned int counter = 0;
    const unsigned int seed = ::GetCurrentProcessId() * 2654435761u ^ ::GetTickCount();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring folder = temporaryFolder + kFolderPrefix + Hex(seed + 7919u * ++counter);
        if (::CreateDirectoryW(folder.c_str(), nullptr)) return folder + L"\\" + kListName;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
    }
    return std::nullopt;
}

bool WriteAttachList(const std::vector<std::string>& lines, const std::wstring& listPath) {
    AutoCloseHandle file(
        ::CreateFileW(listPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    DWORD written = 0;
    return ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace email32
