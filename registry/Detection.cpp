#include "registry/Detection.h"

#include "registry/DetectionMethods.h"
#include "base/MapiLibrary.h"
#include "registry/VersionCheck.h"

namespace email32::registry {
namespace {

// Indexed by "PathType"; the numbers without a method never detect anything.
const DetectionMethod kMethods[] = {
    FindByAppPath,           // 0
    FindInWindowsFolder,     // 1
    FindInSystemFolder,      // 2
    FindByWinIni,            // 3
    FindByPrivateIni,        // 4
    FindByPrivateIni,        // 5
    FindByComServer,         // 6
    NeverInstalled,          // 7
    NeverInstalled,          // 8
    FindByAppPathWithMapi,   // 9
    NeverInstalled,          // 10
    NeverInstalled,          // 11
    NeverInstalled,          // 12
    NeverInstalled,          // 13
    NeverInstalled,          // 14
    FindByRegistryValue,     // 15
    NeverInstalled,          // 16
    FindCcMail,              // 17
    FindMessagingSubsystem,  // 18
    NeverInstalled,          // 19
    NeverInstalled,          // 20
    FindMessageFileHandler,  // 21
};

}  // namespace

DetectionMethod DetectionMethodFor(unsigned int pathType) {
    return pathType < std::size(kMethods) ? kMethods[pathType] : NeverInstalled;
}

bool DetectEmailSystem(const base::CatalogueEntry& entry, std::string& foundPath) {
    try {
        const unsigned int pathType = entry.Unsigned("PathType");
        const int version = entry.Int("Version");
        const int checkVersion = entry.Int("CheckVersion");

        // Worked on a copy: the version check may replace the method's found
        // path and still fail, and a failed detection leaves foundPath alone.
        std::string path = foundPath;
        if (!DetectionMethodFor(pathType)(entry, path)) return false;
        if (checkVersion == 1 && !CheckMapiVersion(entry, path, version)) return false;
        // A 32-bit module cannot load a 64-bit Simple MAPI provider; such a
        // system could never deliver, so it is not offered.
        if (!base::HasLoadableMapiLibrary(entry, path)) return false;
        foundPath = std::move(path);
        return true;
    } catch (const std::exception&) {
        // Only memory can run out here; detection reports nothing, so the
        // system counts as not installed.
        return false;
    }
}

}  // namespace email32::registry
