// The size a file's own header claims, read before any decoder sees the
// file, so that a hostile size is refused before anything is allocated.
#pragma once

#include "companions/rasio/RasioPicture.h"

namespace rasio {

// False when the header cannot be found in the bytes given.
bool ClaimedSize(const std::vector<BYTE>& head, Format format, long long& width, long long& height);

}  // namespace rasio
