// The account as the dialog shows it, read from the settings and turned back
// into the keys of the per-user file; separate from the window so that other
// windows can show the same account.
#pragma once

#include "companions/relay/RelaySettings.h"
#include "companions/relay/settings/SettingsFiles.h"

#include <string>

namespace relay {

struct AccountForm {
    std::string address;
    std::string host;
    std::string port;    // digits, or empty
    int security = 0;    // 0 auto, 1 starttls, 2 tls, 3 none
    bool oauth = false;  // else a password
    std::string user;
    std::string authMethod;  // the password method the settings named (PLAIN, ...), kept on save
};

[[nodiscard]] AccountForm FormFromSettings(const RelaySettings& settings);
[[nodiscard]] SettingValues ValuesFromForm(const AccountForm& form);
// The settings with the form's fields in place of the saved ones.
[[nodiscard]] RelaySettings SettingsWithForm(RelaySettings settings, const AccountForm& form);
// The security index of a Security= text ("tls", ...).
[[nodiscard]] int SecurityIndex(const std::string& text);

}  // namespace relay
