// A Simple MAPI provider that records its loading and every MAPILogon,
// MAPISendDocuments, MAPISendMail and MAPISendMailW call (the wide texts in
// UTF-8), a message's subject, text and recipients in a record of their own
// before the call's. Built in variants: without MAPILogoff
// (E32_WITHOUT_LOGOFF), with a logon the user cancels (E32_LOGON_FAILS),
// without the wide entry (E32_ANSI_ONLY), and with sends that fail
// (E32_SEND_FAILS: MAPI_E_FAILURE).
#include "tests/dispatch/doubles/RecordLog.h"

#include <string>

using namespace email32::doubles;

namespace {

HMODULE g_module = nullptr;

std::string Number(ULONG_PTR value) { return std::to_string(static_cast<unsigned long long>(value)); }

#ifdef E32_SEND_FAILS
constexpr ULONG kSendResult = 2;  // MAPI_E_FAILURE
#else
constexpr ULONG kSendResult = 0;
#endif

// Line breaks and tabs written as \r, \n and \t, so that a text stays one field.
std::string Field(std::string text) {
    std::string out;
    for (const char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out;
}

// The message records of both forms, for the texts of either.
template <class Char>
struct FileDesc {
    ULONG reserved, flags, position;
    Char *pathName, *fileName;
    PVOID fileType;
};
template <class Char>
struct RecipDesc {
    ULONG reserved, recipClass;
    Char *name, *address;
    ULONG entryIdSize;
    PVOID entryId;
};
template <class Char>
struct Message {
    ULONG reserved;
    Char *subject, *noteText, *messageType, *dateReceived, *conversationId;
    ULONG flags;
    RecipDesc<Char>* originator;
    ULONG recipCount;
    RecipDesc<Char>* recips;
    ULONG fileCount;
    FileDesc<Char>* files;
};

// Fields: kind, subject, text, recipient count, then each recipient's class,
// name and address.
template <class Char, class Decode>
void RecordMessage(const char* kind, const Message<Char>* message, Decode decode) {
    if (message == nullptr) return;
    std::string record = std::string(kind) + "\t" + Field(decode(message->subject)) + "\t" +
                         Field(decode(message->noteText)) + "\t" + Number(message->recipCount);
    for (ULONG i = 0; message->recips && i < message->recipCount; ++i) {
        const RecipDesc<Char>& r = message->recips[i];
        record += "\t" + Number(r.recipClass) + "\t" + Field(decode(r.name)) + "\t" + Field(decode(r.address));
    }
    AppendRecord(g_module, record);
}

template <class Char, class Decode>
std::string FilesRecord(const Message<Char>* message, Decode decode) {
    std::string record = "\t" + Number(message ? message->fileCount : 0);
    for (ULONG i = 0; message && message->files && i < message->fileCount; ++i) {
        record += "\t" + decode(message->files[i].pathName) + "\t" + decode(message->files[i].fileName);
    }
    return record;
}

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
    return kSendResult;
}

// Fields: session, window, flags, file count, then each file's path and name
// (in the ANSI code page).
extern "C" __declspec(dllexport) ULONG WINAPI
    MAPISendMail(ULONG_PTR session, ULONG_PTR uiParam, Message<char>* message, ULONG flags, ULONG) {
    RecordMessage("MAPIMessage", message, Text);
    AppendRecord(g_module, "MAPISendMail\t" + Number(session) + "\t" + Number(uiParam) + "\t" + Number(flags) +
                               FilesRecord(message, Text));
    return kSendResult;
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

}  // namespace

// Fields: session, window, flags, file count, then each file's path and name.
extern "C" __declspec(dllexport) ULONG WINAPI
    MAPISendMailW(ULONG_PTR session, ULONG_PTR uiParam, Message<wchar_t>* message, ULONG flags, ULONG) {
    RecordMessage("MAPIMessageW", message, Utf8);
    AppendRecord(g_module, "MAPISendMailW\t" + Number(session) + "\t" + Number(uiParam) + "\t" + Number(flags) +
                               FilesRecord(message, Utf8));
    return kSendResult;
}
#endif

#ifndef E32_WITHOUT_LOGOFF
extern "C" __declspec(dllexport) ULONG WINAPI MAPILogoff(ULONG_PTR session, ULONG_PTR, ULONG, ULONG) {
    AppendRecord(g_module, "MAPILogoff\t" + Number(session));
    return 0;
}
#endif
