// The outgoing-server settings found for an e-mail address, and where they
// came from.
#pragma once

#include <string>

namespace relay {

struct FoundAccount {
    std::string host;
    int port = 0;
    std::string security;       // "tls", "starttls" or "none", as Security= takes it
    std::string auth;           // "OAUTH2", "password" (the best the server offers) or "CRAM-MD5"
    std::string user;           // the login name; empty: the address
    std::string oauthProvider;  // a built-in provider ("google", "microsoft", ...), or empty
    // Sign-in endpoints that an autoconfig answer named.
    std::string authorizeUrl, tokenUrl, scope;
    std::string source;  // "built-in", "autoconfig", "srv", or "mx-" and one of them
    std::string note;    // what the provider asks of the user (an app password, ...)
};

// "host H port P security S auth A source X"
[[nodiscard]] std::string DescribeAccount(const FoundAccount& found);

}  // namespace relay
