#include "companions/rasio/Rasio32.h"

#include "companions/pixo/PixoLmm.h"
#include "companions/pixo/PixoRows.h"
#include "companions/rasio/RasioOwnFormats.h"
#include "companions/rasio/RasioSniff.h"
#include "companions/rasio/RasioWic.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>

using namespace rasio;

namespace {

// Files read whole by the own readers are refused above this size.
constexpr std::size_t kMaxOwnFileBytes = PPixo::kMaxPixelBytes + (1u << 20);
// Enough of a file to find its size in the header.
constexpr std::size_t kSniffBytes = 256 * 1024;

// Whether the size the file's header claims is one we may decode at all.
bool ClaimOk(const char* path, Format format) {
    std::vector<BYTE> head;
    long long width = 0, height = 0;
    if (!ReadFilePrefix(path, kSniffBytes, head)) return false;
    if (!ClaimedSize(head, format, width, height)) return true;   // the decoder decides
    return width <= 0x7FFFFFFF && height <= 0x7FFFFFFF &&
           WithinLimit(static_cast<int>(width), static_cast<int>(height), 24);
}

// Loading a file asks for its header, its palette and its pixels in turn;
// the analysis of the last file is kept while the file stays unchanged.
class InfoCache {
public:
    bool Find(const char* path, Format& format, PictureInfo& info) {
        std::lock_guard<std::mutex> lock(m_mutex);
        WIN32_FILE_ATTRIBUTE_DATA stamp{};
        if (!m_valid || m_path != path || !::GetFileAttributesExA(path, GetFileExInfoStandard, &stamp) ||
            std::memcmp(&stamp, &m_stamp, sizeof stamp) != 0) {
            return false;
        }
        format = m_format;
        info = m_info;
        return true;
    }
    void Keep(const char* path, Format format, const PictureInfo& info) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_valid = ::GetFileAttributesExA(path, GetFileExInfoStandard, &m_stamp) != 0;
        m_path = path;
        m_format = format;
        m_info = info;
    }

private:
    std::mutex m_mutex;
    bool m_valid = false;
    std::string m_path;
    WIN32_FILE_ATTRIBUTE_DATA m_stamp{};
    Format m_format = Format::Unknown;
    PictureInfo m_info;
};

InfoCache& Cache() {
    static InfoCache cache;
    return cache;
}

bool AnalyseFile(const char* path, Format& format, PictureInfo& info) {
    format = DetectFormat(path);
    switch (format) {
    case Format::Pcx:
    case Format::Tga:
    case Format::BmpRle: {
        std::vector<BYTE> file;
        if (!ReadWholeFile(path, kMaxOwnFileBytes, file)) return false;
        if (format == Format::Pcx) return pcx::ReadInfo(file, info);
        return format == Format::Tga ? tga::ReadInfo(file, info) : bmp::ReadRleInfo(file, info);
    }
    case Format::Bmp:
    case Format::Gif:
    case Format::Jpeg:
    case Format::Png:
    case Format::Tiff:
        return ClaimOk(path, format) && wic::ReadInfo(path, info);
    default:
        return false;
    }
}

