// The account dialog of the plug-in: the address, the settings found for it
// (changeable), sign-in with the provider or a password, Test (connect,
// check trust, log in, send nothing) and Save (into the per-user settings).
// Its texts come from the plug-in's resources in the language the resource
// loader picks for the user, as the module's own dialog does.
#pragma once

#include <windows.h>

namespace relay {

// Modal over `parent` (may be null); `plugin` holds the resources and is the
// folder the saved settings record. True when the account was saved.
[[nodiscard]] bool ShowAccountDialog(HWND parent, HMODULE plugin);

}  // namespace relay
