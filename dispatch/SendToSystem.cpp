#include "dispatch/Links.h"
#include "public/EmailExceptions.h"

#include <algorithm>

namespace email32::dispatch {

Handover SendToSystem(const std::vector<std::string>& installed, const std::string& defaultKey,
                      const std::string& cataloguePath, const std::string& systemKey, const SendFiles& files,
                      const MessageFields& fields) {
    if (installed.empty()) throw EmailDBEmpty();
    // The empty key stands for the default system, which is not tested again.
    if (systemKey.empty()) return SendByLink(base::CatalogueEntry(defaultKey, cataloguePath), files, fields);
    if (std::find(installed.begin(), installed.end(), systemKey) == installed.end()) {
        throw EmailSysNotAlive(systemKey);
    }
    return SendByLink(base::CatalogueEntry(systemKey, cataloguePath), files, fields);
}

}  // namespace email32::dispatch
