// The machine's default mail client, as Windows records it.
#pragma once

#include "base/CatalogueEntry.h"

#include <string>

namespace email32::registry {

// The default value of HKEY_LOCAL_MACHINE "Software\Clients\Mail"; false
// (and name left empty) when it cannot be read.
[[nodiscard]] bool GetDefaultMailClientName(std::string& name);

// The extra acceptance test for systems reached through a mail client's own
// Simple MAPI library (link type 2); true for every other system.
[[nodiscard]] bool CheckMailClientRegistration(const base::CatalogueEntry& entry, const std::string& clientName);

}  // namespace email32::registry
