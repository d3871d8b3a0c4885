// The password (or OAuth token) of the mail account: never in Relay32.ini,
// but a generic credential of the Windows Credential Manager whose target is
// "Relay32:" and the Host setting, with the User setting as its user name.
#pragma once

#include <string>

namespace relay {

[[nodiscard]] std::wstring CredentialTarget(const std::string& host);

struct StoredSecret {
    bool found = false;
    std::string user;    // UTF-8
    std::string secret;  // UTF-8; wiped when the object goes
    StoredSecret() = default;
    StoredSecret(const StoredSecret&) = delete;
    StoredSecret& operator=(const StoredSecret&) = delete;
    StoredSecret(StoredSecret&&) = default;
    StoredSecret& operator=(StoredSecret&&) = default;
    ~StoredSecret();
};

// Stores (or replaces) the credential for the host; false with the system's
// reason in `problem`.
[[nodiscard]] bool StoreSecret(const std::string& host, const std::string& user, const std::string& secret,
                               std::string& problem);

[[nodiscard]] StoredSecret ReadSecret(const std::string& host);

}  // namespace relay