bool ReadInfo(const char* path, Format& format, PictureInfo& info) {
    if (path == nullptr || *path == '\0') return false;
    try {
        if (Cache().Find(path, format, info)) return true;
        if (!AnalyseFile(path, format, info)) return false;
        Cache().Keep(path, format, info);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

int TypeOfLayout(const PixoLmmLayout& layout) {
    const BITMAPINFOHEADER& h = layout.header;
    const std::size_t used = h.biClrUsed;
    switch (h.biBitCount) {
    case 1: return kPixoBlackWhite;
    case 4: return pixo::IsGreyRamp(layout.colours, used, 16) ? kPixoGray16 : kPixoIndexed16;
    case 8: return pixo::IsGreyRamp(layout.colours, used, 256) ? kPixoGray256 : kPixoIndexed256;
    case 16: {
        DWORD masks[3];
        std::memcpy(masks, layout.colours, sizeof masks);
        return h.biCompression == BI_BITFIELDS && masks[1] == 0x07E0 ? kPixoRgb565 : kPixoRgb555;
    }
    case 24: return kPixoTrueColor;
    case 32: return kPixoBgrx32;
    default: return kPixoUnsupported;
    }
}

// The image object's memory as the record and its layout description give
// it; false for records that do not describe an image object's memory.
bool CanvasOf(const PixoLmmInfo* record, int offset, Canvas& canvas) {
    if (record == nullptr || record->bits == nullptr || offset != -static_cast<int>(sizeof(PixoLmmLayout))) {
        return false;
    }
    const auto* layout = reinterpret_cast<const PixoLmmLayout*>(record->bits + offset);
    const BITMAPINFOHEADER& h = layout->header;
    if (h.biSize != sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight >= 0) return false;
    if (-h.biHeight != record->height || h.biClrUsed > 256) return false;
    const int type = TypeOfLayout(*layout);
    if (type == kPixoUnsupported) return false;
    if (PPixo::LineBytesFor(h.biWidth, h.biBitCount) != static_cast<std::size_t>(record->lineBytes)) return false;
    canvas.bits = record->bits;
    canvas.lineBytes = record->lineBytes;
    canvas.width = h.biWidth;
    canvas.height = record->height;
    canvas.type = type;
    canvas.xPixelsPerMetre = h.biXPelsPerMeter;
    canvas.yPixelsPerMetre = h.biYPelsPerMeter;
    if (h.biBitCount <= 8) canvas.colours.assign(layout->colours, layout->colours + h.biClrUsed);
    return true;
}

// Copies a picture decoded by an own reader into the image object.
bool CopyInto(Picture& picture, const Canvas& canvas) {
    const PictureInfo& info = picture.info;
    if (info.width != canvas.width || info.height != canvas.height || info.bits != canvas.Bits()) return false;
    const std::size_t bytes = PPixo::LineBytesFor(info.width, info.bits);
    for (int y = 0; y < info.height; ++y) {
        BYTE* out = canvas.Line(y);
        std::memcpy(out, picture.Line(y), bytes);
        if (canvas.type == kPixoRgb565) {
            // The readers give 5-5-5; widen green for a 5-6-5 object.
            for (int x = 0; x < info.width; ++x) {
                const unsigned v = out[x * 2] | (out[x * 2 + 1] << 8);
                const unsigned g = (v >> 5) & 31;
                const unsigned w = ((v & 0x7C00) << 1) | (((g << 1) | (g >> 4)) << 5) | (v & 31);
                out[x * 2] = BYTE(w & 0xFF);
                out[x * 2 + 1] = BYTE(w >> 8);
            }
        }
    }
    return true;
}

}  // namespace

BOOL RasioReadHeader(const char* path, BITMAPINFOHEADER* header) {
    if (header == nullptr) return FALSE;
    Format format;
    PictureInfo info;
    if (!ReadInfo(path, format, info)) return FALSE;
    *header = BITMAPINFOHEADER{};
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = info.width;
    header->biHeight = info.height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(info.bits);
    header->biCompression = info.rgb565 ? BI_BITFIELDS : BI_RGB;
    header->biSizeImage =
        static_cast<DWORD>(PPixo::LineBytesFor(info.width, info.bits) * static_cast<std::size_t>(info.height));
    header->biXPelsPerMeter = info.xPixelsPerMetre;
    header->biYPelsPerMeter = info.yPixelsPerMetre;
    header->biClrUsed = static_cast<DWORD>(info.palette.size());
    return TRUE;
}

BOOL RasioReadBitFields(const char* path, DWORD masks[3]) {
    if (masks == nullptr) return FALSE;
    Format format;
    PictureInfo info;
    if (!ReadInfo(path, format, info) || info.bits != 16) return FALSE;
    masks[0] = info.rgb565 ? 0xF800 : 0x7C00;
    masks[1] = info.rgb565 ? 0x07E0 : 0x03E0;
    masks[2] = 0x001F;
    return TRUE;
}

HPALETTE RasioReadPalette(const char* path) {
    Format format;
    PictureInfo info;
    if (!ReadInfo(path, format, info) || info.palette.empty()) return nullptr;
    std::vector<BYTE> buffer(sizeof(LOGPALETTE) + info.palette.size() * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(info.palette.size());
    for (std::size_t i = 0; i < info.palette.size(); ++i) {
        const RGBQUAD& c = info.palette[i];
        logical->palPalEntry[i] = {c.rgbRed, c.rgbGreen, c.rgbBlue, 0};
    }
    return ::CreatePalette(logical);
}

BOOL RasioReadDIBImg(const char* path, const PixoLmmInfo* record, int offset, int /*reserved*/) {
    Canvas canvas;
    if (path == nullptr || !CanvasOf(record, offset, canvas)) return FALSE;
    try {
        const Format format = DetectFormat(path);
        switch (format) {
        case Format::Pcx:
        case Format::Tga:
        case Format::BmpRle: {
            std::vector<BYTE> file;
            if (!ReadWholeFile(path, kMaxOwnFileBytes, file)) return FALSE;
            Picture picture;
            const bool decoded = format == Format::Pcx   ? pcx::Decode(file, picture)
                                 : format == Format::Tga ? tga::Decode(file, picture)
                                                         : bmp::DecodeRle(file, picture);
            return decoded && CopyInto(picture, canvas) ? TRUE : FALSE;
        }
        case Format::Bmp:
        case Format::Gif:
        case Format::Jpeg:
        case Format::Png:
        case Format::Tiff: {
            return ClaimOk(path, DetectFormat(path)) && wic::ReadPixels(path, canvas) ? TRUE : FALSE;
        }
        default:
            return FALSE;
        }
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL RasioSaveDIBImg(const char* path, const PixoLmmInfo* record, int offset, int /*reserved*/) {
    Canvas canvas;
    if (path == nullptr || *path == '\0' || !CanvasOf(record, offset, canvas)) return FALSE;
    try {
        const Format format = FormatForExtension(path);
        std::vector<BYTE> bytes;
        switch (format) {
        case Format::Bmp:
            return bmp::Encode(canvas, bytes) && ReplaceFile(path, bytes) ? TRUE : FALSE;
        case Format::Pcx:
            return pcx::Encode(canvas, bytes) && ReplaceFile(path, bytes) ? TRUE : FALSE;
        case Format::Tga:
            return tga::Encode(canvas, bytes) && ReplaceFile(path, bytes) ? TRUE : FALSE;
        case Format::Jpeg:
            return jpeg::Encode(canvas, jpeg::kDefaultQuality, bytes) && ReplaceFile(path, bytes) ? TRUE : FALSE;
        case Format::Gif:
        case Format::Png:
        case Format::Tiff:
            return wic::Write(path, format, canvas) ? TRUE : FALSE;
        default:
            return FALSE;
        }
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}
