// PCX: run-length encoded scan lines of one to four planes.
#include "companions/rasio/RasioOwnFormats.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace rasio::pcx {
namespace {

constexpr std::size_t kHeaderBytes = 128;

struct Header {
    int bitsPerPlane;
    int planes;
    int width;
    int height;
    int bytesPerLine;
    int dpiX;
    int dpiY;
};

bool ParseHeader(const std::vector<BYTE>& file, Header& h) {
    if (file.size() < kHeaderBytes) return false;
    const BYTE* b = file.data();
    if (b[0] != 0x0A || b[2] != 1) return false;
    const int xMin = static_cast<int>(U16(b + 4)), yMin = static_cast<int>(U16(b + 6));
    const int xMax = static_cast<int>(U16(b + 8)), yMax = static_cast<int>(U16(b + 10));
    h.bitsPerPlane = b[3];
    h.planes = b[65];
    h.bytesPerLine = static_cast<int>(U16(b + 66));
    h.width = xMax - xMin + 1;
    h.height = yMax - yMin + 1;
    h.dpiX = static_cast<int>(U16(b + 12));
    h.dpiY = static_cast<int>(U16(b + 14));
    if (h.width <= 0 || h.height <= 0) return false;
    const bool known = (h.bitsPerPlane == 1 && (h.planes == 1 || h.planes == 4)) ||
                       (h.bitsPerPlane == 4 && h.planes == 1) ||
                       (h.bitsPerPlane == 8 && (h.planes == 1 || h.planes == 3 || h.planes == 4));
    if (!known) return false;
    return static_cast<long long>(h.bytesPerLine) * 8 >= static_cast<long long>(h.width) * h.bitsPerPlane;
}

int OutputBits(const Header& h) {
    if (h.bitsPerPlane == 8) return h.planes == 1 ? 8 : 24;
    if (h.bitsPerPlane == 4 || h.planes == 4) return 4;
    return 1;
}

// The 256-colour table that follows the pixel data, when there is one.
bool TrailingPalette(const std::vector<BYTE>& file) {
    return file.size() >= kHeaderBytes + 769 && file[file.size() - 769] == 0x0C;
}

std::vector<RGBQUAD> Palette(const std::vector<BYTE>& file, const Header& h) {
    std::vector<RGBQUAD> table;
    const int bits = OutputBits(h);
    if (bits == 8) {
        if (!TrailingPalette(file)) return GreyRamp(256);
        const BYTE* p = file.data() + file.size() - 768;
        for (int i = 0; i < 256; ++i) table.push_back(RGBQUAD{p[i * 3 + 2], p[i * 3 + 1], p[i * 3], 0});
        return table;
    }
    if (bits == 24) return table;
    const BYTE* p = file.data() + 16;
    const int count = bits == 1 ? 2 : 16;
    for (int i = 0; i < count; ++i) table.push_back(RGBQUAD{p[i * 3 + 2], p[i * 3 + 1], p[i * 3], 0});
    // A black-and-white file often leaves its header table empty.
    if (bits == 1 && std::memcmp(p, p + 3, 3) == 0) return GreyRamp(2);
    return table;
}

}  // namespace

bool ReadInfo(const std::vector<BYTE>& file, PictureInfo& info) {
    Header h{};
    if (!ParseHeader(file, h)) return false;
    info = PictureInfo{};
    info.width = h.width;
    info.height = h.height;
    info.bits = OutputBits(h);
    info.palette = Palette(file, h);
    info.xPixelsPerMetre = static_cast<int>(std::lround(h.dpiX / 0.0254));
    info.yPixelsPerMetre = static_cast<int>(std::lround(h.dpiY / 0.0254));
    return WithinLimit(info.width, info.height, info.bits);
}

bool Decode(const std::vector<BYTE>& file, Picture& picture) {
    Header h{};
    if (!ReadInfo(file, picture.info) || !ParseHeader(file, h) || !AllocatePicture(picture)) return false;
    const std::size_t scan = static_cast<std::size_t>(h.bytesPerLine) * static_cast<std::size_t>(h.planes);
    std::size_t end = file.size();
    if (picture.info.bits == 8 && TrailingPalette(file)) end -= 769;
    std::vector<BYTE> line;
    try {
        line.resize(scan);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::size_t at = kHeaderBytes;
    int pending = 0;   // bytes of a run that continue on the next line
    BYTE value = 0;
    for (int y = 0; y < h.height; ++y) {
        std::size_t filled = 0;
        while (filled < scan) {
            if (pending == 0) {
                if (at >= end) return false;   // data ends early
                const BYTE c = file[at++];
                if ((c & 0xC0) == 0xC0) {
                    if (at >= end) return false;
                    pending = c & 0x3F;
                    value = file[at++];
                } else {
                    pending = 1;
                    value = c;
                }
            }
            const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(pending), scan - filled);
            std::memset(line.data() + filled, value, take);
            filled += take;
            pending -= static_cast<int>(take);
        }
        BYTE* out = picture.Line(y);
        const BYTE* in = line.data();
        const int w = h.width;
        if (h.bitsPerPlane == 8 && h.planes >= 3) {
            for (int x = 0; x < w; ++x) {
                out[x * 3] = in[2 * h.bytesPerLine + x];
                out[x * 3 + 1] = in[h.bytesPerLine + x];
                out[x * 3 + 2] = in[x];
            }
        } else if (h.bitsPerPlane == 1 && h.planes == 4) {
            for (int x = 0; x < w; ++x) {
                int v = 0;
                for (int p = 0; p < 4; ++p) v |= ((in[p * h.bytesPerLine + (x >> 3)] >> (7 - (x & 7))) & 1) << p;
                if (x & 1) out[x >> 1] = BYTE((out[x >> 1] & 0xF0) | v);
                else out[x >> 1] = BYTE((out[x >> 1] & 0x0F) | (v << 4));
            }
        } else {
            std::memcpy(out, in, (static_cast<std::size_t>(w) * picture.info.bits + 7) / 8);
        }
    }
    // A run that reaches beyond the last line is damage.
    return pending == 0;
}

