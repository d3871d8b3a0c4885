#include "dispatch/SimpleMapi.h"

#include "base/LoadableLibrary.h"
#include "base/Win32Handles.h"
#include "dispatch/SimpleMapiMessages.h"
#include "base/Text.h"
#include "base/Path.h"

#include <optional>
#include <vector>

namespace email32::dispatch {
namespace {

struct SimpleMapiState {
    HMODULE module = nullptr;
    MapiSendDocumentsFn sendDocuments = nullptr;
    MapiLogonFn logon = nullptr;
    MapiLogoffFn logoff = nullptr;
    MapiSendMailWFn sendMailW = nullptr;
    MapiSendMailFn sendMail = nullptr;
    ULONG_PTR session = 0;
    std::string library;  // as it was named, for the reasons given
};

SimpleMapiState& State() {
    static SimpleMapiState state;
    return state;
}

bool AllNamedByCodePage(const SendFiles& files) {
    for (const SendFile& file : files) {
        if (!file.ansi) return false;
    }
    return true;
}

ULONG SendDocuments(const std::vector<std::string>& names, ULONG_PTR window) {
    // The paths joined by "^", none before the first or after the last. The
    // interface takes writable texts; the provider gets copies.
    char delimiter[] = "^";
    std::vector<char> paths;
    for (const std::string& name : names) {
        if (!paths.empty()) paths.push_back('^');
        paths.insert(paths.end(), name.begin(), name.end());
    }
    paths.push_back('\0');
    return State().sendDocuments(window, delimiter, paths.data(), nullptr, 0);
}

// The outcome of a Simple MAPI call's result.
MapiResult Outcome(ULONG result, const char* call) {
    if (result == 0) return {MapiOutcome::kSent, std::string(), 0};
    const std::string problem = std::string(call) + " of " + State().library + " reported " + MapiResultName(result);
    return {result == kMapiUserAbort ? MapiOutcome::kCancelled : MapiOutcome::kNotSent, problem, result};
}

}  // namespace

bool LoadMapiEntries(const std::string& library) {
    SimpleMapiState& state = State();
    // The machine check reads the very file that the load takes.
    const std::wstring file = base::LocateLibrary(library);
    const WORD machine = file.empty() ? 0 : base::LibraryMachine(file);
    const HMODULE module =
        file.empty() || (machine != 0 && machine != base::kProcessMachine) ? nullptr : base::LoadLocatedLibrary(file);
    if (module != nullptr && module == state.module) {
        // Already held since an earlier send: one reference keeps it loaded
        // for the process's life, more would only pile up.
        ::FreeLibrary(module);
    }
    state.module = module;
    state.library = library;
    state.sendDocuments = nullptr;
    state.logon = nullptr;
    state.logoff = nullptr;
    state.sendMailW = nullptr;
    state.sendMail = nullptr;
    if (module == nullptr) return false;
    state.sendDocuments = base::ProcAddress<MapiSendDocumentsFn>(module, "MAPISendDocuments");
    if (state.sendDocuments == nullptr) return false;
    state.logon = base::ProcAddress<MapiLogonFn>(module, "MAPILogon");
    if (state.logon == nullptr) return false;
    state.logoff = base::ProcAddress<MapiLogoffFn>(module, "MAPILogoff");
    if (state.logoff == nullptr) return false;
    state.sendMailW = base::ProcAddress<MapiSendMailWFn>(module, "MAPISendMailW");
    state.sendMail = base::ProcAddress<MapiSendMailFn>(module, "MAPISendMail");
    return true;
}

bool MapiLogonNewSession(const std::string& library) {
    if (!LoadMapiEntries(library)) return false;
    SimpleMapiState& state = State();
    return state.logon(0, nullptr, nullptr, kMapiLogonUi | kMapiNewSession, 0, &state.session) == 0;
}

MapiResult MapiSendFiles(const SendFiles& files, const std::string& library, const MessageFields& fields,
                         const Recipients& recipients, ULONG_PTR window) {
    SimpleMapiState& state = State();
    if (!LoadMapiEntries(library)) {
        return {MapiOutcome::kNotSent, state.module == nullptr
                                           ? library + " cannot be loaded"
                                           : library + " lacks MAPISendDocuments, MAPILogon or MAPILogoff"};
    }
    // The fields need a message; a library that takes no message still gets
    // the files.
    const bool fieldsGiven = !fields.empty() || !recipients.to.empty() || !recipients.cc.empty();
    const bool message = fieldsGiven && (state.sendMailW != nullptr || state.sendMail != nullptr);
    const bool wide = state.sendMailW != nullptr && (message || !AllNamedByCodePage(files));
    std::vector<std::string> names;
    if (!wide && !message) {
        // Decided before the logon, so that the user sees no logon window
        // for a send that cannot take place.
        for (const SendFile& file : files) {
            const std::optional<std::string> name = base::AnsiPathOf(file.path, base::AnsiForm::AsGiven, file.ansi);
            if (!name) return {MapiOutcome::kUnnameable, "the ANSI code page cannot name " + base::Utf8(file.path), 2};
            names.push_back(*name);
        }
    }
    const ULONG logon = state.logon(window, nullptr, nullptr, kMapiLogonUi | kMapiNewSession, 0, &state.session);
    if (logon != 0) return Outcome(logon, "MAPILogon");
    if (wide) {
        return Outcome(SendMapiMessageW(state.sendMailW, state.session, window, files, fields, recipients),
                       "MAPISendMailW");
    }
    if (message) {
        std::string unnameable;
        const std::optional<ULONG> result =
            SendMapiMessageA(state.sendMail, state.session, window, files, fields, recipients, unnameable);
        if (!result) return {MapiOutcome::kUnnameable, "the ANSI code page cannot name " + unnameable, 2};
        return Outcome(*result, "MAPISendMail");
    }
    return Outcome(SendDocuments(names, window), "MAPISendDocuments");
}

std::string MapiResultName(ULONG result) {
    static const char* const kNames[] = {
        "SUCCESS_SUCCESS",
        "MAPI_USER_ABORT",
        "MAPI_E_FAILURE",
        "MAPI_E_LOGON_FAILURE",
        "MAPI_E_DISK_FULL",
        "MAPI_E_INSUFFICIENT_MEMORY",
        "MAPI_E_ACCESS_DENIED",
        nullptr,
        "MAPI_E_TOO_MANY_SESSIONS",
        "MAPI_E_TOO_MANY_FILES",
        "MAPI_E_TOO_MANY_RECIPIENTS",
        "MAPI_E_ATTACHMENT_NOT_FOUND",
        "MAPI_E_ATTACHMENT_OPEN_FAILURE",
        "MAPI_E_ATTACHMENT_WRITE_FAILURE",
        "MAPI_E_UNKNOWN_RECIPIENT",
        "MAPI_E_BAD_RECIPTYPE",
        "MAPI_E_NO_MESSAGES",
        "MAPI_E_INVALID_MESSAGE",
        "MAPI_E_TEXT_TOO_LARGE",
        "MAPI_E_INVALID_SESSION",
        "MAPI_E_TYPE_NOT_SUPPORTED",
        "MAPI_E_AMBIGUOUS_RECIPIENT",
        "MAPI_E_MESSAGE_IN_USE",
        "MAPI_E_NETWORK_FAILURE",
        "MAPI_E_INVALID_EDITFIELDS",
        "MAPI_E_INVALID_RECIPS",
        "MAPI_E_NOT_SUPPORTED",
        "MAPI_E_UNICODE_NOT_SUPPORTED",
        "MAPI_E_ATTACHMENT_TOO_LARGE",
    };
    const std::string number = std::to_string(result);
    if (result < std::size(kNames) && kNames[result] != nullptr)
        return std::string(kNames[result]) + " (" + number + ")";
    return "error " + number;
}

}  // namespace email32::dispatch
