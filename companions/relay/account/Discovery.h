// Settings for an e-mail address, from the first source that answers: the
// built-in provider table, the autoconfig answer over HTTPS, the domain's
// submission SRV records, and then the same for the domain of its MX host.
#pragma once

#include "companions/relay/RelaySettings.h"
#include "companions/relay/account/AccountSettings.h"

#include <optional>
#include <string>
#include <vector>

namespace relay {

struct Discovery {
    std::optional<FoundAccount> found;
    std::vector<std::string> problems;  // what each source that had no answer said
};

// `settings` gives AutoconfigUrl and CaFile.
[[nodiscard]] Discovery DiscoverAccount(const std::string& address, const RelaySettings& settings);

// Whether the text is one bare address "local@domain" with a plausible
// domain; its domain in lower case.
[[nodiscard]] bool SplitAddress(const std::string& address, std::string& domain);

}  // namespace relay
