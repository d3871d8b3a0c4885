// TGA writing: colour-mapped, true-colour and grey pictures, uncompressed
// (the reader is in core/).
#include "companions/rasio/RasioOwnFormats.h"

namespace rasio::tga {

bool Encode(const Canvas& canvas, std::vector<BYTE>& out) {
    const int bits = canvas.Bits();
    if (canvas.width > 65535 || canvas.height > 65535) return false;
    const bool grey = bits == 8 && canvas.GreyTable() && canvas.colours.size() == 256 && [&] {
        for (int i = 0; i < 256; ++i)
            if (canvas.colours[static_cast<std::size_t>(i)].rgbRed != i) return false;
        return true;
    }();
    const bool mapped = bits <= 8 && !grey;
    const int outBits = bits <= 8 ? 8 : (bits == 16 && canvas.type == kPixoRgb555 ? 16 : 24);
    out.clear();
    out.push_back(0);  // no identification field
    out.push_back(mapped ? 1 : 0);
    out.push_back(BYTE(mapped ? 1 : (grey ? 3 : 2)));
    Put16(out, 0);
    Put16(out, mapped ? static_cast<unsigned>(canvas.colours.size()) : 0);
    out.push_back(mapped ? 24 : 0);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<unsigned>(canvas.width));
    Put16(out, static_cast<unsigned>(canvas.height));
    out.push_back(BYTE(outBits));
    out.push_back(0);  // bottom-up, no attribute bits
    if (mapped) {
        for (const RGBQUAD& c : canvas.colours) {
            out.push_back(c.rgbBlue);
            out.push_back(c.rgbGreen);
            out.push_back(c.rgbRed);
        }
    }
    std::vector<BYTE> bgr(static_cast<std::size_t>(canvas.width) * 3 + 3);
    for (int y = canvas.height - 1; y >= 0; --y) {
        const BYTE* line = canvas.Line(y);
        if (bits <= 8) {
            for (int x = 0; x < canvas.width; ++x) {
                switch (bits) {
                case 1: out.push_back(BYTE((line[x >> 3] >> (7 - (x & 7))) & 1)); break;
                case 4: out.push_back(BYTE((x & 1) ? (line[x >> 1] & 0x0F) : (line[x >> 1] >> 4))); break;
                default: out.push_back(line[x]); break;
                }
            }
        } else if (outBits == 16) {
            out.insert(out.end(), line, line + static_cast<std::size_t>(canvas.width) * 2);
        } else {
            canvas.LineToBgr(y, bgr.data());
            out.insert(out.end(), bgr.begin(), bgr.begin() + static_cast<std::ptrdiff_t>(canvas.width) * 3);
        }
    }
    return true;
}

}  // namespace rasio::tga
