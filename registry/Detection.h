// Installation detection: whether one catalogue entry is installed, and where
// its program file lies.
#pragma once

#include "base/CatalogueEntry.h"

#include <string>

namespace email32::registry {

// Runs the detection method that the system's "PathType" selects and, when
// "CheckVersion" is 1, the version check. Never throws; every failure means
// not installed. On true, foundPath holds the program's full path (method 18
// leaves it unchanged).
[[nodiscard]] bool DetectEmailSystem(const base::CatalogueEntry& entry, std::string& foundPath);

}  // namespace email32::registry
