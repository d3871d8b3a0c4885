// Writing a frame back in GIF89a form, and painting it.
#include "gif/GifFrame.h"

#include "companions/kromo/PKromo.h"

#include "gif/core/Blocks.h"
#include "gif/core/Lzw.h"
#include "gif/core/RowPacking.h"

#include <algorithm>
#include <cmath>

namespace {

class ArchiveBytes final : public email32::gif::core::ByteSink {
public:
    explicit ArchiveBytes(CArchive& archive) : m_archive(archive) {}
    void Write(const std::uint8_t* bytes, std::size_t count) override {
        m_archive.Write(bytes, static_cast<UINT>(count));
    }

private:
    CArchive& m_archive;
};

void WriteByte(CArchive& archive, BYTE value) { archive.Write(&value, 1); }

}  // namespace

void CGifFrame::Serialize(CArchive& archive) {
    if (!archive.IsStoring()) return;
    if (m_hasGraphicControl) {
        std::array<BYTE, 7> record = m_graphicControl;
        const unsigned delay = static_cast<unsigned>(record[3] | (record[4] << 8));
        const auto scaled =
            static_cast<unsigned>(static_cast<long>(std::trunc(static_cast<double>(delay) * m_fDelayScale)));
        record[3] = static_cast<BYTE>(scaled & 0xFF);
        record[4] = static_cast<BYTE>((scaled >> 8) & 0xFF);
        WriteByte(archive, email32::gif::core::kExtensionIntroducer);
        archive.Write(record.data(), static_cast<UINT>(record.size()));
    }
    if (m_hasDescriptor) {
        PrepareIndexedImage();
        WriteByte(archive, email32::gif::core::kImageSeparator);
        archive.Write(m_descriptor.data(), static_cast<UINT>(m_descriptor.size()));
        if ((m_descriptor[8] & email32::gif::core::kColourTableFlag) && !m_localTable.empty())
            archive.Write(m_localTable.data(), static_cast<UINT>(m_localTable.size()));
        EncodeImage(archive);
    }
    if (m_hasPlainText) {
        WriteByte(archive, email32::gif::core::kExtensionIntroducer);
        archive.Write(m_plainText.data(), static_cast<UINT>(m_plainText.size()));
        email32::gif::core::WriteTextSubBlocks(m_plainTextString, [&](const std::uint8_t* bytes, std::size_t count) {
            archive.Write(bytes, static_cast<UINT>(count));
        });
        WriteByte(archive, 0);
    }
}

void CGifFrame::PrepareIndexedImage() {
    const bool matches = m_pIndexed && !m_pIndexed->IsEmpty() && m_pTrueColor &&
                         m_pIndexed->GetImageWidth() == m_pTrueColor->GetImageWidth() &&
                         m_pIndexed->GetImageHeight() == m_pTrueColor->GetImageHeight();
    CPalette* palette = m_pLocalPalette ? m_pLocalPalette.get() : m_pGlobalPalette;
    if (!matches && m_pTrueColor && !m_pTrueColor->IsEmpty() && palette && palette->GetSafeHandle()) {
        // The indexed image keeps its type; an emptied one has none left, and
        // then, as without an indexed image, the palette's size chooses.
        int type = m_pIndexed ? m_pIndexed->GetImageType() : kPixoUnsupported;
        if (type != kPixoBlackWhite && type != kPixoIndexed16 && type != kPixoIndexed256) {
            const int entries = palette->GetEntryCount();
            type = entries <= 2 ? kPixoBlackWhite : entries <= 16 ? kPixoIndexed16 : kPixoIndexed256;
        }
        if (!m_pIndexed) m_pIndexed = std::make_unique<PPixo>();
        m_pIndexed->DeleteImage(1);
        if (m_pIndexed->CreateImage(type, m_pTrueColor->GetImageWidth(), m_pTrueColor->GetImageHeight(), 0, nullptr, 0,
                                    0, 15, 0, 0)) {
            m_pIndexed->SetPalette(static_cast<HPALETTE>(palette->GetSafeHandle()), 0);
            PKromo agent;
            const PKromoMethod method{7, 0, 4};
            if (agent.BuildAgent(m_pIndexed.get(), m_pTrueColor.get(), method))
                agent.ConvertImg(nullptr, nullptr, nullptr, 0, 100);
        }
    }
    m_descriptor[8] = static_cast<BYTE>(m_descriptor[8] & ~email32::gif::core::kColourTableFlag);
    if (m_pLocalPalette && m_pLocalPalette->GetSafeHandle()) {
        PALETTEENTRY entries[256];
        const UINT count = m_pLocalPalette->GetPaletteEntries(0, 256, entries);
        m_descriptor[8] = static_cast<BYTE>(m_descriptor[8] | email32::gif::core::kColourTableFlag);
        m_nLocalCount = static_cast<WORD>(count);
        m_localTable.clear();
        for (UINT i = 0; i < count; ++i) {
            m_localTable.push_back(entries[i].peRed);
            m_localTable.push_back(entries[i].peGreen);
            m_localTable.push_back(entries[i].peBlue);
        }
        // The descriptor's size bits say how many entries the file holds.
        m_localTable.resize(3u * static_cast<unsigned>(email32::gif::core::ColourCount(m_descriptor[8])), 0);
    }
}

