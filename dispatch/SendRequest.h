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

namespace email32::dispatch {

struct SendFile {
    std::wstring path;
    // The path in the ANSI code page; the caller's own text for an ANSI
    // send. nullopt when the code page cannot name the file.
    std::optional<std::string> ansi;
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
    base::CatalogueEntry entry;  // the system's section of EmailDB.ini, beside the host
    std::string appDataFolder;   // the per-user folder as "Userpath.dll" reports it
    std::string aliveDbPath;     // AliveDB.ini in that folder
    std::string programPath;     // the system's "Path" in AliveDB.ini
    SendFiles files;
    MessageFields fields;
    Recipients recipients;  // read from fields.to and fields.cc
};

// Reads the system's installed program path from aliveDbPath. The fields'
// recipients must have been read already (ReadRecipients).
[[nodiscard]] SendRequest MakeSendRequest(const base::CatalogueEntry& entry, const std::string& appDataFolder,
                                          SendFiles files, MessageFields fields = {}, Recipients recipients = {});

}  // namespace email32::dispatch
