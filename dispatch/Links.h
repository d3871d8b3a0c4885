// The links that hand files to an e-mail system, and the dispatch that picks
// one by the system's "LinkType". Every link takes one send request and
// returns true once the hand-over was attempted.
#pragma once

#include "dispatch/SendRequest.h"

#include <string>
#include <vector>

namespace email32 {

using FileList = std::vector<std::string>;
using Link = bool (*)(const SendRequest& request);

// The send entry behind both SendMail forms and SendMailWide: the installed
// list and default key of the object, checked as SendMail checks them
// (EmailDBEmpty, EmailSysNotAlive), then SendByLink.
[[nodiscard]] bool SendToSystem(const std::vector<std::string>& installed, const std::string& defaultKey,
                                const std::string& cataloguePath, const std::string& systemKey, const SendFiles& files);

// Finds AliveDB.ini again (false without "Userpath.dll"), sets the
// module-wide AliveDB path, then calls the link of the system's link type;
// false for a type without a link.
[[nodiscard]] bool SendByLink(const CatalogueEntry& entry, const SendFiles& files);

// The link of a link type; NoLink for every type without one.
[[nodiscard]] Link LinkFor(int linkType);

// Type 1: the mail program started with a command line.
[[nodiscard]] bool SendByCommandLine(const SendRequest& request);
// Type 2: the mail client's registered Simple MAPI library, or the CMC one.
[[nodiscard]] bool SendByClientLibrary(const SendRequest& request);
// Type 6: the Notes bridge companion "Nbridge32.dll".
[[nodiscard]] bool SendByNotesBridge(const SendRequest& request);
// Type 7: the mail-server plug-in companion "Relay32.dll".
[[nodiscard]] bool SendByMailServer(const SendRequest& request);
// Type 10: the Simple MAPI library named by the catalogue, from the mail
// program's folder.
[[nodiscard]] bool SendBySimpleMapi(const SendRequest& request);
// Every other type: nothing happens.
[[nodiscard]] bool NoLink(const SendRequest& request);

// The paths joined by a delimiter, with none before the first or after the
// last.
[[nodiscard]] std::string JoinPaths(const FileList& files, const char* delimiter);

}  // namespace email32
