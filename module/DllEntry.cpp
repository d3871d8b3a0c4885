#include "framework/ModuleState.h"

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        email32::SetModuleInstance(instance);
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
