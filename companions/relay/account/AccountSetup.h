// relay-setup: the settings found for an address, and their saving into the
// per-user settings beside Address=ADDRESS.
#pragma once

#include "companions/relay/account/AccountSettings.h"
#include "companions/relay/settings/SettingsFiles.h"

#include <windows.h>

#include <string>

namespace relay {

struct SetupResult {
    bool found = false;
    FoundAccount account;
    // "host H port P security S auth A source X", or why nothing was found.
    std::string line;
};

[[nodiscard]] SetupResult SetupAccount(const SettingsFiles& files, const std::string& address);

// The keys the found settings set. `login` empty: the address.
[[nodiscard]] SettingValues AccountValues(const std::string& address, const FoundAccount& account);

}  // namespace relay
