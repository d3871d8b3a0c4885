#include "companions/relay/oauth/OAuthEndpoints.h"

#include "companions/relay/account/Discovery.h"
#include "companions/relay/account/ProviderTable.h"

namespace relay {
namespace {

struct BuiltIn {
    const char* provider;
    const char* authorizeUrl;
    const char* tokenUrl;
    const char* deviceUrl;
    const char* scope;
};

// The providers' published endpoints for installed programs, and the scope
// that allows sending mail over SMTP (plus, for Microsoft, a refresh token).
constexpr BuiltIn kBuiltIn[] = {
    {"google", "https://accounts.google.com/o/oauth2/v2/auth", "https://oauth2.googleapis.com/token",
     "https://oauth2.googleapis.com/device/code", "https://mail.google.com/"},
    {"microsoft", "https://login.microsoftonline.com/consumers/oauth2/v2.0/authorize",
     "https://login.microsoftonline.com/consumers/oauth2/v2.0/token",
     "https://login.microsoftonline.com/consumers/oauth2/v2.0/devicecode",
     "https://outlook.office.com/SMTP.Send offline_access"},
    {"microsoft-organizations", "https://login.microsoftonline.com/organizations/oauth2/v2.0/authorize",
     "https://login.microsoftonline.com/organizations/oauth2/v2.0/token",
     "https://login.microsoftonline.com/organizations/oauth2/v2.0/devicecode",
     "https://outlook.office.com/SMTP.Send offline_access"},
};

void Override(std::string& value, const std::string& setting) {
    if (!setting.empty()) value = setting;
}

}  // namespace

bool ResolveOAuthEndpoints(const RelaySettings& settings, const std::string& address, OAuthEndpoints& endpoints,
                           std::string& problem) {
    const OAuthSettings& o = settings.oauth;
    std::string provider = o.provider;
    std::string domain;
    if (provider.empty() && SplitAddress(address, domain)) {
        if (const auto entry = ProviderForDomain(domain)) provider = entry->oauthProvider;
    }
    endpoints = OAuthEndpoints{};
    endpoints.provider = provider.empty() ? "custom" : provider;
    for (const BuiltIn& b : kBuiltIn) {
        if (provider != b.provider) continue;
        endpoints.authorizeUrl = b.authorizeUrl;
        endpoints.tokenUrl = b.tokenUrl;
        endpoints.deviceUrl = b.deviceUrl;
        endpoints.scope = b.scope;
    }
    Override(endpoints.authorizeUrl, o.authorizeUrl);
    Override(endpoints.tokenUrl, o.tokenUrl);
    Override(endpoints.deviceUrl, o.deviceUrl);
    Override(endpoints.scope, o.scope);
    endpoints.clientId = o.clientId;
    endpoints.clientSecret = o.clientSecret;
    if (endpoints.clientId.empty()) {
        problem = "sign-in with " + endpoints.provider +
                  " needs the host maker's own registration with the provider (OAuthClientId= in Relay32.ini); "
                  "without one, use an app password: AuthMethod= (empty) and email32 relay-password HOST " +
                  address;
        return false;
    }
    if (endpoints.tokenUrl.empty()) {
        problem = "no sign-in endpoints are known for " + address + " (OAuthProvider= or OAuthTokenUrl=)";
        return false;
    }
    return true;
}

}  // namespace relay
