// Methods that find the program's folder recorded in WIN.INI or in a private
// INI file of the Windows folder.
#include "registry/DetectionMethods.h"
#include "registry/DetectionSupport.h"
#include "base/Path.h"

#include <windows.h>

namespace email32::registry {

using registry::AcceptCandidate;

namespace {

std::string ReadWinIni(const char* section, const char* key) {
    char value[base::kValueBuffer] = {};
    ::GetProfileStringA(section, key, "", value, sizeof value);
    return value;
}

}  // namespace

bool FindByWinIni(const base::CatalogueEntry& entry, std::string& foundPath) {
    std::string section, key, exeName;
    if (!entry.Required("Section", section) || !entry.Required("Key", key) || !entry.Required("ExeName", exeName)) {
        return false;
    }
    std::string folder = ReadWinIni(section.c_str(), key.c_str());
    // An empty value is no folder; the bare program name is then looked for
    // in the current folder.
    (void)base::MakeFolderText(folder, base::kValueBuffer);
    return AcceptCandidate(base::FolderOf(folder) + exeName, foundPath);
}

bool FindByPrivateIni(const base::CatalogueEntry& entry, std::string& foundPath) {
    std::string privateIni, section, key, exeName;
    if (!entry.Required("PrivateINI", privateIni) || !entry.Required("Section", section) ||
        !entry.Required("Key", key) || !entry.Required("ExeName", exeName)) {
        return false;
    }
    char windows[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const std::string iniPath = std::string(windows) + "\\" + privateIni;
    if (iniPath.size() >= base::kValueBuffer || !base::FileExists(iniPath)) return false;
    // The value is a file path: its name part is dropped.
    const std::string value = base::ReadString(iniPath, section.c_str(), key.c_str());
    return AcceptCandidate(base::FolderOf(value) + exeName, foundPath);
}

bool FindCcMail(const base::CatalogueEntry& entry, std::string& foundPath) {
    std::string exeName;
    if (!entry.Required("ExeName", exeName)) return false;
    std::string folder = ReadWinIni("cc:Mail", "ProgramPath");
    if (!base::MakeFolderText(folder, base::kValueBuffer)) return false;
    return AcceptCandidate(folder + exeName, foundPath);
}

}  // namespace email32::registry
