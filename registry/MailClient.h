// The machine's default mail client, as Windows records it.
#pragma once

#include "base/CatalogueEntry.h"

#include <cstddef>
#include <string>

namespace email32 {

// The default value of HKEY_LOCAL_MACHINE "Software\Clients\Mail"; false
// (and name left empty) when it cannot be read.
[[nodiscard]] bool GetDefaultMailClientName(std::string& name);

// The extra acceptance test for systems reached through a mail client's own
// Simple MAPI library (link type 2); true for every other system.
[[nodiscard]] bool CheckMailClientRegistration(const CatalogueEntry& entry, const std::string& clientName);

// Reads a text value of an HKEY_LOCAL_MACHINE key (the empty name means the
// default value) into buffer (256 bytes), from the process's own registry
// view or else, under WOW64, the 64-bit one. The key is closed on every path.
[[nodiscard]] bool ReadMachineString(const char* subKey, const char* valueName, char* buffer, std::size_t bufferSize);

}  // namespace email32
