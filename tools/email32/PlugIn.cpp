#include "tools/email32/PlugIn.h"

#include <string>
#include <vector>

namespace email32::host {

HMODULE LoadPlugIn() {
    std::vector<wchar_t> path(MAX_PATH);
    DWORD length = 0;
    while ((length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) >= path.size()) {
        if (path.size() >= 32768) return nullptr;
        path.resize(path.size() * 2);
    }
    const std::wstring host(path.data(), length);
    const std::size_t slash = host.find_last_of(L'\\');
    if (slash == std::wstring::npos) return nullptr;
    return ::LoadLibraryExW((host.substr(0, slash + 1) + L"Relay32.dll").c_str(), nullptr,
                            LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace email32::host
