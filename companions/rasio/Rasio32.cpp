#include "companions/rasio/Rasio32.h"

#include "companions/kromo/KromoMapper.h"
#include "companions/pixo/PixoLmm.h"
#include "companions/pixo/PixoResample.h"
#include "companions/pixo/PixoRows.h"
#include "companions/rasio/RasioHeif.h"
#include "companions/rasio/RasioJpeg.h"
#include "companions/rasio/RasioOwnFormats.h"
#include "companions/rasio/RasioSniff.h"
#include "companions/rasio/RasioWebp.h"
#include "companions/rasio/RasioWic.h"
#include "companions/tagscan/core/ExifRewrite.h"
#include "companions/tagscan/core/JpegSegments.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

using namespace rasio;

namespace {

// Files read whole by the own readers are refused above this size.
constexpr std::size_t kMaxOwnFileBytes = PPixo::kMaxPixelBytes + (1u << 20);
// Enough of a file to find its size in the header.
constexpr std::size_t kSniffBytes = 256 * 1024;

// Whether the size and depth the header claims are within the limit, for the
// formats that the imaging component decodes as it opens them; other
// formats are checked once their header has been read.
bool ClaimWithinLimit(const char* path, Format format) {
    std::vector<BYTE> head;
    long long width = 0, height = 0;
    int bits = 24;
    if (!ReadFilePrefix(path, kSniffBytes, head)) return false;
    if (!ClaimedLayout(head, format, width, height, bits)) return true;  // the decoder decides
    return width <= 0x7FFFFFFF && height <= 0x7FFFFFFF &&
           WithinLimit(static_cast<int>(width), static_cast<int>(height), bits);
}

// The size the picture is decoded at for a wanted minimum size.
void DecodedSize(const RasioFile& file, int minWidth, int minHeight, int& width, int& height);

}  // namespace

struct RasioFile {
    std::string path;
    Format format = Format::Unknown;
    PictureInfo info;         // at the picture's own size
    std::vector<BYTE> bytes;  // the whole file, for the own readers and WebP
    wic::Reader platform;     // the open frame, for the imaging component's formats
    std::unique_ptr<heif::File> heif;
};

