#include "base/MapiLibrary.h"

#include "base/Path.h"
#include "base/LoadableLibrary.h"
#include "base/RegistryRead.h"

#include <windows.h>

namespace email32 {

std::optional<std::string> ClientLibraryPath(const CatalogueEntry& entry) {
    const std::string mailSection = entry.Text("MailSection");
    const std::string valueName = mailSection.empty() ? std::string() : entry.Text("DllPath");
    if (!valueName.empty()) {
        const std::string key = "Software\\Clients\\mail\\" + mailSection;
        const std::optional<RegistryText> value =
            QueryProgramRegistryText(HKEY_LOCAL_MACHINE, key, valueName.c_str(), ini::kValueBuffer);
        if (value) {
            char expanded[MAX_PATH] = {};
            const DWORD length = ::ExpandEnvironmentStringsA(value->text.c_str(), expanded, MAX_PATH);
            if (length > 0 && length <= MAX_PATH) return std::string(expanded);
        }
        // A registered library that cannot be named, as stored or expanded,
        // fails the send: the system's library would hand the files to
        // another mail program than the one chosen.
        if (value || ProgramRegistryValueExists(HKEY_LOCAL_MACHINE, key, valueName.c_str())) return std::nullopt;
    }
    const std::optional<RegistryText> cmc = QueryProgramRegistryText(
        HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows Messaging Subsystem", "CMCDLLNAME32", ini::kValueBuffer);
    if (!cmc) return std::nullopt;
    return cmc->text;
}

std::optional<std::string> ProgramFolderLibraryPath(const CatalogueEntry& entry, const std::string& programPath) {
    const std::string libraryName = entry.Text("MAPI32DLL");
    if (libraryName.empty()) return std::nullopt;
    return base::FolderOf(programPath) + libraryName;
}

bool HasLoadableMapiLibrary(const CatalogueEntry& entry, const std::string& programPath) {
    std::optional<std::string> library;
    switch (entry.Int("LinkType")) {
    case 2: library = ClientLibraryPath(entry); break;
    case 10: library = ProgramFolderLibraryPath(entry, programPath); break;
    default: break;
    }
    return !library || library->empty() || IsLoadableLibrary(*library);
}

}  // namespace email32
