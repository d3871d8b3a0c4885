// Methods that read the program's location from registrations: COM servers,
// a named registry value, the messaging subsystem flag, the program that
// opens message files.
#include "registry/DetectionMethods.h"
#include "registry/DetectionSupport.h"
#include "base/Path.h"
#include "base/Text.h"
#include "base/RegistryRead.h"

#include <windows.h>
#include <shlwapi.h>

namespace email32::registry {

using registry::AcceptCandidate;

bool FindByComServer(const base::CatalogueEntry& entry, std::string& foundPath) {
    std::string exeName, progId;
    if (!entry.Required("ExeName", exeName) || !entry.Required("RegKey", progId, base::kLongValueBuffer)) {
        return false;
    }
    const std::optional<base::RegistryText> classId =
        base::QueryRegistryText(HKEY_CLASSES_ROOT, progId + "\\CLSID", "", base::kValueBuffer);
    if (!classId) return false;
    std::optional<base::RegistryText> server = base::QueryRegistryText(
        HKEY_CLASSES_ROOT, "CLSID\\" + classId->text + "\\LocalServer32", "", base::kValueBuffer);
    if (!server) {
        server = base::QueryRegistryText(HKEY_CLASSES_ROOT, "CLSID\\" + classId->text + "\\LocalServer", "",
                                         base::kValueBuffer);
    }
    if (!server) return false;
    // The server command line may carry options such as /automation.
    const std::string program = server->text.substr(0, server->text.find('/'));
    return AcceptCandidate(base::FolderOf(program) + exeName, foundPath);
}

bool FindByRegistryValue(const base::CatalogueEntry& entry, std::string& foundPath) {
    std::string exeName, rootName, subKey, valueName;
    if (!entry.Required("ExeName", exeName) || !entry.Required("RegKey", rootName, base::kLongValueBuffer) ||
        !entry.Required("Section", subKey, base::kLongValueBuffer) ||
        !entry.Required("Key", valueName, base::kLongValueBuffer)) {
        return false;
    }
    const HKEY root = base::RootKeyFromName(rootName.c_str());
    if (root == nullptr) return false;
    const std::optional<base::RegistryText> folder =
        base::QueryRegistryText(root, subKey, valueName.c_str(), base::kValueBuffer);
    if (!folder) return false;
    return AcceptCandidate(folder->text + "\\" + exeName, foundPath);
}

bool FindMessagingSubsystem(const base::CatalogueEntry& /*entry*/, std::string& /*foundPath*/) {
    const std::optional<base::RegistryText> flag = base::QueryProgramRegistryText(
        HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows Messaging Subsystem", "MAPI", 100);
    return flag && flag->text == "1";
}

bool FindMessageFileHandler(const base::CatalogueEntry& /*entry*/, std::string& foundPath) {
    // What the shell opens a message file with: the user's choice first, as
    // Explorer would.
    const ASSOCF flags = ASSOCF_NOTRUNCATE | ASSOCF_INIT_IGNOREUNKNOWN;
    wchar_t program[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (SUCCEEDED(::AssocQueryStringW(flags, ASSOCSTR_EXECUTABLE, L".eml", L"open", program, &size)) &&
        program[0] != L'\0') {
        // The program's path for its icon, in a form the ANSI list can hold.
        const std::optional<std::string> ansi = base::NarrowExact(program);
        if (ansi && AcceptCandidate(*ansi, foundPath)) return true;
        const std::optional<std::wstring> shortPath = base::ShortPath(program);
        const std::optional<std::string> shortAnsi = shortPath ? base::NarrowExact(*shortPath) : std::nullopt;
        if (shortAnsi && AcceptCandidate(*shortAnsi, foundPath)) return true;
    }
    // A handler the shell runs without a program file of its own (a
    // packaged application) still opens the draft.
    for (const ASSOCSTR what : {ASSOCSTR_COMMAND, ASSOCSTR_DELEGATEEXECUTE}) {
        wchar_t text[MAX_PATH] = {};
        size = MAX_PATH;
        if (SUCCEEDED(::AssocQueryStringW(flags, what, L".eml", L"open", text, &size)) && text[0] != L'\0') {
            foundPath.clear();
            return true;
        }
    }
    return false;
}

bool NeverInstalled(const base::CatalogueEntry& /*entry*/, std::string& /*foundPath*/) { return false; }

}  // namespace email32::registry
