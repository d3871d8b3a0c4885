// The links that hand files to an e-mail system, and the dispatch that picks
// one by the system's "LinkType". Every link shares one contract: system key,
// catalogue path and file list in; true once the hand-over was attempted.
#pragma once

#include <string>
#include <vector>

namespace email32 {

using FileList = std::vector<std::string>;
using Link = bool (*)(const char* systemKey, const char* cataloguePath, const FileList& files);

// Finds AliveDB.ini again (false without "Userpath.dll"), then calls the link
// of the system's link type; false for a type without a link.
[[nodiscard]] bool SendByLink(const char* systemKey, const char* cataloguePath, const FileList& files);

// The link of a link type; NoLink for every type without one.
[[nodiscard]] Link LinkFor(int linkType);

// Type 1: the mail program started with a command line.
[[nodiscard]] bool SendByCommandLine(const char* systemKey, const char* cataloguePath, const FileList& files);
// Type 2: the mail client's registered Simple MAPI library, or the CMC one.
[[nodiscard]] bool SendByClientLibrary(const char* systemKey, const char* cataloguePath, const FileList& files);
// Type 6: the Notes bridge companion "Nbridge32.dll".
[[nodiscard]] bool SendByNotesBridge(const char* systemKey, const char* cataloguePath, const FileList& files);
// Type 7: the mail-server plug-in companion "Relay32.dll".
[[nodiscard]] bool SendByMailServer(const char* systemKey, const char* cataloguePath, const FileList& files);
// Type 10: the Simple MAPI library named by the catalogue, from the mail
// program's folder.
[[nodiscard]] bool SendBySimpleMapi(const char* systemKey, const char* cataloguePath, const FileList& files);
// Every other type: nothing happens.
[[nodiscard]] bool NoLink(const char* systemKey, const char* cataloguePath, const FileList& files);

// The paths joined by a delimiter, with none before the first or after the
// last.
[[nodiscard]] std::string JoinPaths(const FileList& files, const char* delimiter);

}  // namespace email32
