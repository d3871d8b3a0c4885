#include "companions/pixo/PPixo.h"

#include "companions/pixo/PixoLmm.h"
#include "companions/pixo/PixoRows.h"

#include "base/Win32Handles.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

RGBQUAD Rgb(BYTE red, BYTE green, BYTE blue) {
    RGBQUAD q;
    q.rgbRed = red;
    q.rgbGreen = green;
    q.rgbBlue = blue;
    q.rgbReserved = 0;
    return q;
}

int TableSize(int type) {
    switch (type) {
    case kPixoBlackWhite: return 2;
    case kPixoIndexed16:
    case kPixoGray16: return 16;
    case kPixoIndexed256:
    case kPixoGray256: return 256;
    default: return 0;
    }
}

// The 16 colours of the standard VGA palette.
constexpr BYTE kVga16[16][3] = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

std::vector<RGBQUAD> DefaultTable(int type) {
    std::vector<RGBQUAD> table;
    switch (type) {
    case kPixoBlackWhite: table = {Rgb(0, 0, 0), Rgb(255, 255, 255)}; break;
    case kPixoIndexed16:
        for (const auto& c : kVga16) table.push_back(Rgb(c[0], c[1], c[2]));
        break;
    case kPixoGray16:
        for (int i = 0; i < 16; ++i) table.push_back(Rgb(BYTE(i * 17), BYTE(i * 17), BYTE(i * 17)));
        break;
    case kPixoGray256:
        for (int i = 0; i < 256; ++i) table.push_back(Rgb(BYTE(i), BYTE(i), BYTE(i)));
        break;
    case kPixoIndexed256:
        // A 6 x 7 x 6 colour cube (252 colours) and four greys between its steps.
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 7; ++g)
                for (int b = 0; b < 6; ++b) table.push_back(Rgb(BYTE(r * 51), BYTE(g * 255 / 6), BYTE(b * 51)));
        for (int i = 1; i <= 4; ++i) table.push_back(Rgb(BYTE(i * 51 - 26), BYTE(i * 51 - 26), BYTE(i * 51 - 26)));
        break;
    default: break;
    }
    return table;
}

}  // namespace

PPixo::~PPixo() = default;

int PPixo::BitsPerPixel(int type) noexcept {
    switch (type) {
    case kPixoBlackWhite: return 1;
    case kPixoTrueColor: return 24;
    case kPixoIndexed16:
    case kPixoGray16: return 4;
    case kPixoIndexed256:
    case kPixoGray256: return 8;
    case kPixoRgb555:
    case kPixoRgb565: return 16;
    case kPixoBgrx32: return 32;
    default: return 0;
    }
}

std::size_t PPixo::LineBytesFor(int width, int bitsPerPixel) noexcept {
    if (width <= 0 || bitsPerPixel <= 0) return 0;
    const unsigned long long bits = static_cast<unsigned long long>(width) * static_cast<unsigned>(bitsPerPixel);
    const unsigned long long bytes = ((bits + 31) / 32) * 4;
    return bytes > std::numeric_limits<int>::max() ? 0 : static_cast<std::size_t>(bytes);
}

int PPixo::GetImageType(int bitsPerPixel, int /*compression*/) {
    switch (bitsPerPixel) {
    case 1: return kPixoBlackWhite;
    case 4: return kPixoIndexed16;
    case 8: return kPixoIndexed256;
    case 16: return kPixoRgb555;
    case 24: return kPixoTrueColor;
    case 32: return kPixoBgrx32;
    default: return kPixoUnsupported;
    }
}

int PPixo::GetImageType(const BITMAPINFOHEADER* header) {
    if (header == nullptr) return kPixoUnsupported;
    if (header->biBitCount == 16 && header->biCompression == BI_BITFIELDS) {
        // The red, green and blue masks follow the 40-byte header.
        const DWORD* masks = reinterpret_cast<const DWORD*>(header + 1);
        return masks[1] == 0x07E0 ? kPixoRgb565 : kPixoRgb555;
    }
    return GetImageType(header->biBitCount, static_cast<int>(header->biCompression));
}

void PPixo::DeleteImage(int /*mode*/) {
    m_type = kPixoUnsupported;
    m_width = m_height = m_lineBytes = 0;
    m_xDensity = m_yDensity = 0;
    std::vector<BYTE>().swap(m_bits);
    m_colours.clear();
}

