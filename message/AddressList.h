// Address lists as RFC 5322 writes them: display names, quoted strings,
// comments, groups and several recipients, read from the settings and
// written into message headers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace email32::message {

struct Mailbox {
    std::string name;     // display name, UTF-8, without quotes; may be empty
    std::string address;  // the bare address, "local@domain", as RCPT TO carries it
};

struct ParsedAddresses {
    std::vector<Mailbox> mailboxes;
    std::string problem;  // empty when the whole text was read
};

// Reads an address list. Besides commas, a semicolon outside a group also
// separates addresses, as people write lists by hand. A group's members
// count as recipients. Empty entries are skipped; anything that is not an
// address makes `problem` say where.
[[nodiscard]] ParsedAddresses ParseAddressList(std::string_view utf8);

// The header value for a list: display names quoted where they need it or as
// encoded words outside ASCII, one mailbox per line; no mailbox at all gives
// the empty group "undisclosed-recipients:;".
[[nodiscard]] std::string AddressListHeader(const std::vector<Mailbox>& mailboxes);

}  // namespace email32::message
