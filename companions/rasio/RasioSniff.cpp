#include "companions/rasio/RasioSniff.h"

#include <cstdlib>

namespace rasio {
namespace {

unsigned long Be32(const BYTE* p) {
    return (static_cast<unsigned long>(p[0]) << 24) | (static_cast<unsigned long>(p[1]) << 16) |
           (static_cast<unsigned long>(p[2]) << 8) | p[3];
}
long Le32(const BYTE* p) {
    return static_cast<long>(static_cast<unsigned long>(p[0]) | (static_cast<unsigned long>(p[1]) << 8) |
                             (static_cast<unsigned long>(p[2]) << 16) | (static_cast<unsigned long>(p[3]) << 24));
}

bool JpegFrameSize(const std::vector<BYTE>& b, long long& width, long long& height) {
    std::size_t at = 2;
    while (at + 4 <= b.size()) {
        if (b[at] != 0xFF) return false;
        const BYTE marker = b[at + 1];
        if (marker == 0xFF) {   // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        const std::size_t length = (static_cast<std::size_t>(b[at + 2]) << 8) | b[at + 3];
        if (length < 2) return false;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > b.size()) return false;
            height = (b[at + 5] << 8) | b[at + 6];
            width = (b[at + 7] << 8) | b[at + 8];
            return true;
        }
        if (marker == 0xDA || marker == 0xD9) return false;
        at += 2 + length;
    }
    return false;
}

}  // namespace

bool ClaimedSize(const std::vector<BYTE>& b, Format format, long long& width, long long& height) {
    switch (format) {
    case Format::Png:
        if (b.size() < 24) return false;
        width = static_cast<long long>(Be32(b.data() + 16));
        height = static_cast<long long>(Be32(b.data() + 20));
        return true;
    case Format::Gif:
        if (b.size() < 10) return false;
        width = b[6] | (b[7] << 8);
        height = b[8] | (b[9] << 8);
        return true;
    case Format::Bmp:
        if (b.size() < 26) return false;
        if (Le32(b.data() + 14) == 12) {   // OS/2 core header: 16-bit sizes
            width = b[18] | (b[19] << 8);
            height = b[20] | (b[21] << 8);
        } else {
            width = Le32(b.data() + 18);
            height = std::llabs(static_cast<long long>(Le32(b.data() + 22)));
        }
        return true;
    case Format::Jpeg:
        return JpegFrameSize(b, width, height);
    default:
        return false;
    }
}

}  // namespace rasio
