// Platform palettes made from and read into entry tables.
#pragma once

#include "public/framework/Gdi.h"

#include <windows.h>

#include <cstddef>
#include <vector>

namespace email32::imaging {

// The most entries that the platform's LOGPALETTE record can count.
inline constexpr std::size_t kMaxLogicalEntries = 0xFFFF;
// The most entries copied or saved from a palette.
inline constexpr UINT kMaxCopiedEntries = 256;

// A new platform palette of the entries, owned by the caller; null when the
// platform refuses it or there are more than kMaxLogicalEntries.
[[nodiscard]] HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries);

// Up to `limit` entries of the palette from entry 0, flags as held; empty for
// a palette object without a handle.
[[nodiscard]] std::vector<PALETTEENTRY> ReadPaletteEntries(const CPalette& palette, UINT limit);

}  // namespace email32::imaging
