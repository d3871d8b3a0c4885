// The version check that some catalogue entries ask for after detection.
#pragma once

#include "base/CatalogueEntry.h"

#include <string>

namespace email32::registry {

// Finds the program through App Paths (foundPath becomes that result) and
// checks the version of the "MAPI32DLL" library beside it.
[[nodiscard]] bool CheckMapiVersion(const base::CatalogueEntry& entry, std::string& foundPath, int version);

}  // namespace email32::registry
