// How the recording doubles write what they saw: one line per event, tab-
// separated fields, appended to the log named by E32_DOUBLE_LOG (or
// "record.log" beside the double) in one write.
#pragma once

#include <windows.h>

#include <string>

namespace email32::doubles {

inline std::string ModuleFolder(HMODULE module) {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(module, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.find_last_of('\\') + 1);
}

inline std::string EnvironmentText(const char* name) {
    char value[4096] = {};
    const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value) : std::string();
}

inline void AppendRecord(HMODULE module, const std::string& line) {
    std::string log = EnvironmentText("E32_DOUBLE_LOG");
    if (log.empty()) log = ModuleFolder(module) + "record.log";
    // Programs started at the same moment append to one log. Appending is not
    // atomic across processes under Wine, so the writers take turns through a
    // named mutex and each seeks to the end itself; no record is lost.
    HANDLE turn = ::CreateMutexA(nullptr, FALSE, "email32-test-double-record-log");
    const bool owned = turn != nullptr && ::WaitForSingleObject(turn, 30000) != WAIT_TIMEOUT;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int tries = 0; tries < 200 && file == INVALID_HANDLE_VALUE; ++tries) {
        file = ::CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) ::Sleep(10);
    }
    if (file != INVALID_HANDLE_VALUE) {
        ::SetFilePointer(file, 0, nullptr, FILE_END);
        const std::string text = line + "\n";
        DWORD written = 0;
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    if (owned) ::ReleaseMutex(turn);
    if (turn != nullptr) ::CloseHandle(turn);
}

inline std::string Text(const char* text) { return text ? std::string(text) : std::string("(null)"); }

}  // namespace email32::doubles
