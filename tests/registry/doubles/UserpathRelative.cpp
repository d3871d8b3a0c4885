// A Userpath.dll whose folder text is relative: it names no folder of its own.
#include <cstring>

extern "C" __declspec(dllexport) int __cdecl GetAppDataPath(char* buffer) {
    std::strcpy(buffer, "Email32Relative\\");
    return 1;
}
