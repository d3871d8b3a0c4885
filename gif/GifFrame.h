// One picture of a GIF file: its graphic control extension, image
// descriptor, local colour table and LZW image data, and a plain-text
// extension if one is attached. Reading an image decodes it at once into an
// indexed image and a true-colour copy.
#pragma once

#include "companions/pixo/PPixo.h"
#include "public/framework/Gdi.h"
#include "gif/GifBlock.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class CGifFrame : public CGifBlock {
    DECLARE_SERIAL(CGifFrame)
public:
    CGifFrame() noexcept { m_nKind = kFrame; }
    ~CGifFrame() override { CGifFrame::Clear(); }

    // Store mode writes the frame in GIF89a form; load mode does nothing.
    void Serialize(CArchive& archive) override;
    void Clear() override;
    // At 0xF9 (graphic control), 0x2C (image) or 0x01 (plain text); any
    // other first byte reads nothing.
    std::size_t Read(const BYTE* p, std::size_t available) override;
    // Paints the true-colour image at the descriptor's offset in `rect`,
    // through `palette` (the module's, which the caller owns) when the
    // display shows `displayBits` of 8 or fewer.
    virtual void Draw(CDC* pDC, CRect rect, CPalette* palette, int displayBits);

    // The head's header record and global palette, borrowed.
    void SetHead(const BYTE* headerRecord, CPalette* globalPalette) noexcept {
        m_pHeadRecord = headerRecord;
        m_pGlobalPalette = globalPalette;
    }

    [[nodiscard]] CPalette* GlobalPalette() const noexcept { return m_pGlobalPalette; }
    [[nodiscard]] BOOL HasImage() const noexcept { return m_hasDescriptor && m_pTrueColor != nullptr; }
    BOOL GetTransparentColor(COLORREF* pColor) const;

    [[nodiscard]] PPixo* TrueColorImage() const noexcept { return m_pTrueColor.get(); }
    [[nodiscard]] PPixo* IndexedImage() const noexcept { return m_pIndexed.get(); }
    [[nodiscard]] COLORREF KeyColor() const noexcept { return m_keyColor; }
    [[nodiscard]] const std::string* PlainText() const noexcept {
        return m_hasPlainText ? &m_plainTextString : nullptr;
    }
    [[nodiscard]] int BitsPerPixel() const noexcept { return m_nBitsPerPixel; }

    // Multiplied into the delay when the graphic control record is written.
    float m_fDelayScale = 1.0f;

private:
    std::size_t ReadGraphicControl(const BYTE* p, std::size_t available);
    std::size_t ReadPlainText(const BYTE* p, std::size_t available);
    std::size_t ReadImage(const BYTE* p, std::size_t available);
    std::size_t DecodeImage(const BYTE* data, std::size_t available);

    void PrepareIndexedImage();
    void EncodeImage(CArchive& archive);
    // The k-th row in file order, one byte per pixel.
    const BYTE* GetRow(int k, std::vector<BYTE>& scratch, std::vector<BYTE>& out) const;
    [[nodiscard]] int TableColours() const noexcept;
    [[nodiscard]] CPalette* PaletteInUse() const noexcept;

    const BYTE* m_pHeadRecord = nullptr;
    CPalette* m_pGlobalPalette = nullptr;
    std::unique_ptr<PPixo> m_pTrueColor;
    COLORREF m_keyColor = 0;
    std::unique_ptr<PPixo> m_pIndexed;
    std::array<BYTE, 9> m_descriptor{};
    bool m_hasDescriptor = false;
    std::array<BYTE, 7> m_graphicControl{};
    bool m_hasGraphicControl = false;
    std::vector<BYTE> m_localTable;
    WORD m_nLocalCount = 0;
    std::unique_ptr<CPalette> m_pLocalPalette;
    BYTE m_nMinCodeSize = 0;
    std::array<BYTE, 14> m_plainText{};
    bool m_hasPlainText = false;
    std::string m_plainTextString;
    WORD m_nRowStride = 0;
    BYTE m_nBitsPerPixel = 0;
};
