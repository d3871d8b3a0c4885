// "Pixo": the image object. A device-independent bitmap held top-down (line
// 0 is the top row), rows padded to 4 bytes, with its colour table.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Image-type codes.
enum PixoImageType : int {
    kPixoBlackWhite = 0,  // 1 bit, 2-entry table
    kPixoTrueColor = 1,   // 24 bits, blue-green-red
    kPixoIndexed16 = 2,   // 4 bits, 16-entry table
    kPixoIndexed256 = 3,  // 8 bits, 256-entry table
    kPixoGray16 = 4,      // 4 bits, grey ramp of 16 levels
    kPixoGray256 = 5,     // 8 bits, grey ramp of 256 levels
    kPixoRgb555 = 8,      // 16 bits, x-5-5-5
    kPixoRgb565 = 9,      // 16 bits, 5-6-5
    kPixoBgrx32 = 10,     // 32 bits, blue-green-red-unused
    kPixoUnsupported = 11,
};

// Where an image's pixels lie, for the file library to read into or write
// from: a pointer and two 32-bit numbers, 12 bytes on the 32-bit platform
// and 16 on the 64-bit one.
struct PixoLmmInfo {
    BYTE* bits;      // line 0; the layout description lies at bits + GetLmmOffset()
    LONG lineBytes;  // bytes per line, padding included
    LONG height;     // number of lines
};

class PPixo {
public:
    // Pictures whose pixel memory would exceed this are refused.
    static constexpr std::size_t kMaxPixelBytes = 256u * 1024u * 1024u;

    PPixo() = default;
    PPixo(const PPixo&) = delete;
    PPixo& operator=(const PPixo&) = delete;
    virtual ~PPixo();

    // An empty picture of the type and size. colourTable (may be null) gives
    // the first `colours` entries of an indexed table; the rest get the
    // type's default colours. Densities are pixels per metre. Replaces any
    // picture held. flags and the reserved values are accepted and unused.
    BOOL CreateImage(int type, int width, int height, int colours, const RGBQUAD* colourTable, int xDensity,
                     int yDensity, int flags, int reserved1, int reserved2);
    // A 24-bit copy of a GDI bitmap; palette (may be null) is used for
    // device-dependent bitmaps of 8 bits or less.
    BOOL CreateImage(HBITMAP bitmap, HPALETTE palette, int reserved1, int reserved2);

    [[nodiscard]] BOOL IsEmpty() const noexcept { return m_width == 0; }
    void DeleteImage(int mode = 1);
    BOOL CopyObject(const PPixo& other);

    [[nodiscard]] int GetImageWidth() const noexcept { return m_width; }
    [[nodiscard]] int GetImageHeight() const noexcept { return m_height; }
    [[nodiscard]] int GetImageType() const noexcept { return m_type; }
    [[nodiscard]] int GetLineBytes() const noexcept { return m_lineBytes; }
    [[nodiscard]] int GetBitsPerPixel() const noexcept { return BitsPerPixel(m_type); }
    [[nodiscard]] int GetXDensity() const noexcept { return m_xDensity; }
    [[nodiscard]] int GetYDensity() const noexcept { return m_yDensity; }

    // The type code for a bit depth (compression is ignored), or for a bitmap
    // header, which also tells 5-6-5 from 5-5-5 for 16 bits.
    static int GetImageType(int bitsPerPixel, int compression);
    static int GetImageType(const BITMAPINFOHEADER* header);
    static int BitsPerPixel(int type) noexcept;
    // Bytes per line for a width at a depth, padded to 4 bytes; 0 on overflow.
    static std::size_t LineBytesFor(int width, int bitsPerPixel) noexcept;

    // A new GDI palette of the colour table, owned by the caller; null for
    // types without a table.
    [[nodiscard]] HPALETTE GetPalette(HPALETTE* reserved) const;
    // Takes the palette's entries as the colour table. With own = 1 the image
    // takes the handle over and deletes it; with 0 the caller keeps it.
    BOOL SetPalette(HPALETTE palette, int own);
    // The default palette of a type: for 3 a 256-colour palette covering the
    // colour space evenly. Owned by the caller.
    static HPALETTE CreateLogicalPalette(int type);
    // A new GDI palette of up to 256 table entries (flags 0), owned by the
    // caller; null for an empty or larger table.
    static HPALETTE PaletteOfTable(const std::vector<RGBQUAD>& table);

    [[nodiscard]] const std::vector<RGBQUAD>& ColourTable() const noexcept { return m_colours; }
    void SetColourTable(const RGBQUAD* colours, int count);

    // One line at the image's own depth, GetLineBytes() bytes.
    BOOL GetHorLine(int line, BYTE* buffer) const;
    BOOL PutHorLine(int line, const BYTE* buffer);
    // Pixels x0 to x1 (inclusive) of a line as blue-green-red triples.
    BOOL Get24bitHorLine(int x0, int x1, int line, BYTE* buffer, void* reserved) const;

    // Scales source into this image, which was created at the new size.
    BOOL RescaleImage(const PPixo& source, void* progress, int reserved, int quality);
    // Makes this image the source turned as an Exif orientation (1 to 8)
    // says it is to be shown: 6 a quarter clockwise, 8 anticlockwise, 3 half
    // round, 2, 4, 5 and 7 mirrored. Pictures of 8 bits or more.
    BOOL TurnImage(const PPixo& source, int orientation);
    // Converts the picture to type 1 in place.
    BOOL ConvertTo24bit(void* progress, int reserved, int quality);
    // Draws the picture stretched into the rectangle.
    BOOL ShowImage(HDC dc, const RECT* rect, int mode, void* reserved) const;

    // Fills the record and refreshes the layout description (PixoLmm.h) that
    // lies GetLmmOffset() bytes from line 0.
    BOOL GetLmmInfo(PixoLmmInfo* record) const;
    [[nodiscard]] int GetLmmOffset() const noexcept { return -kLayoutBytes; }

    // A type 3 or 2 picture whose colour table is exactly the grey ramp of its
    // depth becomes type 5 or 4 (same pixels); true when it changed.
    bool AdoptGreyRamp() noexcept;

    // Direct access to a line for the companion libraries' fast paths.
    [[nodiscard]] BYTE* Line(int line) noexcept {
        return m_bits.data() + kLayoutBytes + static_cast<std::size_t>(line) * m_lineBytes;
    }
    [[nodiscard]] const BYTE* Line(int line) const noexcept {
        return m_bits.data() + kLayoutBytes + static_cast<std::size_t>(line) * m_lineBytes;
    }

private:
    // Bytes of the layout description before line 0 (sizeof(PixoLmmLayout)).
    static constexpr int kLayoutBytes = 40 + 256 * 4;

    int m_type = kPixoUnsupported;
    int m_width = 0;
    int m_height = 0;
    int m_lineBytes = 0;
    int m_xDensity = 0;
    int m_yDensity = 0;
    std::vector<BYTE> m_bits;  // layout description, then the lines
    std::vector<RGBQUAD> m_colours;
};

static_assert(sizeof(PixoLmmInfo) == sizeof(BYTE*) + 8,
              "the file library's pixel-memory record is a pointer and two LONGs");
