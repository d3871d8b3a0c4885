// Link types 2 and 10: files handed to a Simple MAPI library, found through
// the mail client's registration or in the mail program's folder.
#include "dispatch/Links.h"
#include "dispatch/SimpleMapi.h"

#include "dispatch/MapiLibrary.h"

namespace email32 {
namespace {

// Once a library was found the hand-over counts as attempted, whatever the
// library does. Refused: a library this process can never load (built for
// another machine), and files that no call of the library could name.
bool HandOver(const SendFiles& files, const std::string& library) {
    if (!IsLoadableLibrary(library)) return false;
    return MapiSendFiles(files, library) != MapiOutcome::kUnnameable;
}

}  // namespace

bool SendByClientLibrary(const SendRequest& request) {
    const std::optional<std::string> library = ClientLibraryPath(request.entry);
    if (!library) return false;
    return HandOver(request.files, *library);
}

bool SendBySimpleMapi(const SendRequest& request) {
    // Looked for in the mail program's own folder; without a path, the bare
    // name is looked for in the host's, the module's and the system folder.
    const std::optional<std::string> library = ProgramFolderLibraryPath(request.entry, request.programPath);
    if (!library) return false;
    return HandOver(request.files, *library);
}

}  // namespace email32
