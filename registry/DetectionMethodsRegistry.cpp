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

namespace email32 {

using detection::AcceptCandidate;

bool FindByComServer(const CatalogueEntry& entry, std::string& foundPath) {
    std::string exeName, progId;
    if (!entry.Required("ExeName", exeName) || !entry.Required("RegKey", progId, ini::kLongValueBuffer)) {
        return false;
    }
    const std::optional<RegistryText> classId =
        QueryRegistryText(HKEY_CLASSES_ROOT, progId + "\\CLSID", "", ini::kValueBuffer);
    if (!classId) return false;
    std::optional<RegistryText> server =
        QueryRegistryText(HKEY_CLASSES_ROOT, "CLSID\\" + classId->text + "\\LocalServer32", "", ini::kValueBuffer);
    if (!server) {
        server =
            QueryRegistryText(HKEY_CLASSES_ROOT, "CLSID\\" + classId->text + "\\LocalServer", "", ini::kValueBuffer);
    }
    if (!server) return false;
    // The server command line may carry options such as /automation.
    const std::string program = server->text.substr(0, server->text.find('/'));
    return AcceptCandidate(base::FolderOf(program) + exeName, foundPath);
}

bool FindByRegistryValue(const CatalogueEntry& entry, std::string& foundPath) {
    std::string exeName, rootName, subKey, valueName;
    if (!entry.Required("ExeName", exeName) || !entry.Required("RegKey", rootName, ini::kLongValueBuffer) ||
        !entry.Required("Section", subKey, ini::kLongValueBuffer) ||
        !entry.Required("Key", valueName, ini::kLongValueBuffer)) {
        return false;
    }
    const HKEY root = RootKeyFromName(rootName.c_str());
    if (root == nullptr) return false;
    const std::optional<RegistryText> folder = QueryRegistryText(root, subKey, valueName.c_str(), ini::kValueBuffer);
    if (!folder) return false;
    return AcceptCandidate(folder->text + "\\" + exeName, foundPath);
}

bool FindMessagingSubsystem(const CatalogueEntry& /*entry*/, std::string& /*foundPath*/) {
    const std::optional<RegistryText> flag =
        QueryProgramRegistryText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows Messaging Subsystem", "MAPI", 100);
    return flag && flag->text == "1";
}

bool FindMessageFileHandler(const CatalogueEntry& /*entry*/, std::string& foundPath) {
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

bool NeverInstalled(const CatalogueEntry& /*entry*/, std::string& /*foundPath*/) { return false; }

}  // namespace email32
