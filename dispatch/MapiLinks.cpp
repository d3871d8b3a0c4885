// Link types 2 and 10: files handed to a Simple MAPI library, found through
// the mail client's registration or in the mail program's folder; a library
// of the other bitness through the helper program of that bitness.
#include "dispatch/Links.h"
#include "dispatch/MapiHelper.h"
#include "dispatch/SimpleMapi.h"

#include "base/MapiLibrary.h"
#include "base/Text.h"

namespace email32::dispatch {
namespace {

#if defined(_WIN64)
constexpr const char* kThisProcess = "this 64-bit process";
#else
constexpr const char* kThisProcess = "this 32-bit process";
#endif

// Once a library was found the hand-over counts as attempted, whatever the
// library does. Refused: a library that neither this process nor the
// helper can load, and files that no call of the library could name.
Handover HandOver(const SendRequest& request, const std::string& named) {
    const std::string library = base::SimpleMapiTarget(named);
    MapiResult result;
    switch (base::MapiReachOf(library)) {
    case base::MapiReach::kNone:
        return Handover::Refused(library + " is built for another machine than " + kThisProcess + ", and " +
                                 base::Utf8(base::kMapiHelperName) + " is not beside the module to load it");
    case base::MapiReach::kHelper: result = MapiSendThroughHelper(request, library); break;
    case base::MapiReach::kInProcess:
        result = MapiSendFiles(request.files, library, request.fields, request.recipients);
        break;
    }
    switch (result.outcome) {
    case MapiOutcome::kSent: return Handover::HandedOver();
    case MapiOutcome::kCancelled: return Handover::Cancelled(result.problem);
    case MapiOutcome::kUnnameable:
    case MapiOutcome::kUnreached: return Handover::Refused(result.problem);
    case MapiOutcome::kNotSent: break;
    }
    return Handover::Failed(result.problem);
}

}  // namespace

Handover SendByClientLibrary(const SendRequest& request) {
    const std::optional<std::string> library = base::ClientLibraryPath(request.entry);
    if (!library) {
        return Handover::Refused("no Simple MAPI library is registered for " + request.entry.SystemKey() +
                                 " (Software\\Clients\\Mail, or the messaging subsystem's CMCDLLNAME32)");
    }
    return HandOver(request, *library);
}

Handover SendBySimpleMapi(const SendRequest& request) {
    // Looked for in the mail program's own folder; without a path, the bare
    // name is looked for in the host's, the module's and the system folder.
    const std::optional<std::string> library = base::ProgramFolderLibraryPath(request.entry, request.programPath);
    if (!library) return Handover::Refused("MAPI32DLL of " + request.entry.SystemKey() + " is empty");
    return HandOver(request, *library);
}

}  // namespace email32::dispatch
