// The big providers' outgoing servers, kept as data: what each one's public
// help pages give for sending from a mail program.
#pragma once

#include "companions/relay/account/AccountSettings.h"

#include <optional>
#include <string>

namespace relay {

// The entry for an address's domain (lower case), if the table knows it.
[[nodiscard]] std::optional<FoundAccount> ProviderForDomain(const std::string& domain);
// The entry for a domain whose mail a provider hosts, told by its MX host.
[[nodiscard]] std::optional<FoundAccount> ProviderForMxHost(const std::string& mxHost);

}  // namespace relay
