// The palette file: a 16-bit little-endian entry count, then the entries as
// four bytes each (red, green, blue, flags). No signature, nothing after the
// last entry.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace email32::imaging {

inline constexpr std::size_t kPaletteFileHeadBytes = 2;
inline constexpr std::size_t kPaletteFileEntryBytes = 4;
// Counts from here on are not palette files: no writer makes them, and the
// platform's palette calls take signed counts.
inline constexpr unsigned kPaletteFileCountLimit = 32768;

// The file size that a count needs.
[[nodiscard]] constexpr std::uint64_t PaletteFileBytes(unsigned count) noexcept {
    return kPaletteFileHeadBytes + std::uint64_t{count} * kPaletteFileEntryBytes;
}

}  // namespace email32::imaging
