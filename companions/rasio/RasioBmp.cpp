// BMP writing: the picture's own layout, bottom-up as the format stores it.
#include "companions/rasio/RasioOwnFormats.h"

namespace rasio::bmp {

bool Encode(const Canvas& canvas, std::vector<BYTE>& out) {
    const int bits = canvas.Bits();
    const bool fields = canvas.type == kPixoRgb565;
    const std::size_t tableBytes = fields ? 12 : (bits <= 8 ? canvas.colours.size() * 4 : 0);
    const std::size_t lineBytes = PPixo::LineBytesFor(canvas.width, bits);
    const std::size_t imageBytes = lineBytes * static_cast<std::size_t>(canvas.height);
    const std::size_t offset = 14 + 40 + tableBytes;
    if (offset + imageBytes > 0xFFFFFFFFu) return false;
    out.clear();
    out.reserve(offset + imageBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, static_cast<unsigned long>(offset + imageBytes));
    Put32(out, 0);
    Put32(out, static_cast<unsigned long>(offset));
    Put32(out, 40);
    Put32(out, static_cast<unsigned long>(canvas.width));
    Put32(out, static_cast<unsigned long>(canvas.height));
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(bits));
    Put32(out, fields ? BI_BITFIELDS : BI_RGB);
    Put32(out, static_cast<unsigned long>(imageBytes));
    Put32(out, static_cast<unsigned long>(canvas.xPixelsPerMetre));
    Put32(out, static_cast<unsigned long>(canvas.yPixelsPerMetre));
    Put32(out, bits <= 8 ? static_cast<unsigned long>(canvas.colours.size()) : 0);
    Put32(out, 0);
    if (fields) {
        Put32(out, 0xF800);
        Put32(out, 0x07E0);
        Put32(out, 0x001F);
    } else if (bits <= 8) {
        for (const RGBQUAD& c : canvas.colours) {
            out.push_back(c.rgbBlue);
            out.push_back(c.rgbGreen);
            out.push_back(c.rgbRed);
            out.push_back(0);
        }
    }
    for (int y = canvas.height - 1; y >= 0; --y) {
        const BYTE* line = canvas.Line(y);
        out.insert(out.end(), line, line + lineBytes);
    }
    return true;
}

}  // namespace rasio::bmp
