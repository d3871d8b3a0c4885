#include "dispatch/AliveDbPath.h"
#include "dispatch/Links.h"

#include "base/AppDataFolder.h"

#include <optional>

namespace email32 {

bool NoLink(const SendRequest& /*request*/) { return false; }

Link LinkFor(int linkType) {
    switch (linkType) {
    case 1: return SendByCommandLine;
    case 2: return SendByClientLibrary;
    case 6: return SendByNotesBridge;
    case 7: return SendByMailServer;
    case 10: return SendBySimpleMapi;
    default: return NoLink;
    }
}

bool SendByLink(const CatalogueEntry& entry, const SendFiles& files) {
    const std::optional<std::string> folder = QueryAppDataFolder();
    if (!folder) return false;
    const SendRequest request = MakeSendRequest(entry, *folder, files);
    SetModuleAliveDbPath(request.aliveDbPath);
    return LinkFor(entry.Int("LinkType"))(request);
}

std::string JoinPaths(const FileList& files, const char* delimiter) {
    std::string joined;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0) joined += delimiter;
        joined += files[i];
    }
    return joined;
}

}  // namespace email32
