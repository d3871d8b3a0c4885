// Signing an account in with its provider: the authorization code flow with
// PKCE (RFC 7636) through the system browser and a one-shot listener on
// 127.0.0.1, or the device flow (RFC 8628) for hosts that cannot open a
// browser. The refresh token goes to the Credential Manager, and the
// per-user settings record the account (Address, AuthMethod=OAUTH2).
#pragma once

#include "companions/relay/settings/SettingsFiles.h"

#include <windows.h>

#include <functional>
#include <string>

namespace relay {

// Told the device flow's code and where to enter it, as a sentence.
using SignInNotice = std::function<void(const std::string& text)>;

struct SignInResult {
    bool signedIn = false;
    std::string message;  // "signed in as ADDRESS", or why not
};

// `plugin`: the plug-in module, whose folder the saved settings record.
[[nodiscard]] SignInResult SignIn(const SettingsFiles& files, HMODULE plugin, const std::string& address,
                                  bool deviceFlow, const SignInNotice& notice);

// A current access token for the account of the settings, refreshed when it
// has expired or expires within a minute. False with `problem` saying what
// the user must do (sign in again) or what failed.
// `signInNeeded`, when given, is set when no later attempt can do without a
// new sign-in (none is stored, or the provider refused the stored one).
[[nodiscard]] bool CurrentAccessToken(const struct RelaySettings& settings, std::string& token, std::string& problem,
                                      bool* signInNeeded = nullptr);

}  // namespace relay