namespace {

void PackRun(std::vector<BYTE>& out, const BYTE* data, std::size_t size) {
    std::size_t i = 0;
    while (i < size) {
        const BYTE v = data[i];
        std::size_t run = 1;
        while (i + run < size && data[i + run] == v && run < 63) ++run;
        if (run > 1 || (v & 0xC0) == 0xC0) out.push_back(BYTE(0xC0 | run));
        out.push_back(v);
        i += run;
    }
}

}  // namespace

bool Encode(const Canvas& canvas, std::vector<BYTE>& out) {
    const int bits = canvas.Bits();
    if (canvas.width > 65535 || canvas.height > 65535) return false;
    int planes, bitsPerPlane;
    // Readers disagree on whether a one-bit PCX is black or white for 0,
    // so black-and-white pictures are written with a 256-colour table.
    if (bits == 4) { planes = 4; bitsPerPlane = 1; }
    else if (bits <= 8) { planes = 1; bitsPerPlane = 8; }
    else { planes = 3; bitsPerPlane = 8; }
    int bytesPerLine = (canvas.width * bitsPerPlane + 7) / 8;
    bytesPerLine += bytesPerLine & 1;
    out.assign(kHeaderBytes, 0);
    BYTE* h = out.data();
    h[0] = 0x0A;
    h[1] = 5;
    h[2] = 1;
    h[3] = BYTE(bitsPerPlane);
    h[8] = BYTE((canvas.width - 1) & 0xFF);
    h[9] = BYTE((canvas.width - 1) >> 8);
    h[10] = BYTE((canvas.height - 1) & 0xFF);
    h[11] = BYTE((canvas.height - 1) >> 8);
    const int dpiX = static_cast<int>(std::lround(canvas.xPixelsPerMetre * 0.0254));
    const int dpiY = static_cast<int>(std::lround(canvas.yPixelsPerMetre * 0.0254));
    h[12] = BYTE(dpiX & 0xFF); h[13] = BYTE((dpiX >> 8) & 0xFF);
    h[14] = BYTE(dpiY & 0xFF); h[15] = BYTE((dpiY >> 8) & 0xFF);
    if (bits == 4) {
        for (std::size_t i = 0; i < canvas.colours.size() && i < 16; ++i) {
            h[16 + i * 3] = canvas.colours[i].rgbRed;
            h[17 + i * 3] = canvas.colours[i].rgbGreen;
            h[18 + i * 3] = canvas.colours[i].rgbBlue;
        }
    }
    h[65] = BYTE(planes);
    h[66] = BYTE(bytesPerLine & 0xFF);
    h[67] = BYTE(bytesPerLine >> 8);
    h[68] = 1;

    std::vector<BYTE> plane(static_cast<std::size_t>(bytesPerLine));
    std::vector<BYTE> bgr(static_cast<std::size_t>(canvas.width) * 3 + 3);
    for (int y = 0; y < canvas.height; ++y) {
        const BYTE* line = canvas.Line(y);
        if (bits == 1 || bits == 8) {
            std::fill(plane.begin(), plane.end(), 0);
            for (int x = 0; x < canvas.width; ++x) {
                plane[static_cast<std::size_t>(x)] = bits == 8 ? line[x] : BYTE((line[x >> 3] >> (7 - (x & 7))) & 1);
            }
            PackRun(out, plane.data(), plane.size());
        } else if (bits == 4) {
            for (int p = 0; p < 4; ++p) {
                std::fill(plane.begin(), plane.end(), 0);
                for (int x = 0; x < canvas.width; ++x) {
                    const int v = (x & 1) ? (line[x >> 1] & 0x0F) : (line[x >> 1] >> 4);
                    if ((v >> p) & 1) plane[static_cast<std::size_t>(x >> 3)] |= BYTE(0x80 >> (x & 7));
                }
                PackRun(out, plane.data(), plane.size());
            }
        } else {
            canvas.LineToBgr(y, bgr.data());
            for (int p = 0; p < 3; ++p) {
                std::fill(plane.begin(), plane.end(), 0);
                for (int x = 0; x < canvas.width; ++x) plane[static_cast<std::size_t>(x)] = bgr[x * 3 + 2 - p];
                PackRun(out, plane.data(), plane.size());
            }
        }
    }
    if (bits == 1 || bits == 8) {
        out.push_back(0x0C);
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD c = i < static_cast<int>(canvas.colours.size()) ? canvas.colours[static_cast<std::size_t>(i)]
                                                                         : RGBQUAD{0, 0, 0, 0};
            out.push_back(c.rgbRed);
            out.push_back(c.rgbGreen);
            out.push_back(c.rgbBlue);
        }
    }
    return true;
}

}  // namespace rasio::pcx
