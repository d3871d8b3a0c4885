#include "imaging/LogicalPalette.h"

#include <algorithm>
#include <cstddef>

namespace email32::imaging {

HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries) {
    if (entries.size() > kMaxLogicalEntries) return nullptr;
    // The record declares one entry of its own; the buffer holds the head and
    // every entry, one spare included.
    std::vector<BYTE> buffer(offsetof(LOGPALETTE, palPalEntry) + (entries.size() + 1) * sizeof(PALETTEENTRY), 0);
    auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(entries.size());
    std::copy(entries.begin(), entries.end(), logical->palPalEntry);
    return ::CreatePalette(logical);
}

std::vector<PALETTEENTRY> ReadPaletteEntries(const CPalette& palette, UINT limit) {
    std::vector<PALETTEENTRY> entries(limit);
    const UINT count = palette.GetPaletteEntries(0, limit, entries.data());
    entries.resize(std::min(count, limit));
    return entries;
}

}  // namespace email32::imaging
