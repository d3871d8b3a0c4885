#include "registry/VersionCheck.h"

#include "registry/DetectionMethods.h"
#include "base/FileVersion.h"
#include "base/Path.h"

namespace email32::registry {

bool CheckMapiVersion(const base::CatalogueEntry& entry, std::string& foundPath, int version) {
    if (!FindByAppPath(entry, foundPath)) return false;
    const std::string library = entry.Text("MAPI32DLL");
    if (library.empty()) return false;
    return base::MajorProductVersionEquals(base::FolderOf(foundPath) + library, version);
}

}  // namespace email32::registry
