#include "companions/tagscan/core/ExifScan.h"

#include <cstring>

namespace tagscan {
namespace {

constexpr std::uint16_t kExifIfdTag = 0x8769;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeIfd = 13;
// JPEG segments looked at before the image data; real files have a few.
constexpr int kMaxSegments = 256;

struct TiffReader {
    const std::uint8_t* data;
    std::size_t size;
    bool little;

    [[nodiscard]] bool U16(std::uint64_t at, std::uint16_t& v) const noexcept {
        if (at > size || size - at < 2) return false;
        const std::uint8_t* p = data + at;
        v = static_cast<std::uint16_t>(little ? p[0] | (p[1] << 8) : (p[0] << 8) | p[1]);
        return true;
    }
    [[nodiscard]] bool U32(std::uint64_t at, std::uint32_t& v) const noexcept {
        std::uint16_t a = 0, b = 0;
        if (!U16(at, a) || !U16(at + 2, b)) return false;
        v = little ? (static_cast<std::uint32_t>(b) << 16) | a : (static_cast<std::uint32_t>(a) << 16) | b;
        return true;
    }
};

}  // namespace

bool TiffHasExif(const std::uint8_t* data, std::size_t size) noexcept {
    if (data == nullptr || size < 8) return false;
    TiffReader r{data, size, false};
    if (data[0] == 'I' && data[1] == 'I') r.little = true;
    else if (!(data[0] == 'M' && data[1] == 'M')) return false;
    std::uint16_t magic = 0, count = 0;
    std::uint32_t ifd = 0;
    if (!r.U16(2, magic) || magic != 42 || !r.U32(4, ifd) || !r.U16(ifd, count)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = std::uint64_t{ifd} + 2 + std::uint64_t{i} * 12;
        std::uint16_t tag = 0, type = 0;
        std::uint32_t n = 0, value = 0;
        if (!r.U16(entry, tag) || !r.U16(entry + 2, type) || !r.U32(entry + 4, n) || !r.U32(entry + 8, value)) {
            return false;  // the IFD runs past the file
        }
        if (tag != kExifIfdTag) continue;
        // One LONG or IFD value: the Exif IFD's offset. It counts only when
        // its entry count lies inside the file and is not the first IFD again.
        std::uint16_t exifCount = 0;
        return (type == kTypeLong || type == kTypeIfd) && n == 1 && value != ifd && r.U16(value, exifCount);
    }
    return false;
}

bool JpegHasExif(const std::uint8_t* data, std::size_t size) noexcept {
    if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    std::size_t at = 2;
    for (int segments = 0; segments < kMaxSegments && size - at >= 4; ++segments) {
        if (data[at] != 0xFF) return false;
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte before a marker
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // no length
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return false;  // image data or end: no more headers
        const std::size_t length = (static_cast<std::size_t>(data[at + 2]) << 8) | data[at + 3];
        if (length < 2 || length > size - at - 2) return false;
        if (marker == 0xE1 && length >= 8 && std::memcmp(data + at + 4, "Exif\0\0", 6) == 0) return true;
        at += 2 + length;
    }
    return false;
}

}  // namespace tagscan
