// The detection methods that a catalogue entry's "PathType" selects. All
// share one contract: the catalogue entry in; true when installed,
// with foundPath set to the program file's full path (the messaging
// subsystem leaves it alone). On false foundPath is unchanged. None throws.
#pragma once

#include "base/CatalogueEntry.h"

#include <string>

namespace email32::registry {

using DetectionMethod = bool (*)(const base::CatalogueEntry& entry, std::string& foundPath);

// The registry and file places a Windows program records its location in.
[[nodiscard]] bool FindByAppPath(const base::CatalogueEntry& entry, std::string& foundPath);
[[nodiscard]] bool FindInWindowsFolder(const base::CatalogueEntry& entry, std::string& foundPath);
[[nodiscard]] bool FindInSystemFolder(const base::CatalogueEntry& entry, std::string& foundPath);
[[nodiscard]] bool FindByAppPathWithMapi(const base::CatalogueEntry& entry, std::string& foundPath);

// Locations recorded in WIN.INI and private INI files.
[[nodiscard]] bool FindByWinIni(const base::CatalogueEntry& entry, std::string& foundPath);
[[nodiscard]] bool FindByPrivateIni(const base::CatalogueEntry& entry, std::string& foundPath);
[[nodiscard]] bool FindCcMail(const base::CatalogueEntry& entry, std::string& foundPath);

// COM server registrations and registry values.
[[nodiscard]] bool FindByComServer(const base::CatalogueEntry& entry, std::string& foundPath);
[[nodiscard]] bool FindByRegistryValue(const base::CatalogueEntry& entry, std::string& foundPath);
[[nodiscard]] bool FindMessagingSubsystem(const base::CatalogueEntry& entry, std::string& foundPath);
// A program is registered to open message files (".eml"); the found path is
// that program, or empty for a handler without a program file of its own.
[[nodiscard]] bool FindMessageFileHandler(const base::CatalogueEntry& entry, std::string& foundPath);

// The method of the "PathType" values that name no place to look.
[[nodiscard]] bool NeverInstalled(const base::CatalogueEntry& entry, std::string& foundPath);

// The method for a "PathType" (taken as unsigned); NeverInstalled for every
// value without a method of its own.
[[nodiscard]] DetectionMethod DetectionMethodFor(unsigned int pathType);

// The App Paths default value after the one-reference expansion and the
// quote rule of expandable strings; plain strings come back as stored.
// False when the result would not fit a 260-byte path buffer.
[[nodiscard]] bool ExpandAppPathValue(const std::string& value, bool expandable, std::string& result);

}  // namespace email32::registry
