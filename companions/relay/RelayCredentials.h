// The password (or OAuth token) of the mail account: never in Relay32.ini,
// but a generic credential of the Windows Credential Manager whose target is
// "Relay32:" and the Host setting, with the User setting as its user name.
#pragma once

#include "companions/relay/Secret.h"

#include <string>
#include <string_view>

namespace relay {

[[nodiscard]] std::wstring CredentialTarget(const std::string& host);

struct StoredSecret {
    bool found = false;
    std::string user;  // UTF-8
    Secret secret;     // UTF-8
};

// Stores (or replaces) the credential for the host, straight from the
// caller's text; false with the system's reason in `problem`.
[[nodiscard]] bool StoreSecret(const std::string& host, const std::string& user, std::wstring_view secret,
                               std::string& problem);

[[nodiscard]] StoredSecret ReadSecret(const std::string& host);

}  // namespace relay
