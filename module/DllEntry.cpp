// The module's entry point. The runtime has made the module's static objects
// (the application object among them) before the attach and destroys them
// after the detach. Everything here runs under the loader lock: it starts no
// thread, waits for none, loads or frees no library and makes no window.
#include "framework/ModuleState.h"
#include "framework/WinApp.h"
#include "module/ModuleLifetime.h"

#include <windows.h>

namespace {

// A refused attach is followed by a detach; only a started module is stopped.
bool g_started = false;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        email32::framework::SetModuleInstance(instance);
        ::DisableThreadLibraryCalls(instance);
        g_started = email32::module::StartModule(AfxGetApp(), instance);
        return g_started ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
        if (g_started) {
            g_started = false;
            email32::module::StopModule(AfxGetApp(), instance);
        }
        return TRUE;
    default: return TRUE;
    }
}
