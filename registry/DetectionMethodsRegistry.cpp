// Methods that read the program's location from registrations: COM servers,
// a named registry value, the messaging subsystem flag.
#include "registry/DetectionMethods.h"
#include "registry/DetectionSupport.h"
#include "base/HostPaths.h"
#include "base/RegistryRead.h"

#include <windows.h>

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
    return AcceptCandidate(DriveAndFolder(program) + exeName, foundPath);
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

bool NeverInstalled(const CatalogueEntry& /*entry*/, std::string& /*foundPath*/) { return false; }

}  // namespace email32
