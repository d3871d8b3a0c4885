// Which Simple MAPI library a system's link loads, and whether this 32-bit
// process can load it at all. Detection lists no system whose library could
// never load, and the links never try.
#pragma once

#include "base/CatalogueEntry.h"
#include "base/LoadableLibrary.h"

#include <optional>
#include <string>

namespace email32 {

// Link type 2: the library the mail client registers under
// HKLM\Software\Clients\mail\<MailSection>, value <DllPath>, with its
// environment references expanded; else the messaging subsystem's
// "CMCDLLNAME32" as stored. nullopt when neither is registered.
[[nodiscard]] std::optional<std::string> ClientLibraryPath(const CatalogueEntry& entry);

// Link type 10: "MAPI32DLL" in the mail program's folder (the bare name when
// the program path is empty, which LocateLibrary looks for where the product
// and the system put libraries); nullopt without "MAPI32DLL".
[[nodiscard]] std::optional<std::string> ProgramFolderLibraryPath(const CatalogueEntry& entry,
                                                                  const std::string& programPath);

// The detection's check for systems with a Simple MAPI link (types 2 and
// 10): false when the library the link would load is built for another
// machine. True for every other system.
[[nodiscard]] bool HasLoadableMapiLibrary(const CatalogueEntry& entry, const std::string& programPath);

}  // namespace email32
