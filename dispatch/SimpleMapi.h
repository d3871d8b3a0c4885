// Simple MAPI calls made on a library chosen per send. The library that was
// loaded last, its entries and the session that MAPILogon returned last are
// kept module-wide for the life of the process: a provider may keep its
// message window or a thread of its own running after MAPISendDocuments has
// returned, and neither unloading its code nor logging its session off is
// safe while they do.
#pragma once

#include "dispatch/SendRequest.h"

#include <windows.h>

#include <string>

namespace email32::dispatch {

// Simple MAPI entries and records as the published interface declares them.
using MapiLogonFn = ULONG(WINAPI*)(ULONG_PTR uiParam, LPSTR profileName, LPSTR password, ULONG flags, ULONG reserved,
                                   ULONG_PTR* session);
using MapiSendDocumentsFn = ULONG(WINAPI*)(ULONG_PTR uiParam, LPSTR delimiter, LPSTR filePaths, LPSTR fileNames,
                                           ULONG reserved);
using MapiLogoffFn = ULONG(WINAPI*)(ULONG_PTR session, ULONG_PTR uiParam, ULONG flags, ULONG reserved);

struct MapiFileDescA {
    ULONG reserved;
    ULONG flags;
    ULONG position;
    LPSTR pathName;
    LPSTR fileName;
    PVOID fileType;
};
struct MapiRecipDescA {
    ULONG reserved;
    ULONG recipClass;
    LPSTR name;
    LPSTR address;
    ULONG entryIdSize;
    PVOID entryId;
};
struct MapiMessageA {
    ULONG reserved;
    LPSTR subject;
    LPSTR noteText;
    LPSTR messageType;
    LPSTR dateReceived;
    LPSTR conversationId;
    ULONG flags;
    MapiRecipDescA* originator;
    ULONG recipCount;
    MapiRecipDescA* recips;
    ULONG fileCount;
    MapiFileDescA* files;
};
using MapiSendMailFn = ULONG(WINAPI*)(ULONG_PTR session, ULONG_PTR uiParam, MapiMessageA* message, ULONG flags,
                                      ULONG reserved);

struct MapiFileDescW {
    ULONG reserved;
    ULONG flags;
    ULONG position;
    PWSTR pathName;
    PWSTR fileName;
    PVOID fileType;
};
struct MapiRecipDescW {
    ULONG reserved;
    ULONG recipClass;
    PWSTR name;
    PWSTR address;
    ULONG entryIdSize;
    PVOID entryId;
};
struct MapiMessageW {
    ULONG reserved;
    PWSTR subject;
    PWSTR noteText;
    PWSTR messageType;
    PWSTR dateReceived;
    PWSTR conversationId;
    ULONG flags;
    MapiRecipDescW* originator;
    ULONG recipCount;
    MapiRecipDescW* recips;
    ULONG fileCount;
    MapiFileDescW* files;
};
using MapiSendMailWFn = ULONG(WINAPI*)(ULONG_PTR session, ULONG_PTR uiParam, MapiMessageW* message, ULONG flags,
                                       ULONG reserved);

inline constexpr ULONG kMapiLogonUi = 0x00000001;
inline constexpr ULONG kMapiNewSession = 0x00000002;
inline constexpr ULONG kMapiDialog = 0x00000008;
inline constexpr ULONG kMapiTo = 1;
inline constexpr ULONG kMapiCc = 2;
inline constexpr ULONG kMapiUserAbort = 1;

// "MAPI_E_FAILURE (2)": the published name of a Simple MAPI result.
[[nodiscard]] std::string MapiResultName(ULONG result);

// Loads the library and looks up MAPISendDocuments, MAPILogon and MAPILogoff
// (all three must be present), and MAPISendMailW and MAPISendMail where it
// has them. A library built for another machine than i386 is never loaded.
[[nodiscard]] bool LoadMapiEntries(const std::string& library);

// Loads the entries and logs on with a new session, letting the provider
// show its logon window.
[[nodiscard]] bool MapiLogonNewSession(const std::string& library);

enum class MapiOutcome {
    kSent,        // the provider reported success
    kNotSent,     // the library, its logon or its send failed
    kCancelled,   // the user cancelled the provider's logon or message window
    kUnnameable,  // a file (or recipient) the ANSI code page cannot name, and no wide entry
    kUnreached,   // the helper of the other bitness could not be given the send
};

struct MapiResult {
    MapiOutcome outcome = MapiOutcome::kNotSent;
    std::string problem;  // one line of English, empty when sent
    ULONG code = 2;       // the Simple MAPI result; MAPI_E_FAILURE when no call could be made
};

// Logs on and hands the files over. Without fields: their ANSI paths joined
// by "^" through MAPISendDocuments when the code page names them all, as
// always; otherwise MAPISendMailW with their UTF-16 paths where the library
// has it, else MAPISendDocuments with the short paths of the files the code
// page cannot name. With fields: one message with the subject, the text and
// each recipient (MAPI_TO, MAPI_CC, address "SMTP:addr") through
// MAPISendMailW, else MAPISendMail, else MAPISendDocuments with the files
// alone. Recipients without fields make a message too (the helper of the
// other bitness gets them read already). `window` is the parent window the
// calls name (0: none).
[[nodiscard]] MapiResult MapiSendFiles(const SendFiles& files, const std::string& library,
                                       const MessageFields& fields = {}, const Recipients& recipients = {},
                                       ULONG_PTR window = 0);

}  // namespace email32::dispatch
