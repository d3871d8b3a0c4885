// How the recording doubles write what they saw: one line per event, tab-
// separated fields, appended to the log named by E32_DOUBLE_LOG (or
// "record.log" beside the double) in one write, so that processes running at
// the same time do not mix their lines.
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
    // A reader or another writer may hold the log for a moment; a record is
    // never dropped for that.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int tries = 0; tries < 200 && file == INVALID_HANDLE_VALUE; ++tries) {
        file = ::CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) ::Sleep(10);
    }
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

inline std::string Text(const char* text) { return text ? std::string(text) : std::string("(null)"); }

}  // namespace email32::doubles
