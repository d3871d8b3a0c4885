#include "companions/relay/RelayLog.h"

#include "base/Path.h"
#include "base/Win32Handles.h"

#include <windows.h>

#include <cstdio>

namespace relay {
namespace {

// Long enough for a writer that holds the turn to finish; a writer that died
// holding it leaves it abandoned, which the next one takes over.
constexpr DWORD kLongestTurnMs = 10000;

class LogTurn {
public:
    LogTurn() : m_mutex(::CreateMutexW(nullptr, FALSE, L"Local\\Email32.Relay32.Log")) {
        if (m_mutex) {
            const DWORD wait = ::WaitForSingleObject(m_mutex.get(), kLongestTurnMs);
            m_owned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        }
    }
    LogTurn(const LogTurn&) = delete;
    LogTurn& operator=(const LogTurn&) = delete;
    ~LogTurn() {
        if (m_owned) ::ReleaseMutex(m_mutex.get());
    }

private:
    email32::base::AutoCloseHandle m_mutex;
    bool m_owned = false;
};

}  // namespace

void AppendLog(const std::wstring& logPath, const std::string& line) {
    if (logPath.empty()) return;
    const std::wstring folder = email32::base::FolderOf(logPath);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02uZ ", unsigned(now.wYear), unsigned(now.wMonth),
                  unsigned(now.wDay), unsigned(now.wHour), unsigned(now.wMinute), unsigned(now.wSecond));
    // Line breaks inside would make one event look like two.
    std::string text = stamp + line;
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    text += "\r\n";

    const LogTurn turn;
    const email32::base::AutoCloseHandle file(::CreateFileW(logPath.c_str(), FILE_APPEND_DATA,
                                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    (void)::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace relay
