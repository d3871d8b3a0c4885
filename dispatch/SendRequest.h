// What one send hands to a link: the system's catalogue entry, the
// installed list's path, the mail program's installed path and the files. Files are kept as UTF-16 paths, as
// the caller named them, with their form in the ANSI code page for the
// hand-overs whose contract is ANSI.
#pragma once

#include "message/AddressList.h"
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

// What the caller wrote for the message besides the files. An empty text
// was not given; with every one empty a send is the same as one of files
// alone.
struct MessageFields {
    std::wstring to;  // RFC 5322 address lists
    std::wstring cc;
    std::wstring subject;
    std::wstring body;

    [[nodiscard]] bool empty() const noexcept { return to.empty() && cc.empty() && subject.empty() && body.empty(); }
};

// The recipients of the fields, each list read as RFC 5322 writes it.
struct Recipients {
    std::vector<message::Mailbox> to;
    std::vector<message::Mailbox> cc;
};

// Reads "to" and "cc"; nullopt with `problem` naming the field and the place
// when one is not an address list.
[[nodiscard]] std::optional<Recipients> ReadRecipients(const MessageFields& fields, std::string& problem);

struct SendRequest {
    CatalogueEntry entry;       // the system's section of EmailDB.ini, beside the host
    std::string appDataFolder;  // the per-user folder as "Userpath.dll" reports it
    std::string aliveDbPath;    // AliveDB.ini in that folder
    std::string programPath;    // the system's "Path" in AliveDB.ini
    SendFiles files;
    MessageFields fields;
    Recipients recipients;  // read from fields.to and fields.cc
};

// Reads the system's installed program path from aliveDbPath. The fields'
// recipients must have been read already (ReadRecipients).
[[nodiscard]] SendRequest MakeSendRequest(const CatalogueEntry& entry, const std::string& appDataFolder,
                                          SendFiles files, MessageFields fields = {}, Recipients recipients = {});

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
