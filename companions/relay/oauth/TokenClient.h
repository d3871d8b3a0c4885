// The requests of an OAuth 2.0 client to the provider's token and device
// endpoints (RFC 6749, RFC 7636, RFC 8628), over the plug-in's HTTPS, and
// their JSON answers.
#pragma once

#include "companions/relay/oauth/OAuthEndpoints.h"
#include "companions/relay/oauth/TokenStore.h"

#include <string>

namespace relay {

struct TokenAnswer {
    bool ok = false;
    AccessToken access;
    std::string refreshToken;  // empty when the provider kept the old one
    std::string error;         // the provider's "error" code, such as "invalid_grant"
    std::string problem;       // for a user: what went wrong
    TokenAnswer() = default;
    TokenAnswer(const TokenAnswer&) = default;
    TokenAnswer& operator=(const TokenAnswer&) = default;
    TokenAnswer(TokenAnswer&&) = default;
    TokenAnswer& operator=(TokenAnswer&&) = default;
    ~TokenAnswer();  // wipes the refresh token
};

struct DeviceCode {
    bool ok = false;
    std::string deviceCode, userCode, verificationUri, problem;
    int interval = 5;
    int expiresIn = 900;
};

class TokenClient {
public:
    TokenClient(OAuthEndpoints endpoints, std::wstring caFile)
        : m_endpoints(std::move(endpoints)), m_caFile(std::move(caFile)) {}

    [[nodiscard]] TokenAnswer ExchangeCode(const std::string& code, const std::string& redirectUri,
                                           const std::string& verifier) const;
    [[nodiscard]] TokenAnswer Refresh(const std::string& refreshToken) const;
    [[nodiscard]] DeviceCode StartDevice() const;
    [[nodiscard]] TokenAnswer PollDevice(const std::string& deviceCode) const;
    [[nodiscard]] const OAuthEndpoints& endpoints() const noexcept { return m_endpoints; }

private:
    [[nodiscard]] TokenAnswer Ask(std::string form) const;
    OAuthEndpoints m_endpoints;
    std::wstring m_caFile;
};

}  // namespace relay
