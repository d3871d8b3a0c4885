#include "dispatch/SendFolders.h"

#include "dispatch/SendRequest.h"
#include "base/Win32Handles.h"
#include "base/Text.h"

#include <windows.h>

namespace email32::dispatch {
namespace {

// A mail program reads what it was given when it starts; a day leaves room
// for one that waits for its user first.
constexpr ULONGLONG kSendFolderLifetime = 24ULL * 60 * 60 * 10000000;  // in 100 ns

struct FindTraits {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(handle_type h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(handle_type h) noexcept { ::FindClose(h); }
};
using AutoFind = base::UniqueHandle<FindTraits>;

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

// Deletes the files of a folder that match the pattern.
void DeleteMatchingFiles(const std::wstring& folder, const wchar_t* pattern) {
    WIN32_FIND_DATAW found = {};
    AutoFind search(::FindFirstFileW((folder + L"\\" + pattern).c_str(), &found));
    if (!search) return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            ::DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        }
    } while (::FindNextFileW(search.get(), &found));
}

// Removes the folders of earlier sends that are older than a day. A link
// (a reparse point) is left alone: its target is someone else's folder.
void ClearOldFolders(const std::wstring& temporaryFolder, const wchar_t* prefix, const wchar_t* clearedFiles) {
    WIN32_FIND_DATAW found = {};
    AutoFind search(::FindFirstFileW((temporaryFolder + prefix + L"*").c_str(), &found));
    if (!search) return;
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
            (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            continue;
        }
        if (Ticks(now) - Ticks(found.ftLastWriteTime) < kSendFolderLifetime ||
            Ticks(now) < Ticks(found.ftLastWriteTime)) {
            continue;
        }
        const std::wstring folder = temporaryFolder + found.cFileName;
        DeleteMatchingFiles(folder, clearedFiles);
        ::RemoveDirectoryW(folder.c_str());
    } while (::FindNextFileW(search.get(), &found));
}

}  // namespace

std::wstring UserTemporaryFolder(const std::string& appDataFolder) {
    if (!appDataFolder.empty()) return base::Widen(appDataFolder) + L"temp\\";
    wchar_t temp[MAX_PATH] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(temp, length) + L"Email32\\temp\\";
}

std::optional<std::wstring> NewSendFolder(const std::string& appDataFolder, const wchar_t* prefix,
                                          const wchar_t* clearedFiles) {
    const std::wstring temporaryFolder = UserTemporaryFolder(appDataFolder);
    if (!CreateFolderTree(temporaryFolder)) return std::nullopt;
    ClearOldFolders(temporaryFolder, prefix, clearedFiles);
    // Process, time and a counter make a name no other send holds; a name
    // taken all the same is simply skipped.
    static unsigned int counter = 0;
    const unsigned int seed = ::GetCurrentProcessId() * 2654435761u ^ ::GetTickCount();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring folder = temporaryFolder + prefix + Hex(seed + 7919u * ++counter);
        if (::CreateDirectoryW(folder.c_str(), nullptr)) return folder + L"\\";
        if (::GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace email32::dispatch
