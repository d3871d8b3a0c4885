// The per-user application-data folder, as the companion "Userpath.dll"
// reports it.
#pragma once

#include <optional>
#include <string>

namespace email32::base {

// Loads "Userpath.dll" from where the product put it (never from the
// current folder or PATH), asks its GetAppDataPath for the folder and frees
// the library again. nullopt when the library cannot be loaded, has no
// GetAppDataPath, or reports no full path (an empty or relative folder
// would put the files in whatever folder is current). The text is used as
// reported: callers join file names to it without adding a separator.
[[nodiscard]] std::optional<std::string> QueryAppDataFolder();

}  // namespace email32::base
