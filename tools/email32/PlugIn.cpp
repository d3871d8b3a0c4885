#include "tools/email32/PlugIn.h"

#include "base/Path.h"

#include <string>

namespace email32::host {

HMODULE LoadPlugIn() {
    const std::wstring host = base::ModulePath(nullptr);
    if (host.empty()) return nullptr;
    return ::LoadLibraryExW((base::FolderOf(host) + L"Relay32.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace email32::host
