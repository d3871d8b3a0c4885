// Row conversions shared by the image object and the libraries that read and
// write its memory directly.
#pragma once

#include <windows.h>

#include <cstddef>

namespace pixo {

// Pixels x0..x1 (inclusive) of a row at an image type's layout as
// blue-green-red triples. Indices beyond the table give black.
void RowToBgr(int type, const BYTE* row, const RGBQUAD* table, std::size_t tableSize, int x0, int x1,
              BYTE* out) noexcept;

// Rec. 601 luma of a blue-green-red pixel, 0..255.
inline int Luma(int blue, int green, int red) noexcept { return (red * 77 + green * 150 + blue * 29 + 128) >> 8; }

// Whether a table is the grey ramp of `levels` steps (levels of 2, 16, 256).
bool IsGreyRamp(const RGBQUAD* table, std::size_t size, int levels) noexcept;

}  // namespace pixo
