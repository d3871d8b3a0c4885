// A Simple MAPI provider that records its loading and every MAPILogon,
// MAPISendDocuments and MAPISendMailW call (the wide texts in UTF-8). Built
// in variants: without MAPILogoff (E32_WITHOUT_LOGOFF), with a logon that
// fails (E32_LOGON_FAILS), and without the wide entry (E32_ANSI_ONLY).
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

extern "C" __declspec(dllexport) ULONG WINAPI
    MAPILogon(ULONG_PTR uiParam, LPSTR profileName, LPSTR password, ULONG flags, ULONG reserved, ULONG_PTR* session) {
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

extern "C" __declspec(dllexport) ULONG WINAPI
    MAPISendDocuments(ULONG_PTR uiParam, LPSTR delimiter, LPSTR filePaths, LPSTR fileNames, ULONG reserved) {
    AppendRecord(g_module, "MAPISendDocuments\t" + Number(uiParam) + "\t" + Text(delimiter) + "\t" + Text(filePaths) +
                               "\t" + Text(fileNames) + "\t" + Number(reserved));
    return 0;
}

#ifndef E32_ANSI_ONLY
namespace {

std::string Utf8(const wchar_t* text) {
    if (text == nullptr) return "(null)";
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(length > 0 ? length - 1 : 0, '\0');
    if (length > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

struct FileDescW {
    ULONG reserved, flags, position;
    PWSTR pathName, fileName;
    PVOID fileType;
};
struct MessageW {
    ULONG reserved;
    PWSTR subject, noteText, messageType, dateReceived, conversationId;
    ULONG flags;
    PVOID originator;
    ULONG recipCount;
    PVOID recips;
    ULONG fileCount;
    FileDescW* files;
};

}  // namespace

// Fields: session, window, flags, file count, then each file's path and name.
extern "C" __declspec(dllexport) ULONG WINAPI
    MAPISendMailW(ULONG_PTR session, ULONG_PTR uiParam, MessageW* message, ULONG flags, ULONG) {
    std::string record = "MAPISendMailW\t" + Number(session) + "\t" + Number(uiParam) + "\t" + Number(flags);
    record += "\t" + Number(message ? message->fileCount : 0);
    for (ULONG i = 0; message && message->files && i < message->fileCount; ++i) {
        record += "\t" + Utf8(message->files[i].pathName) + "\t" + Utf8(message->files[i].fileName);
    }
    AppendRecord(g_module, record);
    return 0;
}
#endif

#ifndef E32_WITHOUT_LOGOFF
extern "C" __declspec(dllexport) ULONG WINAPI MAPILogoff(ULONG_PTR session, ULONG_PTR, ULONG, ULONG) {
    AppendRecord(g_module, "MAPILogoff\t" + Number(session));
    return 0;
}
#endif
