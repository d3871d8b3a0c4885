// The recipients a user sent to through the compose window, kept per user
// (section [Recipients] of the per-user Relay32.ini, the most recent first,
// up to 50) so that the window offers them as the user types.
#pragma once

#include "message/AddressList.h"

#include <string>
#include <vector>

namespace relay {

inline constexpr size_t kRecentRecipients = 50;

[[nodiscard]] std::vector<email32::message::Mailbox> RecentRecipients();

// Puts `used` first, in their order, each address once (letter case aside),
// and forgets the oldest beyond the limit. False when the file cannot be
// written; nothing else depends on it.
bool RememberRecipients(const std::vector<email32::message::Mailbox>& used);

// "Name <address>", with the name quoted where an address list needs it,
// or the bare address: as a person types it, and as ParseAddressList reads
// it back.
[[nodiscard]] std::string MailboxText(const email32::message::Mailbox& mailbox);

}  // namespace relay
