// A photo's Exif data made fit to send with a smaller, upright copy of it:
// the capture date and time, the camera and the exposure stay; the
// orientation becomes 1 (the pixels are turned instead), the pixel size the
// new one; the location, the maker's private notes and the embedded
// thumbnail go. No Windows header, so it also builds natively, where it is
// tested under sanitizers and fuzzed. Nothing is read outside [tiff, tiff +
// size), whatever offsets and counts the bytes claim.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tagscan {

// The largest TIFF structure one JPEG APP1 segment holds after its
// "Exif\0\0" header.
constexpr std::size_t kMaxExifBlock = 65535 - 2 - 6;

// Where the TIFF structure of an Exif block starts: after an "Exif\0\0"
// header when there is one. HEIF's Exif item first gives, in 4 bytes, how
// far the structure lies behind them (ExifItemTiff).
[[nodiscard]] std::size_t ExifTiffStart(const std::uint8_t* data, std::size_t size) noexcept;
[[nodiscard]] std::size_t ExifItemTiff(const std::uint8_t* data, std::size_t size) noexcept;

// The orientation the first IFD gives (1 to 8): how the stored rows are to be
// turned for display. 1 when it is missing, out of range or unreadable.
[[nodiscard]] int ExifOrientation(const std::uint8_t* tiff, std::size_t size) noexcept;

struct ExifRewriteOptions {
    bool keepLocation = false;  // the GPS IFD stays
    // The new picture's size, written where the block gives a pixel size.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// A new TIFF structure, in the byte order of the old one, for the picture
// made from the photo: the first IFD, the Exif IFD and its
// interoperability IFD, and with keepLocation the GPS IFD, each with the
// entries that are plain values. Left out: the thumbnail's IFD, the maker
// note, embedded XMP, IPTC and ICC data (the ICC profile travels in its own
// segments), entries pointing at data that is not carried, entries of
// unknown types or running outside the block. False, with out empty, when the
// first IFD cannot be read or the result would not fit kMaxExifBlock.
// Throws std::bad_alloc only.
bool RewriteExif(const std::uint8_t* tiff, std::size_t size, const ExifRewriteOptions& options,
                 std::vector<std::uint8_t>& out);

}  // namespace tagscan
