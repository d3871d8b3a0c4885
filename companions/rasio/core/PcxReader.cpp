// PCX: run-length encoded scan lines of one to four planes.
#include "companions/rasio/core/Readers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace rasiocore::pcx {
namespace {

constexpr std::size_t kHeaderBytes = 128;
constexpr std::size_t kTrailingTableBytes = 769;  // 0x0C, then 256 triples

struct Header {
    int bitsPerPlane = 0;
    int planes = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::size_t bytesPerLine = 0;
    int dpiX = 0;
    int dpiY = 0;
};

bool ParseHeader(ByteSpan file, Header& h) {
    if (!file.Has(0, kHeaderBytes)) return false;
    const std::uint8_t* b = file.data;
    if (b[0] != 0x0A || b[2] != 1) return false;
    h.bitsPerPlane = b[3];
    h.planes = b[65];
    h.bytesPerLine = file.U16At(66);
    h.width = static_cast<std::int32_t>(file.U16At(8)) - file.U16At(4) + 1;
    h.height = static_cast<std::int32_t>(file.U16At(10)) - file.U16At(6) + 1;
    h.dpiX = file.U16At(12);
    h.dpiY = file.U16At(14);
    if (h.width <= 0 || h.height <= 0) return false;
    const bool known = (h.bitsPerPlane == 1 && (h.planes == 1 || h.planes == 4)) ||
                       (h.bitsPerPlane == 4 && h.planes == 1) ||
                       (h.bitsPerPlane == 8 && (h.planes == 1 || h.planes == 3 || h.planes == 4));
    return known && h.bytesPerLine * 8 >= static_cast<std::size_t>(h.width) * h.bitsPerPlane;
}

int OutputBits(const Header& h) {
    if (h.bitsPerPlane == 8) return h.planes == 1 ? 8 : 24;
    if (h.bitsPerPlane == 4 || h.planes == 4) return 4;
    return 1;
}

bool HasTrailingTable(ByteSpan file) {
    return file.size >= kHeaderBytes + kTrailingTableBytes && file.data[file.size - kTrailingTableBytes] == 0x0C;
}

std::vector<Colour> GreyRamp(int levels) {
    std::vector<Colour> ramp;
    for (int i = 0; i < levels; ++i) {
        const auto v = static_cast<std::uint8_t>(i * 255 / (levels - 1));
        ramp.push_back(Colour{v, v, v});
    }
    return ramp;
}

std::vector<Colour> Triples(const std::uint8_t* p, int count) {
    std::vector<Colour> table;
    for (int i = 0; i < count; ++i) table.push_back(Colour{p[i * 3 + 2], p[i * 3 + 1], p[i * 3]});
    return table;
}

std::vector<Colour> Palette(ByteSpan file, const Header& h) {
    switch (OutputBits(h)) {
    case 8:
        // Without the table after the data, the picture is grey.
        return HasTrailingTable(file) ? Triples(file.data + file.size - 768, 256) : GreyRamp(256);
    case 24: return {};
    case 4: return Triples(file.data + 16, 16);
    default:
        // A black-and-white file often leaves its header table empty.
        if (std::memcmp(file.data + 16, file.data + 19, 3) == 0) return GreyRamp(2);
        return Triples(file.data + 16, 2);
    }
}

// Lines of planes from the run-length data: a byte with both top bits set
// repeats the next byte (count in its low six bits); runs may continue on the
// next line, but not beyond the last.
class RunReader {
public:
    RunReader(ByteSpan file, std::size_t end) : m_file(file), m_at(kHeaderBytes), m_end(end) {}

    bool Fill(std::uint8_t* line, std::size_t size) {
        std::size_t filled = 0;
        while (filled < size) {
            if (m_pending == 0 && !NextRun()) return false;
            const std::size_t take = std::min(m_pending, size - filled);
            std::memset(line + filled, m_value, take);
            filled += take;
            m_pending -= take;
        }
        return true;
    }
    [[nodiscard]] bool Finished() const noexcept { return m_pending == 0; }

private:
    bool NextRun() {
        if (m_at >= m_end) return false;
        const std::uint8_t c = m_file.data[m_at++];
        if ((c & 0xC0) != 0xC0) {
            m_pending = 1;
            m_value = c;
            return true;
        }
        if (m_at >= m_end) return false;
        m_pending = c & 0x3Fu;
        m_value = m_file.data[m_at++];
        return true;
    }

    ByteSpan m_file;
    std::size_t m_at;
    std::size_t m_end;
    std::size_t m_pending = 0;
    std::uint8_t m_value = 0;
};

}  // namespace

bool ReadInfo(ByteSpan file, RasterInfo& info) {
    Header h;
    if (!ParseHeader(file, h)) return false;
    info = RasterInfo{};
    info.width = h.width;
    info.height = h.height;
    info.bits = OutputBits(h);
    info.palette = Palette(file, h);
    info.xPixelsPerMetre = static_cast<std::int32_t>(std::lround(h.dpiX / 0.0254));
    info.yPixelsPerMetre = static_cast<std::int32_t>(std::lround(h.dpiY / 0.0254));
    return true;
}

bool Decode(ByteSpan file, const RasterTarget& target) {
    Header h;
    RasterInfo info;
    if (!ReadInfo(file, info) || !ParseHeader(file, h) || !Fits(target, info)) return false;
    const std::size_t stride = h.bytesPerLine;
    std::vector<std::uint8_t> line;
    try {
        line.resize(stride * static_cast<std::size_t>(h.planes));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const std::size_t end = info.bits == 8 && HasTrailingTable(file) ? file.size - kTrailingTableBytes : file.size;
    RunReader runs(file, end);
    const std::int32_t w = h.width;
    for (std::int32_t y = 0; y < h.height; ++y) {
        if (!runs.Fill(line.data(), line.size())) return false;  // the data ends early
        std::uint8_t* out = target.Line(y);
        const std::uint8_t* in = line.data();
        if (info.bits == 24) {
            // Planes red, green, blue (a fourth, alpha, is dropped).
            for (std::int32_t x = 0; x < w; ++x) {
                out[x * 3] = in[2 * stride + x];
                out[x * 3 + 1] = in[stride + x];
                out[x * 3 + 2] = in[x];
            }
        } else if (h.planes == 4) {
            // Four one-bit planes make a nibble per pixel, plane 0 lowest.
            for (std::int32_t x = 0; x < w; x += 2) {
                int pair = 0;
                for (std::int32_t k = 0; k < 2 && x + k < w; ++k) {
                    const std::int32_t px = x + k;
                    int v = 0;
                    for (int p = 0; p < 4; ++p) v |= ((in[p * stride + (px >> 3)] >> (7 - (px & 7))) & 1) << p;
                    pair |= v << (4 - 4 * k);
                }
                out[x >> 1] = static_cast<std::uint8_t>(pair);
            }
        } else {
            std::memcpy(out, in, (static_cast<std::size_t>(w) * info.bits + 7) / 8);
        }
    }
    // A run that reaches beyond the last line is damage.
    return runs.Finished();
}

}  // namespace rasiocore::pcx
