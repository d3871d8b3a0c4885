// The formats the file library decodes itself: PCX, TGA and run-length BMP.
// Each reader takes the whole file's bytes and never reads past them;
// damaged data fails the read. ReadInfo checks the header (and reads the
// colour table); Decode fills every pixel of a target made for that info.
// Neither applies a pixel limit: callers check the info before allocating.
#pragma once

#include "companions/rasio/core/Raster.h"

namespace rasiocore {

namespace pcx {
// One to four planes: 1 bit (2 or, in four planes, 16 colours), 4 bits,
// 8 bits with the 256-colour table after the data, 24 bits in three planes.
[[nodiscard]] bool ReadInfo(ByteSpan file, RasterInfo& info);
[[nodiscard]] bool Decode(ByteSpan file, const RasterTarget& target);
}  // namespace pcx

namespace tga {
// Colour-mapped (8 bits), true colour (15, 16, 24, 32 bits) and grey
// (8 bits), raw or run-length encoded, in any of the four orientations.
[[nodiscard]] bool ReadInfo(ByteSpan file, RasterInfo& info);
[[nodiscard]] bool Decode(ByteSpan file, const RasterTarget& target);
}  // namespace tga

namespace bmprle {
// 4- and 8-bit bitmaps with RLE4 or RLE8 compression, bottom-up. Pixels the
// data skips (deltas, lines ended early, an early end of the picture) are
// colour 0.
[[nodiscard]] bool ReadInfo(ByteSpan file, RasterInfo& info);
[[nodiscard]] bool Decode(ByteSpan file, const RasterTarget& target);
}  // namespace bmprle

}  // namespace rasiocore
