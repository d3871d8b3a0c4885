// What the file library's own readers share: a bounded view of the file's
// bytes, the picture a header describes, and the caller's pixel memory they
// decode into. No Windows header, so the readers also build natively, where
// they are tested under sanitizers and fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rasiocore {

struct ByteSpan {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;

    [[nodiscard]] bool Has(std::size_t offset, std::size_t count) const noexcept {
        return offset <= size && count <= size - offset;
    }
    [[nodiscard]] std::uint16_t U16At(std::size_t offset) const noexcept {
        return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
    }
    [[nodiscard]] std::uint32_t U32At(std::size_t offset) const noexcept {
        return static_cast<std::uint32_t>(U16At(offset)) | (static_cast<std::uint32_t>(U16At(offset + 2)) << 16);
    }
};

// A colour table entry in the order of a bitmap's table.
struct Colour {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
};

// The picture a file's header describes, in the layout it decodes to:
// 1, 4 or 8 bits with a table (first pixel in the most significant bits),
// 16 bits as 5-5-5, 24 bits as blue-green-red, 32 bits with alpha last.
struct RasterInfo {
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bits = 0;
    std::vector<Colour> palette;
    std::int32_t xPixelsPerMetre = 0;
    std::int32_t yPixelsPerMetre = 0;
};

// Where a decoder writes: `height` lines of `lineBytes` each from `top`, the
// top row first. A decoder refuses a target whose size or depth differs from
// the file's, or whose lines are shorter than the pixels need.
struct RasterTarget {
    std::uint8_t* top = nullptr;
    std::size_t lineBytes = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bits = 0;

    [[nodiscard]] std::uint8_t* Line(std::int32_t y) const noexcept {
        return top + static_cast<std::size_t>(y) * lineBytes;
    }
};

// Bytes of a line padded to 32 bits, as a bitmap stores it; 0 for sizes
// that are not positive or whose line would not fit an int32.
[[nodiscard]] inline std::size_t LineBytesFor(std::int32_t width, int bits) noexcept {
    if (width <= 0 || bits <= 0) return 0;
    const std::uint64_t bytes = (static_cast<std::uint64_t>(width) * static_cast<std::uint32_t>(bits) + 31) / 32 * 4;
    return bytes > 0x7FFFFFFFu ? 0 : static_cast<std::size_t>(bytes);
}

// Whether `target` is memory for the picture `info` describes.
[[nodiscard]] inline bool Fits(const RasterTarget& target, const RasterInfo& info) noexcept {
    const std::size_t line = LineBytesFor(info.width, info.bits);
    return target.top != nullptr && line != 0 && target.width == info.width && target.height == info.height &&
           target.bits == info.bits && target.lineBytes >= line;
}

}  // namespace rasiocore
