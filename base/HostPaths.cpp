#include "base/HostPaths.h"

#include <windows.h>

#include <cstdlib>

namespace email32 {

std::string DriveAndFolder(const std::string& path) {
    char drive[_MAX_DRIVE] = {};
    char folder[_MAX_DIR] = {};
    // _splitpath_s refuses over-long parts instead of overrunning; the result
    // is then empty, as for a path that names no folder.
    if (_splitpath_s(path.c_str(), drive, sizeof drive, folder, sizeof folder, nullptr, 0, nullptr, 0) != 0) {
        return std::string();
    }
    return std::string(drive) + folder;
}

std::string HostExecutableFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return DriveAndFolder(path);
}

}  // namespace email32
