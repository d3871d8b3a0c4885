// Rows of colour indices at one byte per pixel against rows packed at an
// image's depth (1, 4 or 8 bits, first pixel in the most significant bits).
#pragma once

#include <cstdint>

namespace email32::gif::core {

// Bytes per packed row, padded to 4 bytes.
[[nodiscard]] inline int RowStride(int width, int bits) noexcept { return ((width * bits + 31) / 32) * 4; }

// Packs `row` in place: `width` indices in, `stride` packed bytes out
// (pixels beyond the width count as 0). The buffer holds at least
// max(width, stride) bytes.
void PackRow(std::uint8_t* row, int width, int bits, int stride) noexcept;

// Unpacks `width` pixels by the colour count of the table in use: 2 colours
// (or 0, no table) one bit each, 4 to 16 a nibble each, more a byte each.
void UnpackRow(const std::uint8_t* packed, int width, int colours, std::uint8_t* out) noexcept;

}  // namespace email32::gif::core
