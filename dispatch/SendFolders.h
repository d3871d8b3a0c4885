// Folders of one send each under the per-user temporary folder, for what a
// mail program reads after the link has returned (an attachment list, a
// draft message): the host's folder may be read-only, and a second send
// must not overwrite what the first program has not read yet. Folders of
// sends older than a day are cleared away by later sends.
#pragma once

#include <optional>
#include <string>

namespace email32::dispatch {

// The per-user temporary folder: the application-data folder followed by
// "temp\" (the system's temporary folder's "Email32\temp\" without one).
[[nodiscard]] std::wstring UserTemporaryFolder(const std::string& appDataFolder);

// Creates a new, empty folder named prefix and eight hexadecimal digits
// under the temporary folder and returns its path with a trailing
// backslash. First clears away the folders of that prefix older than a day,
// with the files in them that match `clearedFiles` (a pattern such as
// "*.eml"); a folder holding anything else is left alone. nullopt when no
// folder can be made.
[[nodiscard]] std::optional<std::wstring> NewSendFolder(const std::string& appDataFolder, const wchar_t* prefix,
                                                        const wchar_t* clearedFiles);

}  // namespace email32::dispatch
