#include "companions/pixo/PixoRows.h"

#include "companions/pixo/PPixo.h"

#include <cstring>

namespace pixo {

void RowToBgr(int type, const BYTE* row, const RGBQUAD* table, std::size_t tableSize, int x0, int x1,
              BYTE* out) noexcept {
    const auto fromTable = [&](unsigned index) {
        if (index < tableSize) {
            out[0] = table[index].rgbBlue;
            out[1] = table[index].rgbGreen;
            out[2] = table[index].rgbRed;
        } else {
            out[0] = out[1] = out[2] = 0;
        }
        out += 3;
    };
    switch (type) {
    case kPixoTrueColor:
        std::memcpy(out, row + static_cast<std::size_t>(x0) * 3, static_cast<std::size_t>(x1 - x0 + 1) * 3);
        return;
    case kPixoBgrx32:
        for (int x = x0; x <= x1; ++x, out += 3) {
            out[0] = row[x * 4];
            out[1] = row[x * 4 + 1];
            out[2] = row[x * 4 + 2];
        }
        return;
    case kPixoRgb555:
    case kPixoRgb565:
        for (int x = x0; x <= x1; ++x, out += 3) {
            const unsigned v = row[x * 2] | (row[x * 2 + 1] << 8);
            unsigned r, g;
            const unsigned b = v & 31;
            if (type == kPixoRgb565) {
                r = (v >> 11) & 31;
                g = (v >> 5) & 63;
                g = (g << 2) | (g >> 4);
            } else {
                r = (v >> 10) & 31;
                g = (v >> 5) & 31;
                g = (g << 3) | (g >> 2);
            }
            out[0] = BYTE((b << 3) | (b >> 2));
            out[1] = BYTE(g);
            out[2] = BYTE((r << 3) | (r >> 2));
        }
        return;
    case kPixoBlackWhite:
        for (int x = x0; x <= x1; ++x) fromTable((row[x >> 3] >> (7 - (x & 7))) & 1);
        return;
    case kPixoIndexed16:
    case kPixoGray16:
        for (int x = x0; x <= x1; ++x) fromTable((x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4));
        return;
    case kPixoIndexed256:
    case kPixoGray256:
        for (int x = x0; x <= x1; ++x) fromTable(row[x]);
        return;
    default: std::memset(out, 0, static_cast<std::size_t>(x1 - x0 + 1) * 3); return;
    }
}

bool IsGreyRamp(const RGBQUAD* table, std::size_t size, int levels) noexcept {
    if (table == nullptr || levels < 2 || size != static_cast<std::size_t>(levels)) return false;
    for (int i = 0; i < levels; ++i) {
        const int v = i * 255 / (levels - 1);
        if (table[i].rgbRed != v || table[i].rgbGreen != v || table[i].rgbBlue != v) return false;
    }
    return true;
}

}  // namespace pixo
