// PCX writing: run-length encoded scan lines of one to four planes (the
// reader is in core/).
#include "companions/rasio/RasioOwnFormats.h"

#include <algorithm>
#include <cmath>

namespace rasio::pcx {

constexpr std::size_t kHeaderBytes = 128;

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
    if (bits == 4) {
        planes = 4;
        bitsPerPlane = 1;
    } else if (bits <= 8) {
        planes = 1;
        bitsPerPlane = 8;
    } else {
        planes = 3;
        bitsPerPlane = 8;
    }
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
    h[12] = BYTE(dpiX & 0xFF);
    h[13] = BYTE((dpiX >> 8) & 0xFF);
    h[14] = BYTE(dpiY & 0xFF);
    h[15] = BYTE((dpiY >> 8) & 0xFF);
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
