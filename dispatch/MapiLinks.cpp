// Link types 2 and 10: files handed to a Simple MAPI library, found through
// the mail client's registration or in the mail program's folder.
#include "dispatch/Links.h"
#include "dispatch/SimpleMapi.h"

#include "base/MapiLibrary.h"

namespace email32 {
namespace {

// Once a library was found the hand-over counts as attempted, whatever the
// library does. Refused: a library this process can never load (built for
// another machine), and files that no call of the library could name.
Handover HandOver(const SendRequest& request, const std::string& library) {
    if (!IsLoadableLibrary(library)) {
        return Handover::Refused(library + " is built for another machine than this 32-bit process");
    }
    const MapiResult result = MapiSendFiles(request.files, library, request.fields, request.recipients);
    switch (result.outcome) {
    case MapiOutcome::kSent: return Handover::HandedOver();
    case MapiOutcome::kCancelled: return Handover::Cancelled(result.problem);
    case MapiOutcome::kUnnameable: return Handover::Refused(result.problem);
    case MapiOutcome::kNotSent: break;
    }
    return Handover::Failed(result.problem);
}

}  // namespace

Handover SendByClientLibrary(const SendRequest& request) {
    const std::optional<std::string> library = ClientLibraryPath(request.entry);
    if (!library) {
        return Handover::Refused("no Simple MAPI library is registered for " + request.entry.SystemKey() +
                                 " (Software\\Clients\\Mail, or the messaging subsystem's CMCDLLNAME32)");
    }
    return HandOver(request, *library);
}

Handover SendBySimpleMapi(const SendRequest& request) {
    // Looked for in the mail program's own folder; without a path, the bare
    // name is looked for in the host's, the module's and the system folder.
    const std::optional<std::string> library = ProgramFolderLibraryPath(request.entry, request.programPath);
    if (!library) return Handover::Refused("MAPI32DLL of " + request.entry.SystemKey() + " is empty");
    return HandOver(request, *library);
}

}  // namespace email32
