// Reading a frame: graphic control, plain text, and images decoded at once.
#include "gif/GifFrame.h"

#include "gif/core/Blocks.h"
#include "gif/core/Lzw.h"
#include "gif/core/RowPacking.h"
#include "public/Utility.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_SERIAL(CGifFrame, CObject, 1)

namespace {

// Packs each decoded row to the image's depth and stores it.
class IndexedRows final : public email32::gif::core::RowSink {
public:
    IndexedRows(PPixo& image, int width, int bits, int stride)
        : m_image(image),
          m_width(width),
          m_bits(bits),
          m_stride(stride),
          m_row(static_cast<std::size_t>(std::max(width, stride)) + 4, 0) {}

    void PutRow(int row, const std::uint8_t* pixels) override {
        std::memcpy(m_row.data(), pixels, static_cast<std::size_t>(m_width));
        email32::gif::core::PackRow(m_row.data(), m_width, m_bits, m_stride);
        if (!m_image.IsEmpty()) m_image.PutHorLine(row, m_row.data());
    }

private:
    PPixo& m_image;
    int m_width;
    int m_bits;
    int m_stride;
    std::vector<std::uint8_t> m_row;
};

int ImageTypeForBits(int bits) { return bits == 1 ? kPixoBlackWhite : bits == 4 ? kPixoIndexed16 : kPixoIndexed256; }

}  // namespace

void CGifFrame::Clear() {
    m_hasGraphicControl = false;
    m_graphicControl.fill(0);
    m_hasDescriptor = false;
    m_descriptor.fill(0);
    m_hasPlainText = false;
    m_plainText.fill(0);
    m_plainTextString.clear();
    m_localTable.clear();
    m_nLocalCount = 0;
    m_pLocalPalette.reset();
    m_pIndexed.reset();
    m_pTrueColor.reset();
    m_nMinCodeSize = 0;
    m_pHeadRecord = nullptr;
    m_pGlobalPalette = nullptr;
}

std::size_t CGifFrame::Read(const BYTE* p, std::size_t available) {
    if (available == 0) return email32::gif::core::kCutOff;
    switch (p[0]) {
    case email32::gif::core::kGraphicControlLabel: return ReadGraphicControl(p, available);
    case email32::gif::core::kPlainTextLabel: return ReadPlainText(p, available);
    case email32::gif::core::kImageSeparator: return ReadImage(p, available);
    default: return 0;
    }
}

std::size_t CGifFrame::ReadGraphicControl(const BYTE* p, std::size_t available) {
    Clear();
    if (available < email32::gif::core::kGraphicControlBytes) return email32::gif::core::kCutOff;
    std::memcpy(m_graphicControl.data(), p, m_graphicControl.size());
    m_hasGraphicControl = true;
    return email32::gif::core::kGraphicControlBytes;
}

std::size_t CGifFrame::ReadPlainText(const BYTE* p, std::size_t available) {
    m_hasPlainText = false;
    m_plainText.fill(0);
    m_plainTextString.clear();
    if (available < email32::gif::core::kPlainTextHeaderBytes) return email32::gif::core::kCutOff;
    std::string text;
    const std::size_t chain = email32::gif::core::ReadTextChain(
        email32::gif::core::ByteView{p + email32::gif::core::kPlainTextHeaderBytes,
                                     available - email32::gif::core::kPlainTextHeaderBytes},
        &text);
    if (chain == email32::gif::core::kCutOff) return chain;
    std::memcpy(m_plainText.data(), p, m_plainText.size());
    m_plainTextString = text.c_str();
    m_hasPlainText = true;
    return email32::gif::core::kPlainTextHeaderBytes + chain;
}

