// TGA: colour-mapped, true-colour and grey pictures, raw or run-length
// encoded.
#include "companions/rasio/core/Readers.h"

#include <cstring>

namespace rasiocore::tga {
namespace {

constexpr std::size_t kHeaderBytes = 18;

struct Header {
    std::size_t idLength = 0;
    int mapType = 0;
    int imageType = 0;
    int mapFirst = 0;
    int mapLength = 0;
    int mapEntryBits = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int pixelBits = 0;
    int descriptor = 0;

    [[nodiscard]] int Kind() const noexcept { return imageType & ~8; }
    [[nodiscard]] bool RunLength() const noexcept { return (imageType & 8) != 0; }
    [[nodiscard]] std::size_t PixelBytes() const noexcept { return static_cast<std::size_t>((pixelBits + 7) / 8); }
    [[nodiscard]] std::size_t MapBytes() const noexcept {
        return mapType == 1 ? static_cast<std::size_t>(mapLength) * static_cast<std::size_t>((mapEntryBits + 7) / 8)
                            : 0;
    }
    [[nodiscard]] std::size_t DataOffset() const noexcept { return kHeaderBytes + idLength + MapBytes(); }
};

bool ParseHeader(ByteSpan file, Header& h) {
    if (!file.Has(0, kHeaderBytes)) return false;
    const std::uint8_t* b = file.data;
    h.idLength = b[0];
    h.mapType = b[1];
    h.imageType = b[2];
    h.mapFirst = file.U16At(3);
    h.mapLength = file.U16At(5);
    h.mapEntryBits = b[7];
    h.width = file.U16At(12);
    h.height = file.U16At(14);
    h.pixelBits = b[16];
    h.descriptor = b[17];
    if (h.width == 0 || h.height == 0 || h.mapType > 1 || (h.imageType & ~(8 | 3)) != 0) return false;
    if (!file.Has(kHeaderBytes + h.idLength, h.MapBytes())) return false;
    switch (h.Kind()) {
    case 1:  // colour-mapped
        return h.mapType == 1 && h.pixelBits == 8 && h.mapLength > 0 && h.mapFirst + h.mapLength <= 256 &&
               (h.mapEntryBits == 15 || h.mapEntryBits == 16 || h.mapEntryBits == 24 || h.mapEntryBits == 32);
    case 2:  // true colour
        return h.pixelBits == 15 || h.pixelBits == 16 || h.pixelBits == 24 || h.pixelBits == 32;
    case 3:  // grey
        return h.pixelBits == 8;
    default: return false;
    }
}

Colour MapEntry(const std::uint8_t* p, int bits) {
    if (bits <= 16) {
        const unsigned v = static_cast<unsigned>(p[0] | (p[1] << 8));
        const auto five = [](unsigned x) { return static_cast<std::uint8_t>((x << 3) | (x >> 2)); };
        return Colour{five(v & 31), five((v >> 5) & 31), five((v >> 10) & 31)};
    }
    return Colour{p[0], p[1], p[2]};
}

// Puts pixels in file order where the orientation bits place them.
class Placer {
public:
    Placer(const Header& h, const RasterTarget& target)
        : m_target(target),
          m_bytes(h.PixelBytes()),
          m_topDown((h.descriptor & 0x20) != 0),
          m_rightToLeft((h.descriptor & 0x10) != 0),
          m_left(static_cast<std::size_t>(target.width) * static_cast<std::size_t>(target.height)) {
        StartLine();
    }
    [[nodiscard]] std::size_t Remaining() const noexcept { return m_left; }
    // `count` pixels, at most Remaining(), from `p`, advancing `step` bytes
    // per pixel (0: a run).
    void Put(const std::uint8_t* p, std::size_t count, std::size_t step) noexcept {
        if (count > m_left) count = m_left;
        m_left -= count;
        for (std::size_t i = 0; i < count; ++i, p += step) {
            std::uint8_t* out =
                m_line + static_cast<std::size_t>(m_rightToLeft ? m_target.width - 1 - m_x : m_x) * m_bytes;
            if (m_bytes == 2) {
                out[0] = p[0];
                out[1] = static_cast<std::uint8_t>(p[1] & 0x7F);  // attribute bit dropped: 5-5-5
            } else {
                std::memcpy(out, p, m_bytes);
            }
            if (++m_x == m_target.width && ++m_y < m_target.height) StartLine();
        }
    }

private:
    void StartLine() noexcept {
        m_x = 0;
        m_line = m_target.Line(m_topDown ? m_y : m_target.height - 1 - m_y);
    }

    RasterTarget m_target;
    std::size_t m_bytes;
    bool m_topDown;
    bool m_rightToLeft;
    std::size_t m_left;
    std::int32_t m_x = 0;
    std::int32_t m_y = 0;
    std::uint8_t* m_line = nullptr;
};

}  // namespace

bool ReadInfo(ByteSpan file, RasterInfo& info) {
    Header h;
    if (!ParseHeader(file, h)) return false;
    info = RasterInfo{};
    info.width = h.width;
    info.height = h.height;
    info.bits = h.pixelBits == 15 ? 16 : h.pixelBits;
    if (h.Kind() == 1) {
        info.palette.assign(256, Colour{});
        const std::size_t entryBytes = static_cast<std::size_t>((h.mapEntryBits + 7) / 8);
        const std::uint8_t* map = file.data + kHeaderBytes + h.idLength;
        for (int i = 0; i < h.mapLength; ++i) {
            info.palette[static_cast<std::size_t>(h.mapFirst + i)] =
                MapEntry(map + static_cast<std::size_t>(i) * entryBytes, h.mapEntryBits);
        }
    } else if (h.Kind() == 3) {
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            info.palette.push_back(Colour{v, v, v});
        }
    }
    return true;
}

bool Decode(ByteSpan file, const RasterTarget& target) {
    Header h;
    RasterInfo info;
    if (!ReadInfo(file, info) || !ParseHeader(file, h) || !Fits(target, info)) return false;
    const std::size_t bytes = h.PixelBytes();
    Placer placer(h, target);
    std::size_t at = h.DataOffset();
    if (!h.RunLength()) {
        const std::size_t pixels = placer.Remaining();
        if (pixels > (file.size - at) / bytes) return false;  // DataOffset() <= size: checked by ParseHeader
        placer.Put(file.data + at, pixels, bytes);
        return true;
    }
    while (placer.Remaining() > 0) {
        if (!file.Has(at, 1)) return false;
        const std::uint8_t packet = file.data[at++];
        const std::size_t count = (packet & 0x7Fu) + 1;
        // Packets may cross lines but not the end of the picture.
        if (count > placer.Remaining()) return false;
        const bool run = (packet & 0x80) != 0;
        const std::size_t size = run ? bytes : count * bytes;
        if (!file.Has(at, size)) return false;
        placer.Put(file.data + at, count, run ? 0 : bytes);
        at += size;
    }
    return true;
}

}  // namespace rasiocore::tga
