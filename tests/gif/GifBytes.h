// Test support: GIF files assembled block by block, images encoded by the
// core's LZW encoder.
#pragma once

#include "gif/core/Lzw.h"

#include <cstdint>
#include <string>
#include <vector>

namespace giftest {

using Bytes = std::string;

inline Bytes U16(int v) { return Bytes{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }

inline Bytes Head(int w, int h, int tableBits = -1, const std::string& signature = "GIF89a") {
    Bytes b = signature + U16(w) + U16(h);
    b += static_cast<char>(tableBits >= 0 ? 0x80 | tableBits : 0);
    b += '\0';
    b += '\0';
    if (tableBits >= 0)
        for (int i = 0; i < (2 << tableBits); ++i) {
            b += static_cast<char>(i * 40);
            b += static_cast<char>(255 - i * 40);
            b += static_cast<char>(i * 7);
        }
    return b;
}

inline Bytes Gce(int delay = 10, int transparent = -1) {
    Bytes b = "\x21\xF9\x04";
    b += static_cast<char>(transparent >= 0 ? 1 : 0);
    b += U16(delay);
    b += static_cast<char>(transparent >= 0 ? transparent : 0);
    b += '\0';
    return b;
}

// LZW data (minimum code size byte, sub-blocks, terminator) of the pixels
// given in image row order.
inline Bytes Lzw(int minCodeSize, int w, int h, const std::vector<std::uint8_t>& pixels, bool interlaced = false) {
    struct Rows final : email32::gif::core::RowSource {
        const std::vector<std::uint8_t>* p;
        int w, h;
        bool il;
        const std::uint8_t* GetRow(int k) override {
            return p->data() + static_cast<std::size_t>(email32::gif::core::ImageRowForFileOrder(k, h, il)) * w;
        }
    } rows;
    rows.p = &pixels;
    rows.w = w;
    rows.h = h;
    rows.il = interlaced;
    struct Out final : email32::gif::core::ByteSink {
        Bytes b;
        void Write(const std::uint8_t* d, std::size_t n) override { b.append(reinterpret_cast<const char*>(d), n); }
    } out;
    email32::gif::core::EncodeLzw(minCodeSize, w, h, rows, out);
    return out.b;
}

inline Bytes Image(int w, int h, const std::vector<std::uint8_t>& pixels, int minCodeSize = 2, bool interlaced = false,
                   int left = 0, int top = 0, int localBits = -1) {
    Bytes b = "\x2C" + U16(left) + U16(top) + U16(w) + U16(h);
    b += static_cast<char>((interlaced ? 0x40 : 0) | (localBits >= 0 ? 0x80 | localBits : 0));
    if (localBits >= 0)
        for (int i = 0; i < (2 << localBits); ++i)
            b += Bytes{static_cast<char>(200), static_cast<char>(i), static_cast<char>(i * 3)};
    return b + Lzw(minCodeSize, w, h, pixels, interlaced);
}

inline std::vector<std::uint8_t> Pattern(int w, int h, int colours) {
    std::vector<std::uint8_t> p;
    for (int i = 0; i < w * h; ++i) p.push_back(static_cast<std::uint8_t>((i * 7 + i / w) % colours));
    return p;
}

inline const BYTE* Data(const Bytes& b) { return reinterpret_cast<const BYTE*>(b.data()); }

}  // namespace giftest
