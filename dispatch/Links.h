// The links that hand files to an e-mail system, and the dispatch that picks
// one by the system's "LinkType". Every link takes one send request and
// says what became of the hand-over; it counts as done for SendMail once it
// was attempted.
#pragma once

#include "dispatch/Handover.h"
#include "dispatch/SendRequest.h"

#include <string>
#include <vector>

namespace email32::dispatch {

using FileList = std::vector<std::string>;
using Link = Handover (*)(const SendRequest& request);

// The send entry behind both SendMail forms and the wide ones: the installed
// list and default key of the object, checked as SendMail checks them
// (EmailDBEmpty, EmailSysNotAlive), then SendByLink.
[[nodiscard]] Handover SendToSystem(const std::vector<std::string>& installed, const std::string& defaultKey,
                                    const std::string& cataloguePath, const std::string& systemKey,
                                    const SendFiles& files, const MessageFields& fields = {});

// Reads the fields' recipients (refused when one is no address list), finds
// AliveDB.ini again (refused without "Userpath.dll"), sets the module-wide
// AliveDB path, then calls the link of the system's link type; refused for a
// type without a link.
[[nodiscard]] Handover SendByLink(const base::CatalogueEntry& entry, const SendFiles& files,
                                  const MessageFields& fields = {});

// The link of a link type; NoLink for every type without one.
[[nodiscard]] Link LinkFor(int linkType);

// Type 1: the mail program started with a command line.
[[nodiscard]] Handover SendByCommandLine(const SendRequest& request);
// Type 2: the mail client's registered Simple MAPI library, or the CMC one.
[[nodiscard]] Handover SendByClientLibrary(const SendRequest& request);
// Type 6: the Notes bridge companion "Nbridge32.dll".
[[nodiscard]] Handover SendByNotesBridge(const SendRequest& request);
// Type 7: the mail-server plug-in companion "Relay32.dll".
[[nodiscard]] Handover SendByMailServer(const SendRequest& request);
// Type 10: the Simple MAPI library named by the catalogue, from the mail
// program's folder.
[[nodiscard]] Handover SendBySimpleMapi(const SendRequest& request);
// Type 11: a draft message file (X-Unsent) with the files attached, opened
// by the mail program, or by the user's program for message files.
[[nodiscard]] Handover SendByDraft(const SendRequest& request);
// Every other type: nothing happens.
[[nodiscard]] Handover NoLink(const SendRequest& request);

// The paths joined by a delimiter, with none before the first or after the
// last.
[[nodiscard]] std::string JoinPaths(const FileList& files, const char* delimiter);

}  // namespace email32::dispatch
