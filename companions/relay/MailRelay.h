// One send of the plug-in: the files named in the "^"-joined text become one
// message, written whole into the outbox first; then the outbox is delivered
// to the SMTP server of the settings, oldest message first, each message
// leaving the outbox only once the server has accepted it.
#pragma once

#include <string>

namespace relay {

enum class RelayResult : int {
    NothingSent = 0,  // a file cannot be read, none was named, or the outbox cannot be written
    Delivered = 1,
    KeptInOutbox = 2,
};

[[nodiscard]] RelayResult RelayFiles(const char* joinedShortPaths, const std::wstring& settingsPath);

struct FlushCounts {
    int delivered = 0;
    int kept = 0;  // messages still in the outbox afterwards
};

// Delivers what the outbox holds, oldest first, and nothing else.
[[nodiscard]] FlushCounts FlushOutbox(const std::wstring& settingsPath);

}  // namespace relay
