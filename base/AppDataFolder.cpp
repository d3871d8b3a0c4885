#include "base/AppDataFolder.h"

#include "base/LoadableLibrary.h"
#include "base/Win32Handles.h"

#include <windows.h>

namespace email32::base {

std::optional<std::string> QueryAppDataFolder() {
    AutoLibrary library(LoadLocatedLibrary(std::wstring(L"Userpath.dll")));
    if (!library) return std::nullopt;

    using GetAppDataPathFn = int(__cdecl*)(char*);
    const auto getAppDataPath = ProcAddress<GetAppDataPathFn>(library.get(), "GetAppDataPath");
    if (getAppDataPath == nullptr) return std::nullopt;

    // The entry's contract is a 260-byte buffer; the last byte stays zero so
    // that a companion which fills it completely cannot make us read past it.
    char buffer[MAX_PATH + 1] = {};
    getAppDataPath(buffer);
    buffer[MAX_PATH - 1] = '\0';
    const std::string folder(buffer);
    if (!IsFullyQualifiedPath(folder)) return std::nullopt;
    return folder;
}

}  // namespace email32::base
