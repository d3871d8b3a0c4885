// TGA: colour-mapped, true-colour and grey pictures, raw or run-length
// encoded.
#include "companions/rasio/RasioOwnFormats.h"

#include <algorithm>
#include <cstring>

namespace rasio::tga {
namespace {

constexpr std::size_t kHeaderBytes = 18;

struct Header {
    int idLength;
    int mapType;
    int imageType;
    int mapFirst;
    int mapLength;
    int mapEntryBits;
    int width;
    int height;
    int pixelBits;
    int descriptor;
};

bool ParseHeader(const std::vector<BYTE>& file, Header& h) {
    if (file.size() < kHeaderBytes) return false;
    const BYTE* b = file.data();
    h.idLength = b[0];
    h.mapType = b[1];
    h.imageType = b[2];
    h.mapFirst = static_cast<int>(U16(b + 3));
    h.mapLength = static_cast<int>(U16(b + 5));
    h.mapEntryBits = b[7];
    h.width = static_cast<int>(U16(b + 12));
    h.height = static_cast<int>(U16(b + 14));
    h.pixelBits = b[16];
    h.descriptor = b[17];
    if (h.width == 0 || h.height == 0 || h.mapType > 1) return false;
    const int kind = h.imageType & ~8;
    if (h.imageType != kind && h.imageType != (kind | 8)) return false;
    switch (kind) {
    case 1:   // colour-mapped
        return h.mapType == 1 && h.pixelBits == 8 && h.mapFirst + h.mapLength <= 256 && h.mapLength > 0 &&
               (h.mapEntryBits == 15 || h.mapEntryBits == 16 || h.mapEntryBits == 24 || h.mapEntryBits == 32);
    case 2:   // true colour
        return h.pixelBits == 15 || h.pixelBits == 16 || h.pixelBits == 24 || h.pixelBits == 32;
    case 3:   // grey
        return h.pixelBits == 8;
    default:
        return false;
    }
}

int OutputBits(const Header& h) {
    switch (h.pixelBits) {
    case 15:
    case 16: return 16;
    default: return h.pixelBits;
    }
}

std::size_t MapBytes(const Header& h) {
    return h.mapType == 1 ? static_cast<std::size_t>(h.mapLength) * ((h.mapEntryBits + 7) / 8) : 0;
}

RGBQUAD MapEntry(const BYTE* p, int bits) {
    if (bits <= 16) {
        const unsigned v = U16(p);
        const auto five = [](unsigned x) { return BYTE((x << 3) | (x >> 2)); };
        return RGBQUAD{five(v & 31), five((v >> 5) & 31), five((v >> 10) & 31), 0};
    }
    return RGBQUAD{p[0], p[1], p[2], 0};
}

}  // namespace

bool ReadInfo(const std::vector<BYTE>& file, PictureInfo& info) {
    Header h{};
    if (!ParseHeader(file, h)) return false;
    const std::size_t mapAt = kHeaderBytes + static_cast<std::size_t>(h.idLength);
    if (mapAt + MapBytes(h) > file.size()) return false;
    info = PictureInfo{};
    info.width = h.width;
    info.height = h.height;
    info.bits = OutputBits(h);
    if ((h.imageType & ~8) == 1) {
        info.palette.assign(256, RGBQUAD{0, 0, 0, 0});
        const int entryBytes = (h.mapEntryBits + 7) / 8;
        for (int i = 0; i < h.mapLength; ++i) {
            info.palette[static_cast<std::size_t>(h.mapFirst + i)] =
                MapEntry(file.data() + mapAt + static_cast<std::size_t>(i) * entryBytes, h.mapEntryBits);
        }
    } else if ((h.imageType & ~8) == 3) {
        info.palette = GreyRamp(256);
    }
    return WithinLimit(info.width, info.height, info.bits);
}

bool Decode(const std::vector<BYTE>& file, Picture& picture) {
    Header h{};
    if (!ReadInfo(file, picture.info) || !ParseHeader(file, h) || !AllocatePicture(picture)) return false;
    const std::size_t pixelBytes = static_cast<std::size_t>((h.pixelBits + 7) / 8);
    const std::size_t lineBytes = pixelBytes * static_cast<std::size_t>(h.width);
    const std::size_t total = lineBytes * static_cast<std::size_t>(h.height);
    std::vector<BYTE> raw;
    std::size_t at = kHeaderBytes + static_cast<std::size_t>(h.idLength) + MapBytes(h);
    if (h.imageType & 8) {
        raw.resize(total);
        std::size_t filled = 0;
        while (filled < total) {
            if (at >= file.size()) return false;
            const BYTE packet = file[at++];
            const std::size_t count = static_cast<std::size_t>((packet & 0x7F) + 1);
            // Packets may cross lines but not the end of the picture.
            if (filled + count * pixelBytes > total) return false;
            if (packet & 0x80) {
                if (at + pixelBytes > file.size()) return false;
                for (std::size_t i = 0; i < count; ++i) std::memcpy(raw.data() + filled + i * pixelBytes, file.data() + at, pixelBytes);
                at += pixelBytes;
            } else {
                if (at + count * pixelBytes > file.size()) return false;
                std::memcpy(raw.data() + filled, file.data() + at, count * pixelBytes);
                at += count * pixelBytes;
            }
            filled += count * pixelBytes;
        }
    } else {
        if (at > file.size() || file.size() - at < total) return false;
        raw.assign(file.begin() + static_cast<std::ptrdiff_t>(at), file.begin() + static_cast<std::ptrdiff_t>(at + total));
    }
    const bool topDown = (h.descriptor & 0x20) != 0;
    const bool rightToLeft = (h.descriptor & 0x10) != 0;
    for (int y = 0; y < h.height; ++y) {
        const BYTE* in = raw.data() + static_cast<std::size_t>(topDown ? y : h.height - 1 - y) * lineBytes;
        BYTE* out = picture.Line(y);
        for (int x = 0; x < h.width; ++x) {
            const BYTE* p = in + static_cast<std::size_t>(rightToLeft ? h.width - 1 - x : x) * pixelBytes;
            if (pixelBytes == 2) {
                // Attribute bit dropped: 5-5-5.
                out[x * 2] = p[0];
                out[x * 2 + 1] = BYTE(p[1] & 0x7F);
            } else {
                std::memcpy(out + static_cast<std::size_t>(x) * pixelBytes, p, pixelBytes);
            }
        }
    }
    return true;
}

bool Encode(const Canvas& canvas, std::vector<BYTE>& out) {
    const int bits = canvas.Bits();
    if (canvas.width > 65535 || canvas.height > 65535) return false;
    const bool grey = bits == 8 && canvas.GreyTable() && canvas.colours.size() == 256 &&
                      [&] {
                          for (int i = 0; i < 256; ++i)
                              if (canvas.colours[static_cast<std::size_t>(i)].rgbRed != i) return false;
                          return true;
                      }();
    const bool mapped = bits <= 8 && !grey;
    const int outBits = bits <= 8 ? 8 : (bits == 16 && canvas.type == kPixoRgb555 ? 16 : 24);
    out.clear();
    out.push_back(0);                                  // no identification field
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
    out.push_back(0);                                  // bottom-up, no attribute bits
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
