// The account's OAuth tokens, kept in the Windows Credential Manager and in
// no file: the refresh token as the generic credential
// "Relay32-OAuth:ADDRESS" (user name ADDRESS), and the latest access token
// with its expiry as "Relay32-OAuth-Access:ADDRESS" when it fits the
// credential's size limit (else it lives only as long as the process).
#pragma once

#include <cstdint>
#include <string>

namespace relay {

struct AccessToken {
    std::string token;
    int64_t expiresAt = 0;  // seconds since 1970 (UTC)
    AccessToken() = default;
    AccessToken(const AccessToken&) = default;
    AccessToken& operator=(const AccessToken&) = default;
    ~AccessToken();
};

[[nodiscard]] int64_t NowSeconds();

[[nodiscard]] std::wstring RefreshTokenTarget(const std::string& address);

[[nodiscard]] bool StoreRefreshToken(const std::string& address, const std::string& token, std::string& problem);
// Empty when none is stored.
[[nodiscard]] std::string ReadRefreshToken(const std::string& address);

void StoreAccessToken(const std::string& address, const AccessToken& token);
[[nodiscard]] AccessToken ReadAccessToken(const std::string& address);
void ForgetAccessToken(const std::string& address);

// Overwrites the text's bytes before it is released.
void WipeText(std::string& text) noexcept;

}  // namespace relay
