// The header segments of a JPEG file: the metadata they carry, and a copy of
// the file with other metadata and the same compressed picture. No Windows
// header, so it also builds natively, where it is tested under sanitizers
// and fuzzed. Nothing is read outside [data, data + size).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tagscan {

struct JpegMetadata {
    // The TIFF structure of the first Exif APP1 segment, after its header;
    // null when there is none.
    const std::uint8_t* exif = nullptr;
    std::size_t exifSize = 0;
    // The ICC profile, its APP2 chunks joined in their sequence; empty when
    // there is none or a chunk is missing or repeated.
    std::vector<std::uint8_t> icc;
};

// The metadata of the segments before the first scan. False when the bytes
// are not a JPEG file or a segment runs past the end. Throws std::bad_alloc
// only.
bool ReadJpegMetadata(const std::uint8_t* data, std::size_t size, JpegMetadata& out);

// The file with new header metadata and the compressed picture as it was:
// the start of image, a JFIF segment if it had one, an Exif segment holding
// exifTiff (none when empty), the ICC profile's segments as they were, an
// Adobe segment if it had one, then every table, frame and scan segment with
// its entropy-coded data, up to and including the end of image. Other
// application segments (XMP, IPTC, multi-picture indexes, maker data),
// comments and whatever follows the end of image are dropped. False, with
// out empty, when the file's structure cannot be followed to its end of
// image, or exifTiff exceeds one segment. Throws std::bad_alloc only.
bool RewriteJpegSegments(const std::uint8_t* data, std::size_t size, const std::vector<std::uint8_t>& exifTiff,
                         std::vector<std::uint8_t>& out);

}  // namespace tagscan
