#include "gif/core/RowPacking.h"

#include <cstring>

namespace email32::gif::core {

void PackRow(std::uint8_t* row, int width, int bits, int stride) noexcept {
    if (bits == 8) {
        if (stride > width) std::memset(row + width, 0, static_cast<std::size_t>(stride - width));
        return;
    }
    const int perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    // Packing in place is safe: byte i is written after pixels 0..(i+1)*perByte-1
    // have been read, and written bytes never lie ahead of unread pixels.
    for (int i = 0; i < stride; ++i) {
        unsigned byte = 0;
        for (int j = 0; j < perByte; ++j) {
            const int x = i * perByte + j;
            const unsigned pixel = x < width ? (row[x] & mask) : 0u;
            byte |= pixel << (8 - bits * (j + 1));
        }
        row[i] = static_cast<std::uint8_t>(byte);
    }
}

void UnpackRow(const std::uint8_t* packed, int width, int colours, std::uint8_t* out) noexcept {
    std::memset(out, 0, static_cast<std::size_t>(width));
    if (colours <= 2) {
        for (int x = 0; x < width; ++x) out[x] = static_cast<std::uint8_t>((packed[x / 8] >> (7 - x % 8)) & 1);
    } else if (colours <= 16) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t b = packed[x / 2];
            out[x] = static_cast<std::uint8_t>((x % 2 == 0) ? (b >> 4) : (b & 0x0F));
        }
    } else {
        std::memcpy(out, packed, static_cast<std::size_t>(width));
    }
}

}  // namespace email32::gif::core
