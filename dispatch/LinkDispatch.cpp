#include "dispatch/AliveDbPath.h"
#include "dispatch/Links.h"

#include "base/AppDataFolder.h"

#include <optional>
#include <string>

namespace email32::dispatch {

Handover NoLink(const SendRequest& request) {
    return Handover::Refused("LinkType " + std::to_string(request.entry.Int("LinkType")) + " of " +
                             request.entry.SystemKey() + " has no link");
}

Link LinkFor(int linkType) {
    switch (linkType) {
    case 1: return SendByCommandLine;
    case 2: return SendByClientLibrary;
    case 6: return SendByNotesBridge;
    case 7: return SendByMailServer;
    case 10: return SendBySimpleMapi;
    case 11: return SendByDraft;
    default: return NoLink;
    }
}

Handover SendByLink(const base::CatalogueEntry& entry, const SendFiles& files, const MessageFields& fields) {
    std::string problem;
    std::optional<Recipients> recipients = ReadRecipients(fields, problem);
    if (!recipients) return Handover::Refused(problem);
    const std::optional<std::string> folder = base::QueryAppDataFolder();
    if (!folder) return Handover::Refused("Userpath.dll cannot be loaded, so AliveDB.ini cannot be found");
    const SendRequest request = MakeSendRequest(entry, *folder, files, fields, std::move(*recipients));
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

}  // namespace email32::dispatch
