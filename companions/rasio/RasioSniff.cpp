#include "companions/rasio/RasioSniff.h"

#include <algorithm>
#include <cstring>

namespace rasio {
namespace {

unsigned long Be32(const BYTE* p) {
    return (static_cast<unsigned long>(p[0]) << 24) | (static_cast<unsigned long>(p[1]) << 16) |
           (static_cast<unsigned long>(p[2]) << 8) | p[3];
}

// Whether a chunk of the type comes before the image data.
bool PngHasChunkBeforeData(const std::vector<BYTE>& b, const char* type) {
    std::size_t at = 8;
    while (at + 8 <= b.size()) {
        const unsigned long length = Be32(b.data() + at);
        const BYTE* name = b.data() + at + 4;
        if (std::memcmp(name, "IDAT", 4) == 0) return false;
        if (std::memcmp(name, type, 4) == 0) return true;
        if (length > b.size()) return false;
        at += 12 + length;
    }
    return false;
}

// The layout the imaging component hands a PNG file over in, as the file
// library then loads it: indexed and grey pictures at their depth (2 bits
// widened to 4), 16-bit grey as 8-bit grey, everything else as true colour.
int PngLoadedBits(const std::vector<BYTE>& b, int depth, int colourType) {
    const int widened = depth == 2 ? 4 : depth;
    switch (colourType) {
    case 3: return widened;
    case 0:
        if (depth <= 8) return widened;
        // Transparency turns 16-bit grey into colour with alpha.
        return PngHasChunkBeforeData(b, "tRNS") ? 24 : 8;
    default: return 24;
    }
}

// The first image's size, which may exceed the logical screen's; false when
// it is not within the bytes given.
bool GifFirstImageSize(const std::vector<BYTE>& b, long long& width, long long& height) {
    std::size_t at = 13;
    if (b.size() < at) return false;
    if (b[10] & 0x80) at += 3u << ((b[10] & 7) + 1);
    while (at < b.size()) {
        if (b[at] == 0x2C) {
            if (at + 9 > b.size()) return false;
            width = b[at + 5] | (b[at + 6] << 8);
            height = b[at + 7] | (b[at + 8] << 8);
            return true;
        }
        if (b[at] != 0x21 || at + 2 >= b.size()) return false;
        at += 2;  // introducer and label, then sub-blocks up to an empty one
        while (at < b.size() && b[at] != 0) at += 1u + b[at];
        ++at;
    }
    return false;
}

}  // namespace

bool ClaimedLayout(const std::vector<BYTE>& b, Format format, long long& width, long long& height, int& bits) {
    switch (format) {
    case Format::Png:
        if (b.size() < 26 || std::memcmp(b.data() + 12, "IHDR", 4) != 0) return false;
        width = static_cast<long long>(Be32(b.data() + 16));
        height = static_cast<long long>(Be32(b.data() + 20));
        bits = PngLoadedBits(b, b[24], b[25]);
        return true;
    case Format::Gif: {
        if (b.size() < 10) return false;
        width = b[6] | (b[7] << 8);
        height = b[8] | (b[9] << 8);
        long long frameWidth = 0, frameHeight = 0;
        if (GifFirstImageSize(b, frameWidth, frameHeight)) {
            width = std::max(width, frameWidth);
            height = std::max(height, frameHeight);
        }
        bits = 8;
        return true;
    }
    default: return false;
    }
}

}  // namespace rasio
