// A Userpath.dll that someone planted where the module must not look: once
// loaded, it leaves "Userpath.dll.loaded" beside itself.
#include <windows.h>

#include <cstring>
#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH] = {};
        if (::GetModuleFileNameA(instance, path, MAX_PATH) > 0) {
            const HANDLE marker = ::CreateFileA((std::string(path) + ".loaded").c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (marker != INVALID_HANDLE_VALUE) ::CloseHandle(marker);
        }
    }
    return TRUE;
}

extern "C" __declspec(dllexport) int __cdecl GetAppDataPath(char* buffer) {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::strcpy(buffer, temp);
    return 1;
}