BOOL PPixo::CreateImage(int type, int width, int height, int colours, const RGBQUAD* colourTable, int xDensity,
                        int yDensity, int /*flags*/, int /*reserved1*/, int /*reserved2*/) {
    DeleteImage(1);
    const int bits = BitsPerPixel(type);
    if (bits == 0 || width <= 0 || height <= 0) return FALSE;
    const std::size_t lineBytes = LineBytesFor(width, bits);
    if (lineBytes == 0 || lineBytes > kMaxPixelBytes / static_cast<std::size_t>(height)) return FALSE;
    try {
        m_bits.assign(kLayoutBytes + lineBytes * static_cast<std::size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    m_type = type;
    m_width = width;
    m_height = height;
    m_lineBytes = static_cast<int>(lineBytes);
    m_xDensity = xDensity;
    m_yDensity = yDensity;
    m_colours = DefaultTable(type);
    if (colourTable != nullptr && colours > 0) {
        const int n = std::min<int>(colours, static_cast<int>(m_colours.size()));
        std::copy(colourTable, colourTable + n, m_colours.begin());
    }
    return TRUE;
}

BOOL PPixo::CreateImage(HBITMAP bitmap, HPALETTE palette, int /*reserved1*/, int /*reserved2*/) {
    BITMAP info = {};
    if (bitmap == nullptr || ::GetObjectA(bitmap, sizeof info, &info) == 0) return FALSE;
    if (!CreateImage(kPixoTrueColor, info.bmWidth, std::abs(info.bmHeight), 0, nullptr, 0, 0, 15, 0, 0)) {
        return FALSE;
    }
    BITMAPINFO request = {};
    request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    request.bmiHeader.biWidth = m_width;
    request.bmiHeader.biHeight = -m_height;  // top-down, as the image keeps its lines
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 24;
    request.bmiHeader.biCompression = BI_RGB;

    email32::base::WindowDc screen(nullptr);
    HPALETTE previous = palette ? ::SelectPalette(screen.get(), palette, TRUE) : nullptr;
    if (palette) ::RealizePalette(screen.get());
    const int lines =
        ::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(m_height), Line(0), &request, DIB_RGB_COLORS);
    if (previous) ::SelectPalette(screen.get(), previous, TRUE);
    if (lines != m_height) {
        DeleteImage(1);
        return FALSE;
    }
    return TRUE;
}

BOOL PPixo::CopyObject(const PPixo& other) {
    if (&other == this) return TRUE;
    try {
        m_bits = other.m_bits;
        m_colours = other.m_colours;
    } catch (const std::bad_alloc&) {
        DeleteImage(1);
        return FALSE;
    }
    m_type = other.m_type;
    m_width = other.m_width;
    m_height = other.m_height;
    m_lineBytes = other.m_lineBytes;
    m_xDensity = other.m_xDensity;
    m_yDensity = other.m_yDensity;
    return TRUE;
}

void PPixo::SetColourTable(const RGBQUAD* colours, int count) {
    const int size = TableSize(m_type);
    if (size == 0 || colours == nullptr) return;
    const int n = std::min(count, size);
    std::copy(colours, colours + n, m_colours.begin());
    // Entries the source did not give are black.
    std::fill(m_colours.begin() + std::max(n, 0), m_colours.end(), Rgb(0, 0, 0));
}

HPALETTE PPixo::PaletteOfTable(const std::vector<RGBQUAD>& table) {
    if (table.empty() || table.size() > 256) return nullptr;
    std::vector<BYTE> buffer(sizeof(LOGPALETTE) + table.size() * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        logical->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    }
    return ::CreatePalette(logical);
}

HPALETTE PPixo::GetPalette(HPALETTE* /*reserved*/) const { return PaletteOfTable(m_colours); }

BOOL PPixo::SetPalette(HPALETTE palette, int own) {
    if (palette == nullptr) return FALSE;
    PALETTEENTRY entries[256] = {};
    const UINT count = ::GetPaletteEntries(palette, 0, 256, entries);
    if (own) ::DeleteObject(palette);
    if (count == 0 || TableSize(m_type) == 0) return FALSE;
    RGBQUAD table[256];
    for (UINT i = 0; i < count; ++i) table[i] = Rgb(entries[i].peRed, entries[i].peGreen, entries[i].peBlue);
    SetColourTable(table, static_cast<int>(count));
    return TRUE;
}

HPALETTE PPixo::CreateLogicalPalette(int type) { return PaletteOfTable(DefaultTable(type)); }

BOOL PPixo::GetHorLine(int line, BYTE* buffer) const {
    if (buffer == nullptr || line < 0 || line >= m_height) return FALSE;
    std::memcpy(buffer, Line(line), static_cast<std::size_t>(m_lineBytes));
    return TRUE;
}

BOOL PPixo::PutHorLine(int line, const BYTE* buffer) {
    if (buffer == nullptr || line < 0 || line >= m_height) return FALSE;
    std::memcpy(Line(line), buffer, static_cast<std::size_t>(m_lineBytes));
    return TRUE;
}

BOOL PPixo::Get24bitHorLine(int x0, int x1, int line, BYTE* buffer, void* /*reserved*/) const {
    if (buffer == nullptr || line < 0 || line >= m_height || x0 < 0 || x1 < x0 || x1 >= m_width) return FALSE;
    if (BitsPerPixel(m_type) == 0) return FALSE;
    pixo::RowToBgr(m_type, Line(line), m_colours.data(), m_colours.size(), x0, x1, buffer);
    return TRUE;
}

BOOL PPixo::ConvertTo24bit(void* /*progress*/, int /*reserved*/, int /*quality*/) {
    if (IsEmpty()) return FALSE;
    if (m_type == kPixoTrueColor) return TRUE;
    PPixo converted;
    if (!converted.CreateImage(kPixoTrueColor, m_width, m_height, 0, nullptr, m_xDensity, m_yDensity, 15, 0, 0)) {
        return FALSE;
    }
    for (int y = 0; y < m_height; ++y) {
        if (!Get24bitHorLine(0, m_width - 1, y, converted.Line(y), nullptr)) return FALSE;
    }
    return CopyObject(converted);
}

BOOL PPixo::ShowImage(HDC dc, const RECT* rect, int /*mode*/, void* /*reserved*/) const {
    if (dc == nullptr || IsEmpty()) return FALSE;
    std::vector<BYTE> header(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + 12, 0);
    auto* info = reinterpret_cast<BITMAPINFO*>(header.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = m_width;
    info->bmiHeader.biHeight = -m_height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(GetBitsPerPixel());
    info->bmiHeader.biCompression = BI_RGB;
    if (m_type == kPixoRgb565) {
        info->bmiHeader.biCompression = BI_BITFIELDS;
        auto* masks = reinterpret_cast<DWORD*>(info->bmiColors);
        masks[0] = 0xF800;
        masks[1] = 0x07E0;
        masks[2] = 0x001F;
    } else if (!m_colours.empty()) {
        info->bmiHeader.biClrUsed = static_cast<DWORD>(m_colours.size());
        std::copy(m_colours.begin(), m_colours.end(), info->bmiColors);
    }
    RECT target = rect ? *rect : RECT{0, 0, m_width, m_height};
    const int previousMode = ::SetStretchBltMode(dc, COLORONCOLOR);
    const int lines =
        ::StretchDIBits(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, 0, 0,
                        m_width, m_height, Line(0), info, DIB_RGB_COLORS, SRCCOPY);
    ::SetStretchBltMode(dc, previousMode);
    return lines != 0 && lines != static_cast<int>(GDI_ERROR);
}

BOOL PPixo::GetLmmInfo(PixoLmmInfo* record) const {
    static_assert(sizeof(PixoLmmLayout) == kLayoutBytes, "the description fills the space before line 0");
    if (record == nullptr) return FALSE;
    if (IsEmpty()) {
        *record = PixoLmmInfo{nullptr, 0, 0};
        return FALSE;
    }
    // The vector's memory is not part of the object's constant state: the
    // description is refreshed here so that it is current whenever a record
    // is handed out.
    auto* layout = reinterpret_cast<PixoLmmLayout*>(const_cast<BYTE*>(m_bits.data()));
    *layout = PixoLmmLayout{};
    BITMAPINFOHEADER& h = layout->header;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = m_width;
    h.biHeight = -m_height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(GetBitsPerPixel());
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(m_lineBytes) * static_cast<DWORD>(m_height);
    h.biXPelsPerMeter = m_xDensity;
    h.biYPelsPerMeter = m_yDensity;
    if (m_type == kPixoRgb565) {
        h.biCompression = BI_BITFIELDS;
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(layout->colours, masks, sizeof masks);
    } else {
        h.biClrUsed = static_cast<DWORD>(m_colours.size());
        std::copy(m_colours.begin(), m_colours.end(), layout->colours);
    }
    record->bits = const_cast<BYTE*>(Line(0));
    record->lineBytes = m_lineBytes;
    record->height = m_height;
    return TRUE;
}

bool PPixo::AdoptGreyRamp() noexcept {
    if (m_type == kPixoIndexed256 && pixo::IsGreyRamp(m_colours.data(), m_colours.size(), 256)) {
        m_type = kPixoGray256;
        return true;
    }
    if (m_type == kPixoIndexed16 && pixo::IsGreyRamp(m_colours.data(), m_colours.size(), 16)) {
        m_type = kPixoGray16;
        return true;
    }
    return false;
}
