// Whether a picture's bytes carry Exif data, answered from the headers only.
// No Windows header, so the scanners also build natively, where they are
// tested under sanitizers and fuzzed. Neither reads outside [data, data +
// size), whatever offsets and lengths the bytes claim.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tagscan {

// A JPEG file with an APP1 segment that starts with the Exif header, before
// the image data; segments that run past the end are damage, not data.
[[nodiscard]] bool JpegHasExif(const std::uint8_t* data, std::size_t size) noexcept;

// A TIFF file (either byte order) whose first IFD points to an Exif IFD that
// lies inside the file and is not the first IFD itself.
[[nodiscard]] bool TiffHasExif(const std::uint8_t* data, std::size_t size) noexcept;

}  // namespace tagscan