const BYTE* CGifFrame::GetRow(int k, std::vector<BYTE>& scratch, std::vector<BYTE>& out) const {
    const int width = m_descriptor[4] | (m_descriptor[5] << 8);
    const int height = m_descriptor[6] | (m_descriptor[7] << 8);
    const bool interlaced = (m_descriptor[8] & email32::gif::core::kInterlaceFlag) != 0;
    const int row = email32::gif::core::ImageRowForFileOrder(k, height, interlaced);
    std::fill(scratch.begin(), scratch.end(), 0);
    if (m_pIndexed && !m_pIndexed->IsEmpty() && row < m_pIndexed->GetImageHeight() &&
        static_cast<std::size_t>(m_pIndexed->GetLineBytes()) <= scratch.size())
        m_pIndexed->GetHorLine(row, scratch.data());
    email32::gif::core::UnpackRow(scratch.data(), width, TableColours(), out.data());
    return out.data();
}

void CGifFrame::EncodeImage(CArchive& archive) {
    // An image that could not be created (a size the image library refuses)
    // has no pixels to write: the data holds only the clear and end codes,
    // however large the descriptor says the image is.
    const bool hasPixels = m_pIndexed && !m_pIndexed->IsEmpty();
    const int width = hasPixels ? m_descriptor[4] | (m_descriptor[5] << 8) : 0;
    const int height = hasPixels ? m_descriptor[6] | (m_descriptor[7] << 8) : 0;
    // Rows are unpacked from the indexed image; a size that differs from the
    // descriptor's reads as far as the image goes and pads with index 0.
    const std::size_t lineBytes = m_pIndexed ? static_cast<std::size_t>(m_pIndexed->GetLineBytes()) : 0;
    std::vector<BYTE> scratch(std::max<std::size_t>(lineBytes, static_cast<std::size_t>(width) + 4), 0);
    std::vector<BYTE> out(static_cast<std::size_t>(width) + 4, 0);

    class FrameRows final : public email32::gif::core::RowSource {
    public:
        FrameRows(const CGifFrame& frame, std::vector<BYTE>& scratch, std::vector<BYTE>& out)
            : m_frame(frame), m_scratch(scratch), m_out(out) {}
        const std::uint8_t* GetRow(int k) override { return m_frame.GetRow(k, m_scratch, m_out); }

    private:
        const CGifFrame& m_frame;
        std::vector<BYTE>& m_scratch;
        std::vector<BYTE>& m_out;
    } rows(*this, scratch, out);

    // A code size the decoder would refuse cannot be written back; 2...8
    // covers every colour count.
    int minCodeSize = m_nMinCodeSize;
    if (minCodeSize < 2 || minCodeSize > 8)
        minCodeSize = std::max(2, email32::gif::core::BitsForColourCount(TableColours()));
    ArchiveBytes sink(archive);
    email32::gif::core::EncodeLzw(minCodeSize, width, height, rows, sink);
}

void CGifFrame::Draw(CDC* pDC, CRect rect, CPalette* palette, int displayBits) {
    if (pDC == nullptr || pDC->GetSafeHdc() == nullptr || !m_hasDescriptor || !m_pTrueColor || m_pTrueColor->IsEmpty())
        return;
    const LONG left = m_descriptor[0] | (m_descriptor[1] << 8);
    const LONG top = m_descriptor[2] | (m_descriptor[3] << 8);
    CRect r = rect;
    r.OffsetRect(left, top);
    r.right = std::min(r.right, rect.right);
    r.bottom = std::min(r.bottom, rect.bottom);
    HDC dc = pDC->GetSafeHdc();
    HPALETTE previous = nullptr;
    const bool withPalette = displayBits <= 8 && palette != nullptr && palette->GetSafeHandle();
    if (withPalette) {
        previous = ::SelectPalette(dc, static_cast<HPALETTE>(palette->GetSafeHandle()), TRUE);
        ::RealizePalette(dc);
    }
    m_pTrueColor->ShowImage(dc, &r, 1, nullptr);
    if (withPalette) {
        ::SelectPalette(dc, previous, TRUE);
        ::RealizePalette(dc);
    }
}
