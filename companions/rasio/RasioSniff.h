// The size and depth a file's own header claims, for the formats whose
// platform decoder decodes the whole picture as soon as it opens the file
// (PNG and GIF): a picture beyond the pixel limit is refused before any
// decoder sees it.
#pragma once

#include "companions/rasio/RasioPicture.h"

namespace rasio {

// bits: the depth the picture loads as (1, 4, 8 or 24). False when the header
// cannot be found in the bytes given, or for other formats.
bool ClaimedLayout(const std::vector<BYTE>& head, Format format, long long& width, long long& height, int& bits);

}  // namespace rasio
