// The per-user application-data folder, as the companion "Userpath.dll"
// reports it.
#pragma once

#include <optional>
#include <string>

namespace email32 {

// Loads "Userpath.dll" by name, asks its GetAppDataPath for the folder and
// frees the library again. nullopt when the library cannot be loaded; the
// empty text when it has no GetAppDataPath. The text is used as reported:
// callers join file names to it without adding a separator.
[[nodiscard]] std::optional<std::string> QueryAppDataFolder();

}  // namespace email32
