#include "gif/GifHead.h"

#include "base/Win32Handles.h"
#include "gif/core/Blocks.h"
#include "public/Utility.h"

#include <cstring>

IMPLEMENT_SERIAL(CGifHead, CObject, 1)

void CGifHead::Clear() {
    m_hasHeader = false;
    m_header.fill(0);
    m_pGlobalPalette.reset();
    m_colourTable.clear();
    m_nColourCount = 0;
}

void CGifHead::TakeColourTable() {
    m_pGlobalPalette.reset(CUtility::BuildPalette(m_colourTable.data(), m_nColourCount));
}

std::size_t CGifHead::Read(const BYTE* p, std::size_t available) {
    Clear();
    const email32::gif::core::ByteView view{p, available};
    const std::size_t bytes = email32::gif::core::HeadBytes(view);
    if (bytes == 0 || bytes > available) return email32::gif::core::kCutOff;
    std::memcpy(m_header.data(), p, m_header.size());
    m_hasHeader = true;
    if (bytes == email32::gif::core::kHeaderBytes) return bytes;
    m_nColourCount = static_cast<WORD>(email32::gif::core::ColourCount(m_header[10]));
    m_colourTable.assign(p + email32::gif::core::kHeaderBytes, p + bytes);
    TakeColourTable();
    return bytes;
}

void CGifHead::Serialize(CArchive& archive) {
    if (archive.IsStoring()) {
        if (!m_hasHeader) return;
        archive.Write(m_header.data(), static_cast<UINT>(m_header.size()));
        if (!m_colourTable.empty()) archive.Write(m_colourTable.data(), static_cast<UINT>(m_colourTable.size()));
        return;
    }
    Clear();
    // A file shorter than its header or table is not a GIF file.
    if (archive.Read(m_header.data(), static_cast<UINT>(m_header.size())) != m_header.size())
        throw CArchiveException(CArchiveException::endOfFile);
    m_hasHeader = true;
    if ((m_header[10] & email32::gif::core::kColourTableFlag) == 0) return;
    m_nColourCount = static_cast<WORD>(email32::gif::core::ColourCount(m_header[10]));
    m_colourTable.assign(static_cast<std::size_t>(m_nColourCount) * 3, 0);
    if (archive.Read(m_colourTable.data(), static_cast<UINT>(m_colourTable.size())) != m_colourTable.size()) {
        Clear();
        throw CArchiveException(CArchiveException::endOfFile);
    }
    TakeColourTable();
}

void CGifHead::DrawBackground(CDC* pDC, CRect rect) {
    if (pDC == nullptr || pDC->GetSafeHdc() == nullptr) return;
    COLORREF colour = RGB(0, 0, 0);
    PALETTEENTRY entry{};
    if (m_nColourCount != 0 && m_pGlobalPalette && m_pGlobalPalette->GetPaletteEntries(m_header[11], 1, &entry) == 1)
        colour = RGB(entry.peRed, entry.peGreen, entry.peBlue);
    const email32::base::AutoGdiObject brush(::CreateSolidBrush(colour));
    if (brush) ::FillRect(pDC->GetSafeHdc(), &rect, static_cast<HBRUSH>(brush.get()));
}
