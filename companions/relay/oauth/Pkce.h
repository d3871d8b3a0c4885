// Random texts and the code challenge of PKCE (RFC 7636), through the
// platform's CNG.
#pragma once

#include <string>

namespace relay {

// base64url without padding of `bytes` random bytes; empty on failure.
[[nodiscard]] std::string RandomUrlText(size_t bytes);
// BASE64URL(SHA256(verifier)), the S256 challenge.
[[nodiscard]] std::string CodeChallenge(const std::string& verifier);

}  // namespace relay
