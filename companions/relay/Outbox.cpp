#include "companions/relay/Outbox.h"

#include "companions/relay/MimeMessage.h"
#include "companions/relay/TextCodec.h"
#include "framework/Win32Handles.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace relay {
namespace {

using GetAppDataPathFn = int(__cdecl*)(char*);

std::wstring WithBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

std::wstring UserFolder() {
    const email32::AutoLibrary userpath(::LoadLibraryA("Userpath.dll"));
    if (const auto entry = email32::ProcAddress<GetAppDataPathFn>(userpath.get(), "GetAppDataPath")) {
        char buffer[MAX_PATH + 1] = {};  // the entry fills at most 260 bytes
        entry(buffer);
        buffer[MAX_PATH] = '\0';
        if (buffer[0] != '\0') return WithBackslash(WideFromAnsi(buffer));
    }
    std::vector<wchar_t> appData(32768);
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", appData.data(), static_cast<DWORD>(appData.size()));
    if (length == 0 || length >= appData.size()) return {};
    const std::wstring folder = WithBackslash(std::wstring(appData.data(), length)) + L"Email32\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD part = static_cast<DWORD>(bytes.size() - done < (1u << 24) ? bytes.size() - done : (1u << 24));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, part, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace

OutboxPlace FindOutbox() {
    const std::wstring user = UserFolder();
    return OutboxPlace{user + L"Outbox\\", user + L"Relay32.log"};
}

bool SaveToOutbox(const OutboxPlace& place, const std::string& message, std::wstring& savedPath) {
    if (!::CreateDirectoryW(place.folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    wchar_t stamp[32];
    std::swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u-", unsigned(now.wYear), unsigned(now.wMonth),
                  unsigned(now.wDay), unsigned(now.wHour), unsigned(now.wMinute), unsigned(now.wSecond));
    const std::wstring base = place.folder + stamp + WideFromUtf8(UniqueToken());
    const std::wstring partial = base + L".part";
    bool complete = false;
    {
        const email32::AutoCloseHandle file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        complete = WriteAll(file.get(), message) && ::FlushFileBuffers(file.get());
    }
    // Only a completely written file is renamed into a message, so a reader
    // of the outbox never meets half a message.
    if (!complete || !::MoveFileExW(partial.c_str(), (base + L".eml").c_str(), MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(partial.c_str());
        return false;
    }
    savedPath = base + L".eml";
    return true;
}

void AppendLog(const OutboxPlace& place, const std::string& line) {
    if (place.logPath.empty()) return;
    const std::wstring folder = place.logPath.substr(0, place.logPath.find_last_of(L'\\') + 1);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const email32::AutoCloseHandle file(::CreateFileW(place.logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02uZ ", unsigned(now.wYear), unsigned(now.wMonth),
                  unsigned(now.wDay), unsigned(now.wHour), unsigned(now.wMinute), unsigned(now.wSecond));
    (void)WriteAll(file.get(), stamp + line + "\r\n");
}

}  // namespace relay
