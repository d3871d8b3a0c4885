// Turning blue-green-red rows into the rows of an image type: packing for
// the direct layouts, grey levels, and nearest colours of a colour table,
// optionally with Floyd-Steinberg error diffusion.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace kromo {

// The nearest entry of a colour table. Exact entries always map to
// themselves; results are remembered in a small direct-mapped cache keyed by
// the whole colour, so repeated colours cost one lookup.
class NearestColour {
public:
    NearestColour(const RGBQUAD* table, std::size_t size);
    [[nodiscard]] int Index(int blue, int green, int red) noexcept;
    [[nodiscard]] const RGBQUAD& Entry(int index) const noexcept { return m_table[static_cast<std::size_t>(index)]; }

private:
    struct Slot {
        std::uint32_t colour;  // 0xFFFFFFFF: empty
        std::int32_t index;
    };
    int Search(int blue, int green, int red) const noexcept;

    std::vector<RGBQUAD> m_table;
    std::vector<Slot> m_cache;
};

class RowPacker {
public:
    // `table` is the target's colour table (may be empty for direct types);
    // `diffuse` spreads the quantisation error to the following pixels and
    // rows. Rows must then be packed top to bottom.
    RowPacker(int type, const std::vector<RGBQUAD>& table, int width, bool diffuse);
    // bgr holds width triples; out receives one line of the type's layout.
    void Pack(const BYTE* bgr, BYTE* out);

private:
    enum class Mode { Copy, Bgrx, Rgb555, Rgb565, GreyLevels, Palette };
    void PackPalette(const BYTE* bgr, BYTE* out);
    void PackGrey(const BYTE* bgr, BYTE* out);
    void PutIndex(BYTE* out, int x, int index) const noexcept;

    int m_type;
    int m_bits;
    int m_width;
    bool m_diffuse;
    Mode m_mode;
    int m_levels = 0;  // grey levels
    std::vector<RGBQUAD> m_table;
    NearestColour m_nearest;
    // Diffusion errors (x16) for this row and the next, three channels each,
    // with a guard pixel at both ends.
    std::vector<int> m_errorThis;
    std::vector<int> m_errorNext;
    bool m_leftToRight = true;
};

}  // namespace kromo
