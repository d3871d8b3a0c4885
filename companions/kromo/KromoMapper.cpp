#include "companions/kromo/KromoMapper.h"

#include "companions/pixo/PPixo.h"
#include "companions/pixo/PixoRows.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace kromo {
namespace {

constexpr std::size_t kCacheSize = 1u << 15;

inline std::uint32_t Key(int blue, int green, int red) noexcept {
    return static_cast<std::uint32_t>(blue) | (static_cast<std::uint32_t>(green) << 8) |
           (static_cast<std::uint32_t>(red) << 16);
}

inline std::size_t CacheSlot(std::uint32_t key) noexcept {
    // Upper five bits of each channel.
    return ((key >> 3) & 0x1F) | ((key >> 6) & 0x3E0) | ((key >> 9) & 0x7C00);
}

inline int Clamp255(int v) noexcept { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace

NearestColour::NearestColour(const RGBQUAD* table, std::size_t size)
    : m_table(table, table + size), m_cache(size ? kCacheSize : 0, Slot{0xFFFFFFFFu, 0}) {}

int NearestColour::Search(int blue, int green, int red) const noexcept {
    int best = 0;
    int bestDistance = INT_MAX;
    for (std::size_t i = 0; i < m_table.size(); ++i) {
        const int db = blue - m_table[i].rgbBlue;
        const int dg = green - m_table[i].rgbGreen;
        const int dr = red - m_table[i].rgbRed;
        // Green weighs most and blue least, as the eye sees differences.
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
            if (d == 0) break;
        }
    }
    return best;
}

int NearestColour::Index(int blue, int green, int red) noexcept {
    if (m_table.empty()) return 0;
    const std::uint32_t key = Key(blue, green, red);
    Slot& slot = m_cache[CacheSlot(key)];
    if (slot.colour != key) {
        slot.colour = key;
        slot.index = Search(blue, green, red);
    }
    return slot.index;
}

RowPacker::RowPacker(int type, const std::vector<RGBQUAD>& table, int width, bool diffuse)
    : m_type(type),
      m_bits(PPixo::BitsPerPixel(type)),
      m_width(width),
      m_diffuse(diffuse),
      m_mode(Mode::Copy),
      m_table(table),
      m_nearest(table.data(), table.size()) {
    switch (type) {
    case kPixoTrueColor: m_mode = Mode::Copy; break;
    case kPixoBgrx32: m_mode = Mode::Bgrx; break;
    case kPixoRgb555: m_mode = Mode::Rgb555; break;
    case kPixoRgb565: m_mode = Mode::Rgb565; break;
    case kPixoGray16:
    case kPixoGray256: {
        const int levels = type == kPixoGray16 ? 16 : 256;
        if (pixo::IsGreyRamp(table.data(), table.size(), levels)) {
            m_mode = Mode::GreyLevels;
            m_levels = levels;
        } else {
            m_mode = Mode::Palette;
        }
        break;
    }
    default: m_mode = Mode::Palette; break;
    }
    if (m_mode == Mode::Palette && m_table.empty()) {
        m_table.push_back(RGBQUAD{0, 0, 0, 0});
        m_nearest = NearestColour(m_table.data(), m_table.size());
    }
    if (m_diffuse) {
        m_errorThis.assign(static_cast<std::size_t>(width + 2) * 3, 0);
        m_errorNext.assign(static_cast<std::size_t>(width + 2) * 3, 0);
    }
}

void RowPacker::PutIndex(BYTE* out, int x, int index) const noexcept {
    switch (m_bits) {
    case 1:
        if (index & 1) out[x >> 3] |= BYTE(0x80 >> (x & 7));
        else out[x >> 3] &= BYTE(~(0x80 >> (x & 7)));
        break;
    case 4:
        if (x & 1) out[x >> 1] = BYTE((out[x >> 1] & 0xF0) | (index & 0x0F));
        else out[x >> 1] = BYTE((out[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
        break;
    default: out[x] = BYTE(index); break;
    }
}

void RowPacker::Pack(const BYTE* bgr, BYTE* out) {
    switch (m_mode) {
    case Mode::Copy: std::memcpy(out, bgr, static_cast<std::size_t>(m_width) * 3); return;
    case Mode::Bgrx:
        for (int x = 0; x < m_width; ++x) {
            out[x * 4] = bgr[x * 3];
            out[x * 4 + 1] = bgr[x * 3 + 1];
            out[x * 4 + 2] = bgr[x * 3 + 2];
            out[x * 4 + 3] = 0;
        }
        return;
    case Mode::Rgb555:
    case Mode::Rgb565:
        for (int x = 0; x < m_width; ++x) {
            const unsigned b = (bgr[x * 3] * 31u + 127) / 255;
            const unsigned r = (bgr[x * 3 + 2] * 31u + 127) / 255;
            unsigned v;
            if (m_mode == Mode::Rgb565) v = (r << 11) | (((bgr[x * 3 + 1] * 63u + 127) / 255) << 5) | b;
            else v = (r << 10) | (((bgr[x * 3 + 1] * 31u + 127) / 255) << 5) | b;
            out[x * 2] = BYTE(v & 0xFF);
            out[x * 2 + 1] = BYTE(v >> 8);
        }
        return;
    case Mode::GreyLevels: PackGrey(bgr, out); return;
    case Mode::Palette: PackPalette(bgr, out); return;
    }
}

void RowPacker::PackGrey(const BYTE* bgr, BYTE* out) {
    const int top = m_levels - 1;
    if (!m_diffuse) {
        for (int x = 0; x < m_width; ++x) {
            const int luma = pixo::Luma(bgr[x * 3], bgr[x * 3 + 1], bgr[x * 3 + 2]);
            PutIndex(out, x, (luma * top + 127) / 255);
        }
        return;
    }
    // Diffusion on the single grey channel; channel 0 of the error rows.
    std::fill(m_errorNext.begin(), m_errorNext.end(), 0);
    const int step = m_leftToRight ? 1 : -1;
    for (int i = 0; i < m_width; ++i) {
        const int x = m_leftToRight ? i : m_width - 1 - i;
        const int luma = pixo::Luma(bgr[x * 3], bgr[x * 3 + 1], bgr[x * 3 + 2]);
        const int wanted = Clamp255(luma + (m_errorThis[static_cast<std::size_t>(x + 1) * 3] + 8) / 16);
        const int level = (wanted * top + 127) / 255;
        PutIndex(out, x, level);
        const int error = wanted - level * 255 / top;
        m_errorThis[static_cast<std::size_t>(x + 1 + step) * 3] += error * 7;
        m_errorNext[static_cast<std::size_t>(x + 1 - step) * 3] += error * 3;
        m_errorNext[static_cast<std::size_t>(x + 1) * 3] += error * 5;
        m_errorNext[static_cast<std::size_t>(x + 1 + step) * 3] += error;
    }
    m_errorThis.swap(m_errorNext);
    m_leftToRight = !m_leftToRight;
}

void RowPacker::PackPalette(const BYTE* bgr, BYTE* out) {
    if (!m_diffuse) {
        for (int x = 0; x < m_width; ++x) PutIndex(out, x, m_nearest.Index(bgr[x * 3], bgr[x * 3 + 1], bgr[x * 3 + 2]));
        return;
    }
    std::fill(m_errorNext.begin(), m_errorNext.end(), 0);
    const int step = m_leftToRight ? 1 : -1;
    for (int i = 0; i < m_width; ++i) {
        const int x = m_leftToRight ? i : m_width - 1 - i;
        const std::size_t at = static_cast<std::size_t>(x + 1) * 3;
        int wanted[3];
        for (int c = 0; c < 3; ++c) wanted[c] = Clamp255(bgr[x * 3 + c] + (m_errorThis[at + c] + 8) / 16);
        const int index = m_nearest.Index(wanted[0], wanted[1], wanted[2]);
        PutIndex(out, x, index);
        const RGBQUAD& got = m_nearest.Entry(index);
        const int error[3] = {wanted[0] - got.rgbBlue, wanted[1] - got.rgbGreen, wanted[2] - got.rgbRed};
        const std::size_t ahead = static_cast<std::size_t>(x + 1 + step) * 3;
        const std::size_t behind = static_cast<std::size_t>(x + 1 - step) * 3;
        for (int c = 0; c < 3; ++c) {
            m_errorThis[ahead + c] += error[c] * 7;
            m_errorNext[behind + c] += error[c] * 3;
            m_errorNext[at + c] += error[c] * 5;
            m_errorNext[ahead + c] += error[c];
        }
    }
    m_errorThis.swap(m_errorNext);
    m_leftToRight = !m_leftToRight;
}

}  // namespace kromo
