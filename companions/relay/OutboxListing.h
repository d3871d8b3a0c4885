// The outbox as the people who manage it see it: what waits, since when,
// for whom and why; and the removal of one message they no longer want
// sent. Messages in "Outbox\Failed" (refused for good) are listed after the
// waiting ones.
#pragma once

#include "companions/relay/Outbox.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace relay {

struct ListedMessage {
    std::wstring file;  // relative to the outbox: NAME.eml or Failed\NAME.eml
    std::wstring path;
    FILETIME written{};
    uint64_t bytes = 0;
    std::vector<std::string> recipients;  // bare addresses; none: the settings' Recipient
    std::string lastReason;               // empty before the first attempt
    bool failed = false;
};

// Oldest first, the waiting ones, then the failed ones; nullopt when the
// outbox cannot be read (`problem` says why). An outbox that does not exist
// yet lists nothing.
[[nodiscard]] std::optional<std::vector<ListedMessage>> ListOutbox(const OutboxPlace& place, std::string& problem);

enum class Removal { Removed, NoSuchMessage, Busy, NotRemoved };

// `file` as ListOutbox gives it, or the message's full path. A message that
// a sender is delivering at that moment is not removed.
[[nodiscard]] Removal RemoveOutboxMessage(const OutboxPlace& place, const std::wstring& file);

}  // namespace relay
