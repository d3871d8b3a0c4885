// The DNS answers the set-up reads, through the platform's DnsQuery_W:
// submission services (RFC 6186, RFC 8314) and a domain's mail exchanger.
// `server`: the IPv4 address of the DNS server to ask (a company's own, as
// DnsServer= names it); empty: the system's.
#pragma once

#include "companions/relay/account/AccountSettings.h"

#include <optional>
#include <string>
#include <vector>

namespace relay {

// _submissions._tcp.DOMAIN (implicit TLS), then _submission._tcp.DOMAIN
// (STARTTLS): the record of lowest priority and, among those, highest
// weight. A target of "." says the domain offers no such service.
[[nodiscard]] std::optional<FoundAccount> FindSubmissionService(const std::string& domain, const std::string& server,
                                                                std::vector<std::string>& problems);

// The MX host of lowest preference, without its final dot; empty when none.
[[nodiscard]] std::string FindMailExchanger(const std::string& domain, const std::string& server,
                                            std::vector<std::string>& problems);

}  // namespace relay
