#include "base/MapiLibrary.h"

#include "base/Path.h"
#include "base/LoadableLibrary.h"
#include "base/RegistryRead.h"
#include "base/Text.h"

#include <windows.h>

namespace email32::base {
namespace {

const char kClientsKey[] = "Software\\Clients\\mail";

std::optional<std::string> Expanded(const std::string& text) {
    char expanded[MAX_PATH] = {};
    const DWORD length = ::ExpandEnvironmentStringsA(text.c_str(), expanded, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return std::nullopt;
    return std::string(expanded);
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The library of the machine's default mail client: the first name, in the
// process's own registry view and then the other, whose key holds a
// "DLLPath" in either view.
std::optional<std::string> DefaultClientLibraryPath() {
    for (const REGSAM view : ProgramRegistryViews()) {
        const std::optional<RegistryText> name =
            QueryRegistryText(HKEY_LOCAL_MACHINE, kClientsKey, "", base::kValueBuffer, view);
        if (!name || name->text.empty()) continue;
        const std::optional<RegistryText> library = QueryProgramRegistryText(
            HKEY_LOCAL_MACHINE, std::string(kClientsKey) + "\\" + name->text, "DLLPath", base::kValueBuffer);
        if (library && !library->text.empty()) return Expanded(library->text);
    }
    return std::nullopt;
}

bool IsSystemMapiLibrary(const std::string& library) {
    const std::wstring file = LocateLibrary(library);
    const std::wstring system = SystemLibraryFolder() + L"mapi32.dll";
    return !file.empty() && !SystemLibraryFolder().empty() && ::lstrcmpiW(file.c_str(), system.c_str()) == 0;
}

}  // namespace

std::wstring MapiHelperPath() {
    const std::wstring folder = ThisModuleFolder();
    if (folder.empty()) return std::wstring();
    const std::wstring helper = folder + kMapiHelperName;
    return IsFile(helper) ? helper : std::wstring();
}

MapiReach MapiReachOf(const std::string& library) {
    const WORD machine = LibraryMachine(library);
    if (machine == 0 || machine == kProcessMachine) return MapiReach::kInProcess;
    if (machine == kOtherMachine && !MapiHelperPath().empty()) return MapiReach::kHelper;
    return MapiReach::kNone;
}

std::optional<std::string> ClientLibraryPath(const CatalogueEntry& entry) {
    const std::string mailSection = entry.Text("MailSection");
    const std::string valueName = mailSection.empty() ? std::string() : entry.Text("DllPath");
    if (!valueName.empty()) {
        const std::string key = std::string(kClientsKey) + "\\" + mailSection;
        const std::optional<RegistryText> value =
            QueryProgramRegistryText(HKEY_LOCAL_MACHINE, key, valueName.c_str(), base::kValueBuffer);
        if (value) {
            const std::optional<std::string> expanded = Expanded(value->text);
            if (expanded) return expanded;
        }
        // A registered library that cannot be named, as stored or expanded,
        // fails the send: the system's library would hand the files to
        // another mail program than the one chosen.
        if (value || ProgramRegistryValueExists(HKEY_LOCAL_MACHINE, key, valueName.c_str())) return std::nullopt;
    }
    const std::optional<RegistryText> cmc = QueryProgramRegistryText(
        HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows Messaging Subsystem", "CMCDLLNAME32", base::kValueBuffer);
    if (!cmc) return std::nullopt;
    return cmc->text;
}

std::optional<std::string> ProgramFolderLibraryPath(const CatalogueEntry& entry, const std::string& programPath) {
    const std::string libraryName = entry.Text("MAPI32DLL");
    if (libraryName.empty()) return std::nullopt;
    return base::FolderOf(programPath) + libraryName;
}

std::string SimpleMapiTarget(const std::string& library) {
    if (!IsSystemMapiLibrary(library)) return library;
    const std::optional<std::string> client = DefaultClientLibraryPath();
    if (client && LibraryMachine(*client) == kOtherMachine) return *client;
    return library;
}

bool HasLoadableMapiLibrary(const CatalogueEntry& entry, const std::string& programPath) {
    std::optional<std::string> library;
    switch (entry.Int("LinkType")) {
    case 2: library = ClientLibraryPath(entry); break;
    case 10: library = ProgramFolderLibraryPath(entry, programPath); break;
    default: break;
    }
    return !library || library->empty() || MapiReachOf(*library) != MapiReach::kNone;
}

}  // namespace email32::base
