// A Simple MAPI provider that records its loading and every MAPILogon and
// MAPISendDocuments call. Built in variants: without MAPILogoff
// (E32_WITHOUT_LOGOFF) and with a logon that fails (E32_LOGON_FAILS).
#include "tests/dispatch/doubles/RecordLog.h"

#include <string>

using namespace email32::doubles;

namespace {

HMODULE g_module = nullptr;

std::string Number(ULONG_PTR value) { return std::to_string(static_cast<unsigned long>(value)); }

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        char path[MAX_PATH] = {};
        ::GetModuleFileNameA(instance, path, MAX_PATH);
        AppendRecord(instance, std::string("attach\t") + path);
    } else if (reason == DLL_PROCESS_DETACH) {
        AppendRecord(instance, "detach");
    }
    return TRUE;
}

extern "C" __declspec(dllexport) ULONG WINAPI MAPILogon(ULONG_PTR uiParam, LPSTR profileName, LPSTR password,
                                                        ULONG flags, ULONG reserved, ULONG_PTR* session) {
    AppendRecord(g_module, "MAPILogon\t" + Number(uiParam) + "\t" + Text(profileName) + "\t" + Text(password) + "\t" +
                               Number(flags) + "\t" + Number(reserved) + "\t" + (session ? "session" : "(null)"));
#ifdef E32_LOGON_FAILS
    return 1;  // the user cancelled the logon window
#else
    static ULONG_PTR nextSession = 0x5E55;
    if (session) *session = nextSession++;
    return 0;
#endif
}

extern "C" __declspec(dllexport) ULONG WINAPI MAPISendDocuments(ULONG_PTR uiParam, LPSTR delimiter, LPSTR filePaths,
                                                                LPSTR fileNames, ULONG reserved) {
    AppendRecord(g_module, "MAPISendDocuments\t" + Number(uiParam) + "\t" + Text(delimiter) + "\t" + Text(filePaths) +
                               "\t" + Text(fileNames) + "\t" + Number(reserved));
    return 0;
}

#ifndef E32_WITHOUT_LOGOFF
extern "C" __declspec(dllexport) ULONG WINAPI MAPILogoff(ULONG_PTR session, ULONG_PTR, ULONG, ULONG) {
    AppendRecord(g_module, "MAPILogoff\t" + Number(session));
    return 0;
}
#endif
