// A Userpath.dll without GetAppDataPath.
#include <windows.h>

extern "C" __declspec(dllexport) int __cdecl SomethingElse() { return 0; }
