// A Relay32.dll that records every MailSvr_SendFiles call.
#include "dispatch/CompanionEntries.h"
#include "tests/dispatch/doubles/RecordLog.h"

#include <string>

using namespace email32::doubles;

namespace {
HMODULE g_module = nullptr;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        AppendRecord(instance, "attach\tRelay32");
    } else if (reason == DLL_PROCESS_DETACH) {
        AppendRecord(instance, "detach\tRelay32");
    }
    return TRUE;
}

extern "C" __declspec(dllexport) std::int32_t __cdecl MailSvr_SendFiles(std::int32_t mode, const char* shortPaths) {
    AppendRecord(g_module, "MailSvr_SendFiles\t" + std::to_string(mode) + "\t" + Text(shortPaths));
    return 0;
}
