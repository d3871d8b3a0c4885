#include "dispatch/SimpleMapi.h"

#include "framework/Win32Handles.h"

#include <vector>

namespace email32 {
namespace {

struct SimpleMapiState {
    HMODULE library = nullptr;
    MapiSendDocumentsFn sendDocuments = nullptr;
    MapiLogonFn logon = nullptr;
    MapiLogoffFn logoff = nullptr;
    ULONG_PTR session = 0;
};

SimpleMapiState& State() {
    static SimpleMapiState state;
    return state;
}

}  // namespace

bool LoadMapiEntries(const std::string& library) {
    SimpleMapiState& state = State();
    const HMODULE module = ::LoadLibraryA(library.c_str());
    if (module != nullptr && module == state.library) {
        // Already held since an earlier send: one reference keeps it loaded
        // for the process's life, more would only pile up.
        ::FreeLibrary(module);
    }
    state.library = module;
    state.sendDocuments = nullptr;
    state.logon = nullptr;
    state.logoff = nullptr;
    if (module == nullptr) return false;
    state.sendDocuments = ProcAddress<MapiSendDocumentsFn>(module, "MAPISendDocuments");
    if (state.sendDocuments == nullptr) return false;
    state.logon = ProcAddress<MapiLogonFn>(module, "MAPILogon");
    if (state.logon == nullptr) return false;
    state.logoff = ProcAddress<MapiLogoffFn>(module, "MAPILogoff");
    return state.logoff != nullptr;
}

bool MapiLogonNewSession(const std::string& library) {
    if (!LoadMapiEntries(library)) return false;
    SimpleMapiState& state = State();
    return state.logon(0, nullptr, nullptr, kMapiLogonUi | kMapiNewSession, 0, &state.session) == 0;
}

bool MapiSendFiles(const std::string& joinedPaths, const std::string& library) {
    if (!MapiLogonNewSession(library)) return false;
    // The interface takes writable texts; the provider gets copies.
    char delimiter[] = "^";
    std::vector<char> paths(joinedPaths.begin(), joinedPaths.end());
    paths.push_back('\0');
    return State().sendDocuments(0, delimiter, paths.data(), nullptr, 0) == 0;
}

}  // namespace email32