namespace {

bool Open(RasioFile& file) {
    file.format = DetectFormat(file.path.c_str());
    PictureInfo& info = file.info;
    switch (file.format) {
    case Format::Pcx:
    case Format::Tga:
    case Format::BmpRle: {
        if (!ReadWholeFile(file.path.c_str(), kMaxOwnFileBytes, file.bytes)) return false;
        if (file.format == Format::Pcx) return pcx::ReadInfo(file.bytes, info);
        return file.format == Format::Tga ? tga::ReadInfo(file.bytes, info) : bmp::ReadRleInfo(file.bytes, info);
    }
    case Format::Jpeg: {
        if (!jpeg::ReadInfo(file.path.c_str(), info)) return false;
        int width = 0, height = 0;
        DecodedSize(file, 1, 1, width, height);
        return WithinLimit(width, height, info.bits);
    }
    case Format::Webp:
        return ReadWholeFile(file.path.c_str(), kMaxOwnFileBytes, file.bytes) && webp::ReadInfo(file.bytes, info) &&
               WithinLimit(info.width, info.height, info.bits);
    case Format::Heif: {
        std::vector<BYTE> bytes;
        if (!ReadWholeFile(file.path.c_str(), kMaxOwnFileBytes, bytes)) return false;
        file.heif = heif::File::Open(std::move(bytes));
        if (!file.heif) return false;
        info = file.heif->Info();
        return WithinLimit(info.width, info.height, info.bits);
    }
    case Format::Bmp:
    case Format::Gif:
    case Format::Png:
    case Format::Tiff:
        return ClaimWithinLimit(file.path.c_str(), file.format) && file.platform.Open(file.path.c_str()) &&
               file.platform.ReadInfo(info) && WithinLimit(info.width, info.height, info.bits);
    default: return false;
    }
}

void DecodedSize(const RasioFile& file, int minWidth, int minHeight, int& width, int& height) {
    width = file.info.width;
    height = file.info.height;
    if (file.format != Format::Jpeg || minWidth <= 0 || minHeight <= 0) return;
    jpeg::ScaledSize(file.info.width, file.info.height,
                     jpeg::EighthsFor(file.info.width, file.info.height, minWidth, minHeight), width, height);
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

RasioFile* RasioOpenFile(const char* path) {
    if (path == nullptr || *path == '\0') return nullptr;
    try {
        auto file = std::make_unique<RasioFile>();
        file->path = path;
        return Open(*file) ? file.release() : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void RasioCloseFile(RasioFile* file) { delete file; }

BOOL RasioFileSize(const RasioFile* file, int* width, int* height) {
    if (file == nullptr || width == nullptr || height == nullptr) return FALSE;
    *width = file->info.width;
    *height = file->info.height;
    return TRUE;
}

BOOL RasioFileHeader(const RasioFile* file, int minWidth, int minHeight, BITMAPINFOHEADER* header) {
    if (file == nullptr || header == nullptr) return FALSE;
    const PictureInfo& info = file->info;
    int width = 0, height = 0;
    DecodedSize(*file, minWidth, minHeight, width, height);
    if (!WithinLimit(width, height, info.bits)) return FALSE;
    *header = BITMAPINFOHEADER{};
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(info.bits);
    header->biCompression = info.rgb565 ? BI_BITFIELDS : BI_RGB;
    header->biSizeImage = static_cast<DWORD>(PPixo::LineBytesFor(width, info.bits) * static_cast<std::size_t>(height));
    header->biXPelsPerMeter = info.xPixelsPerMetre;
    header->biYPelsPerMeter = info.yPixelsPerMetre;
    header->biClrUsed = static_cast<DWORD>(info.palette.size());
    return TRUE;
}

BOOL RasioFileBitFields(const RasioFile* file, DWORD masks[3]) {
    if (file == nullptr || masks == nullptr || file->info.bits != 16) return FALSE;
    masks[0] = file->info.rgb565 ? 0xF800 : 0x7C00;
    masks[1] = file->info.rgb565 ? 0x07E0 : 0x03E0;
    masks[2] = 0x001F;
    return TRUE;
}

HPALETTE RasioFilePalette(const RasioFile* file) {
    if (file == nullptr || file->info.palette.empty()) return nullptr;
    return PPixo::PaletteOfTable(file->info.palette);
}

BOOL RasioFileReadDIBImg(RasioFile* file, const PixoLmmInfo* record, int offset) {
    Canvas canvas;
    if (file == nullptr || !CanvasOf(record, offset, canvas) || canvas.Bits() != file->info.bits) return FALSE;
    const bool ownSize = canvas.width == file->info.width && canvas.height == file->info.height;
    try {
        switch (file->format) {
        case Format::Pcx:
        case Format::Tga:
        case Format::BmpRle: {
            Picture picture;
            const bool decoded = file->format == Format::Pcx   ? pcx::Decode(file->bytes, picture)
                                 : file->format == Format::Tga ? tga::Decode(file->bytes, picture)
                                                               : bmp::DecodeRle(file->bytes, picture);
            return decoded && CopyInto(picture, canvas) ? TRUE : FALSE;
        }
        case Format::Jpeg:
            // The canvas's size says at which scale to decode.
            return jpeg::Decode(file->path.c_str(), canvas) ? TRUE : FALSE;
        case Format::Bmp:
        case Format::Gif:
        case Format::Png:
        case Format::Tiff: return ownSize && file->platform.ReadPixels(canvas) ? TRUE : FALSE;
        case Format::Webp: return ownSize && webp::Decode(file->bytes, canvas) ? TRUE : FALSE;
        case Format::Heif: return ownSize && file->heif->Decode(canvas) ? TRUE : FALSE;
        default: return FALSE;
        }
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL RasioFileMetadata(const RasioFile* file, RasioMetadata* metadata) {
    if (file == nullptr || metadata == nullptr) return FALSE;
    *metadata = RasioMetadata{};
    try {
        std::vector<BYTE> exif;
        switch (file->format) {
        case Format::Jpeg: {
            const MappedFile mapped(file->path.c_str());
            tagscan::JpegMetadata found;
            if (!mapped.data || !tagscan::ReadJpegMetadata(mapped.data, mapped.size, found)) return TRUE;
            if (found.exif) exif.assign(found.exif, found.exif + found.exifSize);
            metadata->icc = std::move(found.icc);
            break;
        }
        case Format::Webp: webp::ReadMetadata(file->bytes, exif, metadata->icc); break;
        case Format::Heif:
            file->heif->ReadMetadata(exif, metadata->icc);
            // HEIF turns the picture in its container, which the decoder
            // follows; its Exif orientation only repeats that.
            metadata->upright = TRUE;
            break;
        default: return TRUE;
        }
        const std::size_t start = file->format == Format::Heif ? tagscan::ExifItemTiff(exif.data(), exif.size())
                                                               : tagscan::ExifTiffStart(exif.data(), exif.size());
        metadata->exif.assign(exif.begin() + static_cast<std::ptrdiff_t>(start), exif.end());
        return TRUE;
    } catch (const std::bad_alloc&) {
        *metadata = RasioMetadata{};
        return FALSE;
    }
}

BOOL RasioFileReadsScaled(const RasioFile* file) {
    return file != nullptr && file->format == Format::Jpeg ? TRUE : FALSE;
}

BOOL RasioFileReadScaled(RasioFile* file, const PixoLmmInfo* record, int offset, BOOL helperThread) {
    Canvas canvas;
    if (!RasioFileReadsScaled(file) || !CanvasOf(record, offset, canvas) || canvas.Bits() != file->info.bits) {
        return FALSE;
    }
    const PictureInfo& info = file->info;
    const int eighths = jpeg::EighthsFor(info.width, info.height, canvas.width, canvas.height);
    int width = 0, height = 0;
    jpeg::ScaledSize(info.width, info.height, eighths, width, height);
    if (!WithinLimit(width, height, info.bits)) return FALSE;
    try {
        kromo::RowPacker packer(canvas.type, canvas.colours, canvas.width, false);
        pixo::Resampler resampler(width, height, canvas.width, canvas.height,
                                  [&](int y, const BYTE* bgr) { packer.Pack(bgr, canvas.Line(y)); });
        const bool decoded = jpeg::DecodeRows(file->path.c_str(), eighths, helperThread != FALSE,
                                              [&](int, const BYTE* bgr) { resampler.Push(bgr); });
        return decoded && resampler.Done() ? TRUE : FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

namespace {

using FileOwner = std::unique_ptr<RasioFile, decltype(&RasioCloseFile)>;
FileOwner OpenOwned(const char* path) { return FileOwner(RasioOpenFile(path), RasioCloseFile); }

}  // namespace

BOOL RasioReadHeader(const char* path, BITMAPINFOHEADER* header) {
    const FileOwner file = OpenOwned(path);
    return RasioFileHeader(file.get(), 0, 0, header);
}

HPALETTE RasioReadPalette(const char* path) {
    const FileOwner file = OpenOwned(path);
    return RasioFilePalette(file.get());
}

BOOL RasioReadDIBImg(const char* path, const PixoLmmInfo* record, int offset, int /*reserved*/) {
    const FileOwner file = OpenOwned(path);
    return RasioFileReadDIBImg(file.get(), record, offset);
}

BOOL RasioSaveDIBImg(const char* path, const PixoLmmInfo* record, int offset, int /*reserved*/) {
    Canvas canvas;
    if (path == nullptr || *path == '\0' || !CanvasOf(record, offset, canvas)) return FALSE;
    try {
        const Format format = FormatForExtension(path);
        std::vector<BYTE> bytes;
        switch (format) {
        case Format::Bmp: return bmp::Encode(canvas, bytes) && ReplaceFile(path, bytes) ? TRUE : FALSE;
        case Format::Pcx: return pcx::Encode(canvas, bytes) && ReplaceFile(path, bytes) ? TRUE : FALSE;
        case Format::Tga: return tga::Encode(canvas, bytes) && ReplaceFile(path, bytes) ? TRUE : FALSE;
        case Format::Jpeg:
            return jpeg::Encode(canvas, jpeg::kDefaultQuality, bytes, {}) && ReplaceFile(path, bytes) ? TRUE : FALSE;
        case Format::Gif:
        case Format::Png:
        case Format::Tiff: return wic::Write(path, format, canvas) ? TRUE : FALSE;
        default: return FALSE;
        }
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL RasioSaveJpegWithMetadata(const char* path, const PixoLmmInfo* record, int offset, const RasioMetadata& metadata) {
    Canvas canvas;
    if (path == nullptr || *path == '\0' || !CanvasOf(record, offset, canvas) ||
        FormatForExtension(path) != Format::Jpeg) {
        return FALSE;
    }
    try {
        std::vector<BYTE> bytes;
        const jpeg::Markers markers{&metadata.exif, &metadata.icc};
        return jpeg::Encode(canvas, jpeg::kDefaultQuality, bytes, markers) && ReplaceFile(path, bytes) ? TRUE : FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

BOOL RasioCopyJpegWithExif(const char* source, const char* target, const std::vector<BYTE>& exif) {
    if (source == nullptr || target == nullptr || *target == '\0' || DetectFormat(source) != Format::Jpeg) {
        return FALSE;
    }
    try {
        std::vector<BYTE> bytes;
        {
            const MappedFile mapped(source);
            if (!mapped.data || !tagscan::RewriteJpegSegments(mapped.data, mapped.size, exif, bytes)) return FALSE;
        }
        return ReplaceFile(target, bytes) ? TRUE : FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}
