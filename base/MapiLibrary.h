// Which Simple MAPI library a system's link loads, and how a send reaches
// it: in this process, or, for a library of the other bitness, through the
// helper program of that bitness beside the module. Detection lists no
// system whose library no send could reach, and the links never try.
#pragma once

#include "base/CatalogueEntry.h"
#include "base/LoadableLibrary.h"

#include <optional>
#include <string>

namespace email32::base {

// The helper's file name: a program of the other bitness, shipped beside the
// module, that loads the library a send names and makes its calls.
#if defined(_WIN64)
inline constexpr const wchar_t* kMapiHelperName = L"email32-mapi32.exe";
#else
inline constexpr const wchar_t* kMapiHelperName = L"email32-mapi64.exe";
#endif

// The helper's full path in this module's own folder; empty when it is not
// there. It is never looked for anywhere else.
[[nodiscard]] std::wstring MapiHelperPath();

enum class MapiReach {
    kInProcess,  // this process loads it (or the load itself will tell)
    kHelper,     // built for the other bitness, and the helper is there
    kNone,       // built for another machine, and nothing here can load it
};
[[nodiscard]] MapiReach MapiReachOf(const std::string& library);

// Link type 2: the library the mail client registers under
// HKLM\Software\Clients\mail\<MailSection>, value <DllPath> (read in this
// process's registry view, then the other bitness's), with its environment
// references expanded; else the messaging subsystem's "CMCDLLNAME32" as
// stored. nullopt when neither is registered.
[[nodiscard]] std::optional<std::string> ClientLibraryPath(const CatalogueEntry& entry);

// Link type 10: "MAPI32DLL" in the mail program's folder (the bare name when
// the program path is empty, which LocateLibrary looks for where the product
// and the system put libraries); nullopt without "MAPI32DLL".
[[nodiscard]] std::optional<std::string> ProgramFolderLibraryPath(const CatalogueEntry& entry,
                                                                  const std::string& programPath);

// The library a send to `library` reaches. The system's own mapi32.dll
// routes to the machine's default mail client, as named by
// HKLM\Software\Clients\Mail in either registry view; when that client's
// "DLLPath" is built for the other bitness the system's library cannot
// reach it, and the client's library itself is the answer. Every other
// library is its own answer.
[[nodiscard]] std::string SimpleMapiTarget(const std::string& library);

// The detection's check for systems with a Simple MAPI link (types 2 and
// 10): false when no send could reach the library the link would load. True
// for every other system.
[[nodiscard]] bool HasLoadableMapiLibrary(const CatalogueEntry& entry, const std::string& programPath);

}  // namespace email32::base
