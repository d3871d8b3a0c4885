// The attachment list "Attach.lst" that a command-line mail program reads
// after the link has returned. Each send writes its own, in a folder of its
// own under the per-user temporary folder: the host's folder may be
// read-only, and a second send must not overwrite a list that the first
// program has not read yet.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace email32::dispatch {

// Creates a new, empty folder for one send's list under the temporary folder
// and returns the list's full path in it. Lists of sends older than a day
// are cleared away first. nullopt when no folder can be made.
[[nodiscard]] std::optional<std::wstring> NewAttachListPath(const std::string& appDataFolder);

// Writes the list: one line per file, each ended by CR LF. False when the
// file cannot be created or written completely.
[[nodiscard]] bool WriteAttachList(const std::vector<std::string>& lines, const std::wstring& listPath);

}  // namespace email32::dispatch
