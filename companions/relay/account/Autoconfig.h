// The autoconfig answer many mail programs read (config-v1.1.xml), fetched
// over HTTPS and read with the platform's XmlLite: its first outgoing server
// of type "smtp" that uses TLS (or, failing that, the first one).
#pragma once

#include "companions/relay/account/AccountSettings.h"

#include <optional>
#include <string>
#include <vector>

namespace relay {

// The URLs asked, in order: with `base` (AutoconfigUrl) only
// BASE/mail/config-v1.1.xml?emailaddress=ADDRESS, else
// https://autoconfig.DOMAIN/mail/config-v1.1.xml?emailaddress=ADDRESS, then
// https://DOMAIN/.well-known/autoconfig/mail/config-v1.1.xml.
[[nodiscard]] std::vector<std::string> AutoconfigUrls(const std::string& address, const std::string& domain,
                                                      const std::string& base);

// Reads an answer; empty with `problem` set when it holds no usable SMTP
// server. Placeholders %EMAILADDRESS%, %EMAILLOCALPART% and %EMAILDOMAIN%
// are filled in from the address.
[[nodiscard]] std::optional<FoundAccount> ParseAutoconfig(const std::string& xml, const std::string& address,
                                                          std::string& problem);

// Asks each URL in turn; the first usable answer wins. `problems` collects
// one line per URL that gave none.
[[nodiscard]] std::optional<FoundAccount> FetchAutoconfig(const std::vector<std::string>& urls,
                                                          const std::string& address, const std::wstring& caFile,
                                                          std::vector<std::string>& problems);

}  // namespace relay
