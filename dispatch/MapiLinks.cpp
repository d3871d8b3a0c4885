// Link types 2 and 10: files handed to a Simple MAPI library, found through
// the mail client's registration or in the mail program's folder.
#include "dispatch/AliveDbPath.h"
#include "dispatch/Links.h"
#include "dispatch/SimpleMapi.h"

#include "registry/HostPaths.h"
#include "registry/IniFile.h"
#include "registry/RegistryRead.h"

#include <windows.h>

#include <optional>

namespace email32 {
namespace {

enum class Registration { None, Found, TooLong };

// The library path the mail client registers, with its environment
// references expanded. TooLong when it does not fit a path buffer, as
// stored or expanded.
Registration RegisteredClientLibrary(const char* systemKey, const char* cataloguePath, std::string& library) {
    const std::string mailSection = ini::ReadString(cataloguePath, systemKey, "MailSection");
    if (mailSection.empty()) return Registration::None;
    const std::string valueName = ini::ReadString(cataloguePath, systemKey, "DllPath");
    if (valueName.empty()) return Registration::None;
    const std::string key = "Software\\Clients\\mail\\" + mailSection;
    const std::optional<RegistryText> value = QueryRegistryText(HKEY_LOCAL_MACHINE, key, valueName.c_str(), ini::kValueBuffer);
    if (!value) {
        return RegistryValueExists(HKEY_LOCAL_MACHINE, key, valueName.c_str()) ? Registration::TooLong
                                                                               : Registration::None;
    }
    char expanded[MAX_PATH] = {};
    const DWORD length = ::ExpandEnvironmentStringsA(value->text.c_str(), expanded, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return Registration::TooLong;
    library = expanded;
    return Registration::Found;
}

}  // namespace

bool SendByClientLibrary(const char* systemKey, const char* cataloguePath, const FileList& files) {
    const std::string joined = JoinPaths(files, "^");
    std::string library;
    const Registration registration = RegisteredClientLibrary(systemKey, cataloguePath, library);
    // A registered library that cannot be named is a failed send: the
    // system's library would hand the files to another mail program.
    if (registration == Registration::TooLong) return false;
    if (registration == Registration::None) {
        const std::optional<RegistryText> cmc = QueryRegistryText(
            HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows Messaging Subsystem", "CMCDLLNAME32", ini::kValueBuffer);
        if (!cmc) return false;
        library = cmc->text;
    }
    (void)MapiSendFiles(joined, library);
    return true;
}

bool SendBySimpleMapi(const char* systemKey, const char* cataloguePath, const FileList& files) {
    const std::string joined = JoinPaths(files, "^");
    const std::string libraryName = ini::ReadString(cataloguePath, systemKey, "MAPI32DLL");
    if (libraryName.empty()) return false;
    const std::string program = ini::ReadString(ModuleAliveDbPath(), systemKey, "Path");
    // Looked for in the mail program's own folder; without a path the
    // platform's library search finds it.
    (void)MapiSendFiles(joined, DriveAndFolder(program) + libraryName);
    return true;
}

}  // namespace email32
