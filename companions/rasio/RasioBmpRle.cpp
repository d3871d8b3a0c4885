// BMP files with RLE8 or RLE4 compression, read into indexed pictures.
#include "companions/rasio/RasioOwnFormats.h"

#include <algorithm>
#include <cstring>

namespace rasio::bmp {
namespace {

struct Header {
    std::size_t dataOffset;
    int width;
    int height;
    int bits;
    unsigned compression;
    std::size_t paletteOffset;
    int colours;
    int xPpm;
    int yPpm;
};

long Le32(const BYTE* p) {
    return static_cast<long>(static_cast<unsigned long>(p[0]) | (static_cast<unsigned long>(p[1]) << 8) |
                             (static_cast<unsigned long>(p[2]) << 16) | (static_cast<unsigned long>(p[3]) << 24));
}

bool Parse(const std::vector<BYTE>& file, Header& h) {
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return false;
    const BYTE* b = file.data();
    const long infoSize = Le32(b + 14);
    if (infoSize < 40 || static_cast<std::size_t>(infoSize) > file.size() - 14) return false;
    h.dataOffset = static_cast<std::size_t>(static_cast<unsigned long>(Le32(b + 10)));
    h.width = static_cast<int>(Le32(b + 18));
    h.height = static_cast<int>(Le32(b + 22));   // run-length files are bottom-up
    h.bits = U16(b + 28);
    h.compression = static_cast<unsigned>(Le32(b + 30));
    h.xPpm = static_cast<int>(Le32(b + 38));
    h.yPpm = static_cast<int>(Le32(b + 42));
    const long used = Le32(b + 46);
    h.paletteOffset = 14 + static_cast<std::size_t>(infoSize);
    const int full = 1 << (h.bits == 4 ? 4 : 8);
    h.colours = used > 0 && used < full ? static_cast<int>(used) : full;
    const bool rle = (h.bits == 8 && h.compression == BI_RLE8) || (h.bits == 4 && h.compression == BI_RLE4);
    return rle && h.width > 0 && h.height > 0 && h.dataOffset < file.size() &&
           h.paletteOffset + static_cast<std::size_t>(h.colours) * 4 <= file.size();
}

}  // namespace

bool ReadRleInfo(const std::vector<BYTE>& file, PictureInfo& info) {
    Header h{};
    if (!Parse(file, h)) return false;
    info = PictureInfo{};
    info.width = h.width;
    info.height = h.height;
    info.bits = h.bits;
    info.xPixelsPerMetre = h.xPpm;
    info.yPixelsPerMetre = h.yPpm;
    for (int i = 0; i < h.colours; ++i) {
        const BYTE* p = file.data() + h.paletteOffset + static_cast<std::size_t>(i) * 4;
        info.palette.push_back(RGBQUAD{p[0], p[1], p[2], 0});
    }
    return WithinLimit(info.width, info.height, info.bits);
}

bool DecodeRle(const std::vector<BYTE>& file, Picture& picture) {
    Header h{};
    if (!Parse(file, h) || !ReadRleInfo(file, picture.info) || !AllocatePicture(picture)) return false;
    const bool four = h.bits == 4;
    const auto put = [&](int x, int row, int index) {
        BYTE* line = picture.Line(h.height - 1 - row);
        if (!four) {
            line[x] = BYTE(index);
        } else if (x & 1) {
            line[x >> 1] = BYTE((line[x >> 1] & 0xF0) | (index & 0x0F));
        } else {
            line[x >> 1] = BYTE((line[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
        }
    };
    std::size_t at = h.dataOffset;
    int x = 0, row = 0;
    const auto more = [&](std::size_t n) { return at + n <= file.size(); };
    while (row < h.height) {
        if (!more(2)) return false;
        const int count = file[at], value = file[at + 1];
        at += 2;
        if (count > 0) {
            // Writers may encode a line's padding as well: pixels beyond the
            // width are dropped.
            for (int i = 0; i < count; ++i, ++x) {
                if (x < h.width) put(x, row, four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            }
            x = std::min(x, h.width);
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (!more(2)) return false;
            x += file[at];
            x = std::min(x, h.width);
            row += file[at + 1];
            at += 2;
            if (row > h.height) return false;
        } else {
            // Absolute: `value` pixels follow, padded to a 16-bit boundary.
            const std::size_t bytes = four ? (static_cast<std::size_t>(value) + 1) / 2 : static_cast<std::size_t>(value);
            if (!more(bytes)) return false;
            for (int i = 0; i < value; ++i, ++x) {
                const BYTE b = file[at + (four ? static_cast<std::size_t>(i / 2) : static_cast<std::size_t>(i))];
                if (x < h.width) put(x, row, four ? ((i & 1) ? b & 0x0F : b >> 4) : b);
            }
            at += bytes + (bytes & 1);
            x = std::min(x, h.width);
        }
    }
    return true;
}

}  // namespace rasio::bmp