std::size_t CGifFrame::ReadImage(const BYTE* p, std::size_t available) {
    const email32::gif::core::ByteView view{p, available};
    const std::size_t headerBytes = email32::gif::core::ImageHeaderBytes(view);
    if (headerBytes == email32::gif::core::kCutOff) return headerBytes;
    std::memcpy(m_descriptor.data(), p + 1, m_descriptor.size());
    m_hasDescriptor = true;
    std::size_t position = 1 + email32::gif::core::kDescriptorBytes;
    const BYTE packed = m_descriptor[8];
    if (packed & email32::gif::core::kColourTableFlag) {
        m_nLocalCount = static_cast<WORD>(email32::gif::core::ColourCount(packed));
        m_localTable.assign(p + position, p + headerBytes);
        m_pLocalPalette.reset(CUtility::BuildPalette(m_localTable.data(), m_nLocalCount));
        position = headerBytes;
    }

    const int width = view.U16At(5);
    const int height = view.U16At(7);
    m_nBitsPerPixel = static_cast<BYTE>(email32::gif::core::BitsForColourCount(TableColours()));
    m_nRowStride = static_cast<WORD>(email32::gif::core::RowStride(width, m_nBitsPerPixel));
    if (m_pIndexed) {
        m_pIndexed->DeleteImage(1);
    } else {
        m_pIndexed = std::make_unique<PPixo>();
    }
    // A size the image library refuses leaves an empty image; the data is
    // still decoded, so that the parse goes on behind it.
    (void)m_pIndexed->CreateImage(ImageTypeForBits(m_nBitsPerPixel), width, height, 0, nullptr, 0, 0, 15, 0, 0);

    const std::size_t consumed = DecodeImage(p + position, available - position);
    position += consumed;

    CPalette* palette = PaletteInUse();
    if (palette != nullptr && palette->GetSafeHandle() != nullptr)
        m_pIndexed->SetPalette(static_cast<HPALETTE>(palette->GetSafeHandle()), 0);

    if (m_pTrueColor) {
        m_pTrueColor->DeleteImage(1);
    } else {
        m_pTrueColor = std::make_unique<PPixo>();
    }
    if (!m_pIndexed->IsEmpty()) CUtility::TransToTrueClr(m_pTrueColor.get(), m_pIndexed.get());

    if (!GetTransparentColor(&m_keyColor)) {
        CPalette* first = m_pLocalPalette ? m_pLocalPalette.get() : m_pGlobalPalette;
        PALETTEENTRY entry{};
        // Frames without any palette take black as their key colour.
        m_keyColor = (first && first->GetPaletteEntries(0, 1, &entry) == 1)
                         ? RGB(entry.peRed, entry.peGreen, entry.peBlue)
                         : RGB(0, 0, 0);
    }
    return position;
}

std::size_t CGifFrame::DecodeImage(const BYTE* data, std::size_t available) {
    if (!m_hasDescriptor || m_pHeadRecord == nullptr) return 0;
    const email32::gif::core::ByteView view{data, available};
    if (available == 0) return email32::gif::core::kCutOff;
    m_nMinCodeSize = data[0];
    const int width = m_descriptor[4] | (m_descriptor[5] << 8);
    const int height = m_descriptor[6] | (m_descriptor[7] << 8);
    IndexedRows rows(*m_pIndexed, width, m_nBitsPerPixel, m_nRowStride);
    const bool interlaced = (m_descriptor[8] & email32::gif::core::kInterlaceFlag) != 0;
    return email32::gif::core::DecodeLzw(view, width, height, interlaced, rows).consumed;
}

int CGifFrame::TableColours() const noexcept {
    if (m_descriptor[8] & email32::gif::core::kColourTableFlag) return email32::gif::core::ColourCount(m_descriptor[8]);
    if (m_pHeadRecord && (m_pHeadRecord[10] & email32::gif::core::kColourTableFlag))
        return email32::gif::core::ColourCount(m_pHeadRecord[10]);
    return 0;
}

CPalette* CGifFrame::PaletteInUse() const noexcept {
    if (m_descriptor[8] & email32::gif::core::kColourTableFlag) return m_pLocalPalette.get();
    if (m_pHeadRecord && (m_pHeadRecord[10] & email32::gif::core::kColourTableFlag)) return m_pGlobalPalette;
    return nullptr;
}

BOOL CGifFrame::GetTransparentColor(COLORREF* pColor) const {
    if (pColor == nullptr || !m_hasGraphicControl || (m_graphicControl[2] & email32::gif::core::kTransparentFlag) == 0)
        return FALSE;
    CPalette* palette = m_pLocalPalette ? m_pLocalPalette.get() : m_pGlobalPalette;
    PALETTEENTRY entry{};
    if (palette == nullptr || palette->GetPaletteEntries(m_graphicControl[5], 1, &entry) != 1) return FALSE;
    *pColor = RGB(entry.peRed, entry.peGreen, entry.peBlue);
    return TRUE;
}
