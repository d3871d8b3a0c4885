// What one send hands to a link: the system's catalogue entry, the
// installed list's path, the mail program's installed path and the files. Files are kept as UTF-16 paths, as
// the caller named them, with their form in the ANSI code page for the
// hand-overs whose contract is ANSI.
#pragma once

#include "base/CatalogueEntry.h"

#include <optional>
#include <string>
#include <vector>

namespace email32 {

struct SendFile {
    std::wstring path;
    // The path in the ANSI code page; the caller's own text for an ANSI
    // send. Meaningful only when ansiExact: otherwise the code page cannot
    // name the file.
    std::string ansi;
    bool ansiExact = true;
};
using SendFiles = std::vector<SendFile>;

[[nodiscard]] SendFiles FilesFromAnsi(const std::vector<std::string>& paths);
[[nodiscard]] SendFiles FilesFromWide(const std::vector<std::wstring>& paths);

struct SendRequest {
    CatalogueEntry entry;       // the system's section of EmailDB.ini, beside the host
    std::string appDataFolder;  // the per-user folder as "Userpath.dll" reports it
    std::string aliveDbPath;    // AliveDB.ini in that folder
    std::string programPath;    // the system's "Path" in AliveDB.ini
    SendFiles files;
};

// Reads the system's installed program path from aliveDbPath.
[[nodiscard]] SendRequest MakeSendRequest(const CatalogueEntry& entry, const std::string& appDataFolder,
                                          SendFiles files);

// A name an ANSI hand-over can use for the file: the file's own path when
// the code page holds it, else its short (8.3) path; nullopt when neither
// names it (no short name, or one the code page cannot hold either).
[[nodiscard]] std::optional<std::string> AnsiName(const SendFile& file);

// The short (8.3) form of a path; nullopt when the file has none (it does
// not exist) or the form would not fit a 260-character buffer.
[[nodiscard]] std::optional<std::wstring> ShortPath(const std::wstring& path);

// Conversions between the ANSI code page and UTF-16. NarrowExact is false
// when a character has no exact form in the code page.
[[nodiscard]] std::wstring WidenAnsi(const std::string& text);
[[nodiscard]] bool NarrowExact(const std::wstring& text, std::string& narrow);
[[nodiscard]] std::string Utf8(const std::wstring& text);

}  // namespace email32
