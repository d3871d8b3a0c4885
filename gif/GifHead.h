// The head of a GIF file: signature, logical screen descriptor and global
// colour table.
#pragma once

#include "public/framework/Gdi.h"
#include "gif/GifBlock.h"

#include <array>
#include <memory>
#include <vector>

class CGifHead : public CGifBlock {
    DECLARE_SERIAL(CGifHead)
public:
    CGifHead() noexcept { m_nKind = kHead; }
    ~CGifHead() override { CGifHead::Clear(); }

    void Serialize(CArchive& archive) override;
    void Clear() override;
    std::size_t Read(const BYTE* p, std::size_t available) override;
    // Fills the rectangle with the background colour (black without one).
    virtual void DrawBackground(CDC* pDC, CRect rect);

    // The 13-byte header record, null when empty; borrowed by frames.
    [[nodiscard]] const BYTE* HeaderRecord() const noexcept { return m_hasHeader ? m_header.data() : nullptr; }
    [[nodiscard]] CPalette* GlobalPalette() const noexcept { return m_pGlobalPalette.get(); }
    [[nodiscard]] WORD ColourCount() const noexcept { return m_nColourCount; }
    [[nodiscard]] const std::vector<BYTE>& ColourTable() const noexcept { return m_colourTable; }

private:
    void TakeColourTable();

    std::array<BYTE, 13> m_header{};
    bool m_hasHeader = false;
    std::unique_ptr<CPalette> m_pGlobalPalette;
    std::vector<BYTE> m_colourTable;  // red, green, blue per entry
    WORD m_nColourCount = 0;
};
