// Simple MAPI calls made on a library chosen per send. The library that was
// loaded last, its entries and the session that MAPILogon returned last are
// kept module-wide for the life of the process: a provider may keep its
// message window or a thread of its own running after MAPISendDocuments has
// returned, and neither unloading its code nor logging its session off is
// safe while they do.
#pragma once

#include <windows.h>

#include <string>

namespace email32 {

// Simple MAPI entries as the published interface declares them.
using MapiLogonFn = ULONG(WINAPI*)(ULONG_PTR uiParam, LPSTR profileName, LPSTR password, ULONG flags,
                                   ULONG reserved, ULONG_PTR* session);
using MapiSendDocumentsFn = ULONG(WINAPI*)(ULONG_PTR uiParam, LPSTR delimiter, LPSTR filePaths, LPSTR fileNames,
                                           ULONG reserved);
using MapiLogoffFn = ULONG(WINAPI*)(ULONG_PTR session, ULONG_PTR uiParam, ULONG flags, ULONG reserved);

inline constexpr ULONG kMapiLogonUi = 0x00000001;
inline constexpr ULONG kMapiNewSession = 0x00000002;

// Loads the library and looks up MAPISendDocuments, MAPILogon and MAPILogoff
// (all three must be present).
[[nodiscard]] bool LoadMapiEntries(const std::string& library);

// Loads the entries and logs on with a new session, letting the provider
// show its logon window.
[[nodiscard]] bool MapiLogonNewSession(const std::string& library);

// Logs on and sends the "^"-joined paths; true when MAPISendDocuments
// reported success.
[[nodiscard]] bool MapiSendFiles(const std::string& joinedPaths, const std::string& library);

}  // namespace email32
