// Pictures turned the way an Exif orientation says they are to be shown.
#include "companions/pixo/PPixo.h"

#include <cstring>

namespace {

// Where the stored pixel of a shown one lies, for orientations 1 to 8: the
// shown picture is w x h, the stored one sw x sh.
void StoredPixel(int orientation, int x, int y, int sw, int sh, int& sx, int& sy) noexcept {
    switch (orientation) {
    case 2:
        sx = sw - 1 - x;
        sy = y;
        break;  // mirrored left to right
    case 3:
        sx = sw - 1 - x;
        sy = sh - 1 - y;
        break;  // turned half round
    case 4:
        sx = x;
        sy = sh - 1 - y;
        break;  // mirrored top to bottom
    case 5:
        sx = y;
        sy = x;
        break;  // mirrored along the main diagonal
    case 6:
        sx = y;
        sy = sh - 1 - x;
        break;  // to be turned a quarter clockwise
    case 7:
        sx = sw - 1 - y;
        sy = sh - 1 - x;
        break;  // mirrored along the other diagonal
    case 8:
        sx = sw - 1 - y;
        sy = x;
        break;  // to be turned a quarter anticlockwise
    default:
        sx = x;
        sy = y;
        break;
    }
}

}  // namespace

BOOL PPixo::TurnImage(const PPixo& source, int orientation) {
    const int bits = source.GetBitsPerPixel();
    if (source.IsEmpty() || orientation < 1 || orientation > 8 || bits < 8 || &source == this) return FALSE;
    const bool across = orientation >= 5;
    const int width = across ? source.m_height : source.m_width;
    const int height = across ? source.m_width : source.m_height;
    if (!CreateImage(source.m_type, width, height, static_cast<int>(source.m_colours.size()), source.m_colours.data(),
                     across ? source.m_yDensity : source.m_xDensity, across ? source.m_xDensity : source.m_yDensity, 15,
                     0, 0)) {
        return FALSE;
    }
    const int bytes = bits / 8;
    for (int y = 0; y < height; ++y) {
        BYTE* out = Line(y);
        for (int x = 0; x < width; ++x, out += bytes) {
            int sx = 0, sy = 0;
            StoredPixel(orientation, x, y, source.m_width, source.m_height, sx, sy);
            std::memcpy(out, source.Line(sy) + static_cast<std::size_t>(sx) * bytes, static_cast<std::size_t>(bytes));
        }
    }
    return TRUE;
}
