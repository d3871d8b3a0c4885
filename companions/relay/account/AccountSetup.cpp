#include "companions/relay/account/AccountSetup.h"

#include "companions/relay/RelaySettings.h"
#include "companions/relay/account/Discovery.h"
#include "base/Text.h"

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::base;

SetupResult SetupAccount(const SettingsFiles& files, const std::string& address) {
    SetupResult result;
    const Discovery discovery = DiscoverAccount(address, LoadRelaySettings(files));
    if (!discovery.found) {
        result.line = "no settings found for " + address;
        for (size_t i = 0; i < discovery.problems.size(); ++i)
            result.line += (i == 0 ? " (" : "; ") + discovery.problems[i];
        if (!discovery.problems.empty()) result.line += ")";
        return result;
    }
    result.found = true;
    result.account = *discovery.found;
    result.line = DescribeAccount(result.account);
    return result;
}

SettingValues AccountValues(const std::string& address, const FoundAccount& account) {
    const auto W = [](const std::string& text) { return FromUtf8(text); };
    const bool oauth = account.auth == "OAUTH2";
    const std::string login = account.user.empty() || account.user == address ? "" : account.user;
    SettingValues values = {
        {L"Address", W(address)},
        {L"Host", W(account.host)},
        {L"Port", std::to_wstring(account.port)},
        {L"Security", W(account.security)},
        {L"User", W(oauth           ? login
                    : login.empty() ? address
                                    : login)},
        {L"AuthMethod", oauth                        ? L"OAUTH2"
                        : account.auth == "CRAM-MD5" ? L"CRAM-MD5"
                                                     : L""},
    };
    if (!account.oauthProvider.empty()) values.push_back({L"OAuthProvider", W(account.oauthProvider)});
    if (!account.authorizeUrl.empty()) values.push_back({L"OAuthAuthorizeUrl", W(account.authorizeUrl)});
    if (!account.tokenUrl.empty()) values.push_back({L"OAuthTokenUrl", W(account.tokenUrl)});
    if (!account.scope.empty()) values.push_back({L"OAuthScope", W(account.scope)});
    return values;
}

}  // namespace relay
