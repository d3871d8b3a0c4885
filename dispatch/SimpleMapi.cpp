#include "dispatch/SimpleMapi.h"

#include "dispatch/Links.h"
#include "base/Win32Handles.h"
#include "dispatch/MapiLibrary.h"

#include <optional>
#include <vector>

namespace email32 {
namespace {

struct SimpleMapiState {
    HMODULE library = nullptr;
    MapiSendDocumentsFn sendDocuments = nullptr;
    MapiLogonFn logon = nullptr;
    MapiLogoffFn logoff = nullptr;
    MapiSendMailWFn sendMailW = nullptr;
    ULONG_PTR session = 0;
};

SimpleMapiState& State() {
    static SimpleMapiState state;
    return state;
}

bool AllNamedByCodePage(const SendFiles& files) {
    for (const SendFile& file : files) {
        if (!file.ansiExact) return false;
    }
    return true;
}

ULONG SendDocuments(const std::string& joinedPaths) {
    // The interface takes writable texts; the provider gets copies.
    char delimiter[] = "^";
    std::vector<char> paths(joinedPaths.begin(), joinedPaths.end());
    paths.push_back('\0');
    return State().sendDocuments(0, delimiter, paths.data(), nullptr, 0);
}

// A new message with the files attached, shown to the user as
// MAPISendDocuments shows it.
ULONG SendMailWide(const SendFiles& files) {
    std::vector<std::wstring> paths;
    paths.reserve(files.size());
    for (const SendFile& file : files) paths.push_back(file.path);
    std::vector<MapiFileDescW> attachments(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        attachments[i].position = static_cast<ULONG>(-1);
        attachments[i].pathName = paths[i].data();
    }
    MapiMessageW message = {};
    message.fileCount = static_cast<ULONG>(attachments.size());
    message.files = attachments.empty() ? nullptr : attachments.data();
    SimpleMapiState& state = State();
    return state.sendMailW(state.session, 0, &message, kMapiLogonUi | kMapiDialog, 0);
}

}  // namespace

bool LoadMapiEntries(const std::string& library) {
    SimpleMapiState& state = State();
    // The machine check reads the very file that the load takes.
    const std::wstring file = LocateLibrary(library);
    const WORD machine = file.empty() ? 0 : LibraryMachine(file);
    const HMODULE module =
        file.empty() || (machine != 0 && machine != kProcessMachine) ? nullptr : LoadLocatedLibrary(file);
    if (module != nullptr && module == state.library) {
        // Already held since an earlier send: one reference keeps it loaded
        // for the process's life, more would only pile up.
        ::FreeLibrary(module);
    }
    state.library = module;
    state.sendDocuments = nullptr;
    state.logon = nullptr;
    state.logoff = nullptr;
    state.sendMailW = nullptr;
    if (module == nullptr) return false;
    state.sendDocuments = ProcAddress<MapiSendDocumentsFn>(module, "MAPISendDocuments");
    if (state.sendDocuments == nullptr) return false;
    state.logon = ProcAddress<MapiLogonFn>(module, "MAPILogon");
    if (state.logon == nullptr) return false;
    state.logoff = ProcAddress<MapiLogoffFn>(module, "MAPILogoff");
    if (state.logoff == nullptr) return false;
    state.sendMailW = ProcAddress<MapiSendMailWFn>(module, "MAPISendMailW");
    return true;
}

bool MapiLogonNewSession(const std::string& library) {
    if (!LoadMapiEntries(library)) return false;
    SimpleMapiState& state = State();
    return state.logon(0, nullptr, nullptr, kMapiLogonUi | kMapiNewSession, 0, &state.session) == 0;
}

MapiOutcome MapiSendFiles(const SendFiles& files, const std::string& library) {
    if (!LoadMapiEntries(library)) return MapiOutcome::kNotSent;
    SimpleMapiState& state = State();
    const bool wide = !AllNamedByCodePage(files) && state.sendMailW != nullptr;
    FileList names;
    if (!wide) {
        // Decided before the logon, so that the user sees no logon window
        // for a send that cannot take place.
        for (const SendFile& file : files) {
            const std::optional<std::string> name = AnsiName(file);
            if (!name) return MapiOutcome::kUnnameable;
            names.push_back(*name);
        }
    }
    if (state.logon(0, nullptr, nullptr, kMapiLogonUi | kMapiNewSession, 0, &state.session) != 0) {
        return MapiOutcome::kNotSent;
    }
    const ULONG result = wide ? SendMailWide(files) : SendDocuments(JoinPaths(names, "^"));
    return result == 0 ? MapiOutcome::kSent : MapiOutcome::kNotSent;
}

}  // namespace email32
