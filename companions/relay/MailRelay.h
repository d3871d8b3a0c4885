// One send of the plug-in: the files named in the "^"-joined text become one
// message, written whole into the outbox first with its envelope; then the
// outbox is delivered to the SMTP server of the settings, oldest message
// first, each message to the envelope stored with it, each leaving the
// outbox only once the server has accepted it.
#pragma once

#include "companions/relay/settings/SettingsFiles.h"

#include <string>
#include <vector>

namespace relay {

enum class RelayResult : int {
    NothingSent = 0,  // a file cannot be read, none was named, or the outbox cannot be written
    Delivered = 1,
    KeptInOutbox = 2,
};

[[nodiscard]] RelayResult RelayFiles(const char* joinedShortPaths, const SettingsFiles& settings);

// What the caller wrote for one message, in UTF-8; an empty text was not
// given. Recipients (RFC 5322 address lists) and subject take the place of
// the settings' for this message alone; the text, that of the plug-in.
struct MessageFields {
    std::string to;
    std::string cc;
    std::string subject;
    std::string body;
};

// One message with the fields and the files (full paths), sent as RelayFiles
// sends.
[[nodiscard]] RelayResult RelayMessage(const std::vector<std::wstring>& files, const MessageFields& fields,
                                       const SettingsFiles& settings);

struct FlushCounts {
    int delivered = 0;
    int kept = 0;  // found waiting and still waiting afterwards
    int busy = 0;  // held by another sender, which is delivering them
    // Why nothing could be done at all (the outbox cannot be used); empty
    // when the flush ran.
    std::string problem;
};

// Delivers what the outbox holds, oldest first, and nothing else.
[[nodiscard]] FlushCounts FlushOutbox(const SettingsFiles& settings);

}  // namespace relay
