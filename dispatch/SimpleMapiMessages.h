// One Simple MAPI message with the files, the subject, the text and the
// recipients of a send, built for MAPISendMailW (UTF-16) or MAPISendMail
// (the ANSI code page) and handed to the provider with its compose window.
#pragma once

#include "dispatch/SendRequest.h"
#include "dispatch/SimpleMapi.h"

#include <optional>

namespace email32::dispatch {

// MAPISendMailW's result.
[[nodiscard]] ULONG SendMapiMessageW(MapiSendMailWFn sendMail, ULONG_PTR session, ULONG_PTR window,
                                     const SendFiles& files, const MessageFields& fields, const Recipients& recipients);

// MAPISendMail's result; nullopt, with nothing called, when the code page
// cannot name a file (by its path or short path) or a recipient's address.
// Subject and text take the code page's stand-in for a character it lacks.
[[nodiscard]] std::optional<ULONG> SendMapiMessageA(MapiSendMailFn sendMail, ULONG_PTR session, ULONG_PTR window,
                                                    const SendFiles& files, const MessageFields& fields,
                                                    const Recipients& recipients, std::string& unnameable);

}  // namespace email32::dispatch
