// The version check that some catalogue entries ask for after detection.
#pragma once

#include "base/CatalogueEntry.h"

#include <string>

namespace email32 {

// True when the major product version in the file's version resource (high
// word of dwProductVersionMS) equals number exactly. A file without a
// readable version resource counts as version 0.
[[nodiscard]] bool MajorProductVersionEquals(const std::string& path, int number);

// Finds the program through App Paths (foundPath becomes that result) and
// checks the version of the "MAPI32DLL" library beside it.
[[nodiscard]] bool CheckMapiVersion(const CatalogueEntry& entry, std::string& foundPath, int version);

}  // namespace email32
