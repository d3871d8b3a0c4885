// Where and how an account signs in with OAuth 2.0: the built-in endpoints
// and scopes of the providers the plug-in knows, each of which a setting
// can override, and the host maker's client registration.
#pragma once

#include "companions/relay/RelaySettings.h"

#include <string>

namespace relay {

struct OAuthEndpoints {
    std::string provider;  // for messages: "google", "microsoft", ... or "custom"
    std::string clientId;
    std::string clientSecret;
    std::string authorizeUrl;
    std::string tokenUrl;
    std::string deviceUrl;
    std::string scope;
};

// The endpoints for the account: OAuthProvider, else the provider the
// address's domain belongs to, with every OAuth*Url and OAuthScope setting
// taking precedence. Empty with `problem` set when sign-in cannot happen:
// no client registration, or no token endpoint.
[[nodiscard]] bool ResolveOAuthEndpoints(const RelaySettings& settings, const std::string& address,
                                         OAuthEndpoints& endpoints, std::string& problem);

}  // namespace relay
