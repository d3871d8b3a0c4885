// A Userpath.dll whose folder text lacks the trailing backslash.
#include <windows.h>

#include <cstring>

extern "C" __declspec(dllexport) int __cdecl GetAppDataPath(char* buffer) {
    char folder[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length + 16 >= MAX_PATH) return 0;
    std::strcat(folder, "NoSlashFolder");
    std::strcpy(buffer, folder);
    return 1;
}
