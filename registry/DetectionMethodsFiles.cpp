// Methods that find the program through App Paths or in the Windows folders.
#include "registry/DetectionMethods.h"
#include "registry/DetectionSupport.h"
#include "base/Path.h"
#include "base/RegistryRead.h"

#include <windows.h>

namespace email32::registry {

using registry::AcceptCandidate;

bool ExpandAppPathValue(const std::string& value, bool expandable, std::string& result) {
    if (!expandable) {
        result = value;
        return true;
    }
    std::string text = value;
    const std::size_t first = value.find('%');
    const std::size_t second = first == std::string::npos ? std::string::npos : value.find('%', first + 1);
    if (second != std::string::npos) {
        const std::string name = value.substr(first + 1, second - first - 1);
        char variable[base::kValueBuffer] = {};
        const DWORD length = name.empty() ? 0 : ::GetEnvironmentVariableA(name.c_str(), variable, sizeof variable);
        // A variable that is not set, or too long for its buffer, leaves the
        // reference as it stands.
        if (length > 0 && length < sizeof variable) {
            text = value.substr(0, first) + variable + value.substr(second + 1);
        }
    }
    if (!text.empty() && text.front() == '"') {
        const std::size_t closing = text.find('"', 1);
        text = text.substr(1, closing == std::string::npos ? std::string::npos : closing - 1);
    }
    if (text.size() >= base::kValueBuffer) return false;
    result = text;
    return true;
}

bool FindByAppPath(const base::CatalogueEntry& entry, std::string& foundPath) {
    std::string exeName;
    if (!entry.Required("ExeName", exeName)) return false;
    // As the shell looks a program up: the user's own registration first
    // (programs installed for one user register only there), then the
    // machine's. A 64-bit program registers in the 64-bit view; an entry left
    // behind in the 32-bit view by an uninstalled program does not hide it.
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + exeName;
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        for (const REGSAM view : base::ProgramRegistryViews()) {
            const std::optional<base::RegistryText> value =
                base::QueryRegistryText(root, key, "", base::kValueBuffer, view);
            std::string candidate;
            if (value && ExpandAppPathValue(value->text, value->type == REG_EXPAND_SZ, candidate) &&
                AcceptCandidate(candidate, foundPath)) {
                return true;
            }
        }
    }
    return false;
}

namespace {

bool FindInFolder(UINT(WINAPI* folderOf)(LPSTR, UINT), const base::CatalogueEntry& entry, std::string& foundPath) {
    std::string exeName;
    if (!entry.Required("ExeName", exeName)) return false;
    char folder[MAX_PATH] = {};
    const UINT length = folderOf(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    return AcceptCandidate(std::string(folder) + "\\" + exeName, foundPath);
}

}  // namespace

bool FindInWindowsFolder(const base::CatalogueEntry& entry, std::string& foundPath) {
    return FindInFolder(::GetWindowsDirectoryA, entry, foundPath);
}

bool FindInSystemFolder(const base::CatalogueEntry& entry, std::string& foundPath) {
    return FindInFolder(::GetSystemDirectoryA, entry, foundPath);
}

bool FindByAppPathWithMapi(const base::CatalogueEntry& entry, std::string& foundPath) {
    std::string exeName;
    std::string library;
    if (!entry.Required("ExeName", exeName)) return false;
    if (!entry.Required("MAPI32DLL", library)) return false;
    std::string program;
    if (!FindByAppPath(entry, program)) return false;
    const std::string folder = base::FolderOf(program);
    std::string ignored;
    if (!AcceptCandidate(folder + exeName, ignored) || !AcceptCandidate(folder + library, ignored)) return false;
    foundPath = program;
    return true;
}

}  // namespace email32::registry
