// BMP files with RLE8 or RLE4 compression, read into indexed pictures.
#include "companions/rasio/core/Readers.h"

#include <algorithm>
#include <cstring>

namespace rasiocore::bmprle {
namespace {

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::size_t kFileHeaderBytes = 14;

struct Header {
    std::size_t dataOffset = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bits = 0;
    std::size_t paletteOffset = 0;
    std::size_t colours = 0;
    std::int32_t xPpm = 0;
    std::int32_t yPpm = 0;
};

bool Parse(ByteSpan file, Header& h) {
    if (!file.Has(0, kFileHeaderBytes + 40) || file.data[0] != 'B' || file.data[1] != 'M') return false;
    const std::uint32_t infoSize = file.U32At(14);
    if (infoSize < 40 || !file.Has(kFileHeaderBytes, infoSize)) return false;
    h.dataOffset = file.U32At(10);
    // Run-length files are bottom-up: a negative height is not one of them.
    h.width = static_cast<std::int32_t>(file.U32At(18));
    h.height = static_cast<std::int32_t>(file.U32At(22));
    h.bits = file.U16At(28);
    const std::uint32_t compression = file.U32At(30);
    h.xPpm = static_cast<std::int32_t>(file.U32At(38));
    h.yPpm = static_cast<std::int32_t>(file.U32At(42));
    const std::uint32_t used = file.U32At(46);
    h.paletteOffset = kFileHeaderBytes + infoSize;
    const std::size_t full = h.bits == 4 ? 16 : 256;
    h.colours = used > 0 && used < full ? used : full;
    const bool rle = (h.bits == 8 && compression == kRle8) || (h.bits == 4 && compression == kRle4);
    return rle && h.width > 0 && h.height > 0 && h.dataOffset < file.size && file.Has(h.paletteOffset, h.colours * 4);
}

// Writes indices into the target, bottom row first; pixels beyond the
// width are dropped, as writers may encode a line's padding too.
class Painter {
public:
    Painter(const RasterTarget& target) : m_target(target) {}

    void Put(std::int64_t x, std::int64_t row, unsigned index) const noexcept {
        if (x >= m_target.width) return;
        std::uint8_t* line = m_target.Line(static_cast<std::int32_t>(m_target.height - 1 - row));
        if (m_target.bits == 8) {
            line[x] = static_cast<std::uint8_t>(index);
            return;
        }
        std::uint8_t& pair = line[x >> 1];
        pair = (x & 1) ? static_cast<std::uint8_t>((pair & 0xF0) | (index & 0x0F))
                       : static_cast<std::uint8_t>((pair & 0x0F) | ((index & 0x0F) << 4));
    }

private:
    RasterTarget m_target;
};

}  // namespace

bool ReadInfo(ByteSpan file, RasterInfo& info) {
    Header h;
    if (!Parse(file, h)) return false;
    info = RasterInfo{};
    info.width = h.width;
    info.height = h.height;
    info.bits = h.bits;
    info.xPixelsPerMetre = h.xPpm;
    info.yPixelsPerMetre = h.yPpm;
    for (std::size_t i = 0; i < h.colours; ++i) {
        const std::uint8_t* p = file.data + h.paletteOffset + i * 4;
        info.palette.push_back(Colour{p[0], p[1], p[2]});
    }
    return true;
}

bool Decode(ByteSpan file, const RasterTarget& target) {
    Header h;
    RasterInfo info;
    if (!ReadInfo(file, info) || !Parse(file, h) || !Fits(target, info)) return false;
    const std::size_t lineBytes = LineBytesFor(h.width, h.bits);
    for (std::int32_t y = 0; y < h.height; ++y) std::memset(target.Line(y), 0, lineBytes);
    const bool four = h.bits == 4;
    const Painter painter(target);
    const auto nibble = [four](unsigned byte, std::int32_t i) {
        return !four ? byte : (i & 1) ? byte & 0x0F : byte >> 4;
    };
    std::size_t at = h.dataOffset;
    // Wide enough that a step past a width or height near the limit of an
    // int32 cannot overflow.
    std::int64_t x = 0, row = 0;
    while (row < h.height) {
        if (!file.Has(at, 2)) return false;
        const std::int32_t count = file.data[at];
        const unsigned value = file.data[at + 1];
        at += 2;
        if (count > 0) {
            for (std::int32_t i = 0; i < count; ++i) painter.Put(x + i, row, nibble(value, i));
            x = std::min<std::int64_t>(x + count, h.width);
        } else if (value == 0) {  // end of line
            x = 0;
            ++row;
        } else if (value == 1) {  // end of picture
            break;
        } else if (value == 2) {  // delta: right and up
            if (!file.Has(at, 2)) return false;
            x = std::min<std::int64_t>(x + file.data[at], h.width);
            row += file.data[at + 1];
            at += 2;
            if (row > h.height) return false;
        } else {
            // Absolute: `value` pixels follow, padded to a 16-bit boundary.
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (!file.Has(at, bytes)) return false;
            for (std::int32_t i = 0; i < static_cast<std::int32_t>(value); ++i) {
                painter.Put(x + i, row, nibble(file.data[at + static_cast<std::size_t>(four ? i / 2 : i)], i));
            }
            at += bytes + (bytes & 1);
            x = std::min<std::int64_t>(x + value, h.width);
        }
    }
    return true;
}

}  // namespace rasiocore::bmprle
