#include "companions/rasio/RasioWic.h"

#include "companions/kromo/KromoMapper.h"
#include "companions/kromo/KromoQuantizer.h"
#include "companions/pixo/PixoRows.h"
#include "companions/rasio/RasioCom.h"
#include "base/Text.h"

#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <new>

namespace rasio::wic {
namespace {

constexpr UINT kBandRows = 64;

enum class Route { Native, Expand2Indexed, Expand2Grey, ViaBgra, ViaBgraGrey };
enum class PaletteKind { None, FromFile, BlackWhite, Grey16, Grey256 };

struct Plan {
    Route route = Route::ViaBgra;
    int bits = 24;
    bool rgb565 = false;
    PaletteKind palette = PaletteKind::None;
};

bool Is(const WICPixelFormatGUID& a, const GUID& b) { return ::IsEqualGUID(a, b) != 0; }

Plan PlanFor(const WICPixelFormatGUID& f) {
    if (Is(f, GUID_WICPixelFormat1bppIndexed)) return {Route::Native, 1, false, PaletteKind::FromFile};
    if (Is(f, GUID_WICPixelFormatBlackWhite)) return {Route::Native, 1, false, PaletteKind::BlackWhite};
    if (Is(f, GUID_WICPixelFormat2bppIndexed)) return {Route::Expand2Indexed, 4, false, PaletteKind::FromFile};
    if (Is(f, GUID_WICPixelFormat4bppIndexed)) return {Route::Native, 4, false, PaletteKind::FromFile};
    if (Is(f, GUID_WICPixelFormat8bppIndexed)) return {Route::Native, 8, false, PaletteKind::FromFile};
    if (Is(f, GUID_WICPixelFormat2bppGray)) return {Route::Expand2Grey, 4, false, PaletteKind::Grey16};
    if (Is(f, GUID_WICPixelFormat4bppGray)) return {Route::Native, 4, false, PaletteKind::Grey16};
    if (Is(f, GUID_WICPixelFormat8bppGray)) return {Route::Native, 8, false, PaletteKind::Grey256};
    if (Is(f, GUID_WICPixelFormat16bppGray) || Is(f, GUID_WICPixelFormat16bppGrayFixedPoint) ||
        Is(f, GUID_WICPixelFormat16bppGrayHalf) || Is(f, GUID_WICPixelFormat32bppGrayFloat) ||
        Is(f, GUID_WICPixelFormat32bppGrayFixedPoint)) {
        return {Route::ViaBgraGrey, 8, false, PaletteKind::Grey256};
    }
    if (Is(f, GUID_WICPixelFormat16bppBGR555)) return {Route::Native, 16, false, PaletteKind::None};
    if (Is(f, GUID_WICPixelFormat16bppBGR565)) return {Route::Native, 16, true, PaletteKind::None};
    if (Is(f, GUID_WICPixelFormat24bppBGR)) return {Route::Native, 24, false, PaletteKind::None};
    if (Is(f, GUID_WICPixelFormat32bppBGR)) return {Route::Native, 32, false, PaletteKind::None};
    // Everything else, alpha included, through 32-bit BGRA (converting an
    // indexed or exotic source straight to 24-bit BGR is not dependable).
    return {Route::ViaBgra, 24, false, PaletteKind::None};
}

bool CreateFactory(ComPtr<IWICImagingFactory>& factory) {
    return SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                        factory.put_void()));
}

}  // namespace

// The first frame of a file, open for one picture's header and pixels.
struct Reader::Source {
    ComScope com;  // first in, last out
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0;
    UINT height = 0;
    WICPixelFormatGUID format{};

    bool Open(const char* path) {
        if (!com.usable() || !CreateFactory(factory)) return false;
        const std::wstring wide = path ? email32::base::Widen(path) : std::wstring();
        if (wide.empty()) return false;
        if (FAILED(factory->CreateDecoderFromFilename(wide.c_str(), nullptr, GENERIC_READ,
                                                      WICDecodeMetadataCacheOnDemand, decoder.put()))) {
            return false;
        }
        if (FAILED(decoder->GetFrame(0, frame.put()))) return false;
        if (FAILED(frame->GetSize(&width, &height)) || FAILED(frame->GetPixelFormat(&format))) return false;
        return width > 0 && height > 0 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF;
    }
};

namespace {

using Source = Reader::Source;

std::vector<RGBQUAD> FilePalette(Source& source) {
    ComPtr<IWICPalette> palette;
    if (FAILED(source.factory->CreatePalette(palette.put()))) return {};
    if (FAILED(source.frame->CopyPalette(palette.get())) && FAILED(source.decoder->CopyPalette(palette.get()))) {
        return {};
    }
    WICColor colours[256] = {};
    UINT count = 0;
    if (FAILED(palette->GetColors(256, colours, &count))) return {};
    std::vector<RGBQUAD> table;
    for (UINT i = 0; i < count && i < 256; ++i) {
        table.push_back(
            RGBQUAD{BYTE(colours[i] & 0xFF), BYTE((colours[i] >> 8) & 0xFF), BYTE((colours[i] >> 16) & 0xFF), 0});
    }
    return table;
}

std::vector<RGBQUAD> PaletteOf(Source& source, PaletteKind kind) {
    switch (kind) {
    case PaletteKind::FromFile: return FilePalette(source);
    case PaletteKind::BlackWhite: return GreyRamp(2);
    case PaletteKind::Grey16: return GreyRamp(16);
    case PaletteKind::Grey256: return GreyRamp(256);
    default: return {};
    }
}

// Reads rows in bands through a source at its own format and hands each
// row to `put`.
bool CopyBands(IWICBitmapSource* from, UINT width, UINT height, UINT rowBytes,
               const std::function<void(UINT y, const BYTE* row)>& put) {
    std::vector<BYTE> band(static_cast<std::size_t>(rowBytes) * kBandRows);
    for (UINT y = 0; y < height; y += kBandRows) {
        const UINT rows = std::min(kBandRows, height - y);
        const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(rows)};
        if (FAILED(from->CopyPixels(&rect, rowBytes, rowBytes * rows, band.data()))) return false;
        for (UINT i = 0; i < rows; ++i) put(y + i, band.data() + static_cast<std::size_t>(i) * rowBytes);
    }
    return true;
}

}  // namespace

Reader::Reader() = default;
Reader::~Reader() = default;

bool Reader::Open(const char* path) {
    m_source.reset();
    try {
        auto source = std::make_unique<Source>();
        if (!source->Open(path)) return false;
        m_source = std::move(source);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool Reader::ReadInfo(PictureInfo& info) {
    if (!m_source) return false;
    Source& source = *m_source;
    const Plan plan = PlanFor(source.format);
    info = PictureInfo{};
    info.width = static_cast<int>(source.width);
    info.height = static_cast<int>(source.height);
    info.bits = plan.bits;
    info.rgb565 = plan.rgb565;
    info.palette = PaletteOf(source, plan.palette);
    if (plan.bits <= 8 && info.palette.empty()) info.palette = GreyRamp(1 << plan.bits);
    double dpiX = 0, dpiY = 0;
    if (SUCCEEDED(source.frame->GetResolution(&dpiX, &dpiY)) && dpiX > 0 && dpiY > 0 && dpiX < 1e6 && dpiY < 1e6) {
        info.xPixelsPerMetre = static_cast<int>(std::lround(dpiX / 0.0254));
        info.yPixelsPerMetre = static_cast<int>(std::lround(dpiY / 0.0254));
    }
    return true;
}

bool Reader::ReadPixels(const Canvas& canvas) {
    if (!m_source) return false;
    Source& source = *m_source;
    if (static_cast<int>(source.width) != canvas.width || static_cast<int>(source.height) != canvas.height)
        return false;
    const Plan plan = PlanFor(source.format);
    if (plan.bits != canvas.Bits()) return false;
    const UINT width = source.width;
    const UINT height = source.height;
    try {
        switch (plan.route) {
        case Route::Native: {
            if (FAILED(source.frame->CopyPixels(nullptr, static_cast<UINT>(canvas.lineBytes),
                                                static_cast<UINT>(canvas.lineBytes) * height, canvas.bits))) {
                return false;
            }
            if (plan.bits == 16 && plan.rgb565 != (canvas.type == kPixoRgb565)) {
                // A 16-bit file read into the other 16-bit layout.
                for (int y = 0; y < canvas.height; ++y) {
                    BYTE* line = canvas.Line(y);
                    for (int x = 0; x < canvas.width; ++x) {
                        const unsigned v = line[x * 2] | (line[x * 2 + 1] << 8);
                        const unsigned w = plan.rgb565 ? ((v >> 1) & 0x7FE0) | (v & 0x1F)
                                                       : ((v & 0x7FE0) << 1) | ((v >> 4) & 0x20) | (v & 0x1F);
                        line[x * 2] = BYTE(w & 0xFF);
                        line[x * 2 + 1] = BYTE(w >> 8);
                    }
                }
            }
            return true;
        }
        case Route::Expand2Indexed:
        case Route::Expand2Grey: {
            const bool grey = plan.route == Route::Expand2Grey;
            const UINT rowBytes = ((width * 2 + 31) / 32) * 4;
            return CopyBands(source.frame.get(), width, height, rowBytes, [&](UINT y, const BYTE* row) {
                BYTE* out = canvas.Line(static_cast<int>(y));
                for (UINT x = 0; x < width; ++x) {
                    int v = (row[x >> 2] >> (6 - 2 * (x & 3))) & 3;
                    if (grey) v *= 5;
                    if (x & 1) out[x >> 1] = BYTE((out[x >> 1] & 0xF0) | v);
                    else out[x >> 1] = BYTE((out[x >> 1] & 0x0F) | (v << 4));
                }
            });
        }
        case Route::ViaBgra:
        case Route::ViaBgraGrey: {
            ComPtr<IWICFormatConverter> converter;
            if (FAILED(source.factory->CreateFormatConverter(converter.put()))) return false;
            if (FAILED(converter->Initialize(source.frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                             nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
                return false;
            }
            const bool grey = plan.route == Route::ViaBgraGrey;
            return CopyBands(converter.get(), width, height, width * 4, [&](UINT y, const BYTE* row) {
                BYTE* out = canvas.Line(static_cast<int>(y));
                for (UINT x = 0; x < width; ++x) {
                    const BYTE* p = row + x * 4;
                    // Transparent parts show as white, as on a page.
                    const int a = p[3];
                    const int b = (p[0] * a + 255 * (255 - a) + 127) / 255;
                    const int g = (p[1] * a + 255 * (255 - a) + 127) / 255;
                    const int r = (p[2] * a + 255 * (255 - a) + 127) / 255;
                    if (grey) {
                        out[x] = BYTE(pixo::Luma(b, g, r));
                    } else {
                        out[x * 3] = BYTE(b);
                        out[x * 3 + 1] = BYTE(g);
                        out[x * 3 + 2] = BYTE(r);
                    }
                }
            });
        }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return false;
}

namespace {

struct Encoding {
    WICPixelFormatGUID format;
    int bits;                      // of the rows handed to the encoder
    std::vector<RGBQUAD> palette;  // for indexed formats
    std::function<void(int y, BYTE* row)> row;
};

// Rows as 24-bit blue-green-red.
Encoding TrueColour(const Canvas& canvas) {
    return {GUID_WICPixelFormat24bppBGR, 24, {}, [&canvas](int y, BYTE* row) { canvas.LineToBgr(y, row); }};
}

// The picture's own indexed rows.
Encoding OwnIndexed(const Canvas& canvas) {
    const int bits = canvas.Bits();
    const GUID& format = bits == 1 ? GUID_WICPixelFormat1bppIndexed
                                   : (bits == 4 ? GUID_WICPixelFormat4bppIndexed : GUID_WICPixelFormat8bppIndexed);
    const std::size_t bytes = PPixo::LineBytesFor(canvas.width, bits);
    return {format, bits, canvas.colours,
            [&canvas, bytes](int y, BYTE* row) { std::memcpy(row, canvas.Line(y), bytes); }};
}

// Rows as 8-bit grey levels, for pictures whose table is all grey.
Encoding GreyLevels(const Canvas& canvas) {
    auto bgr = std::make_shared<std::vector<BYTE>>(static_cast<std::size_t>(canvas.width) * 3 + 3);
    return {GUID_WICPixelFormat8bppGray, 8, {}, [&canvas, bgr](int y, BYTE* row) {
                canvas.LineToBgr(y, bgr->data());
                for (int x = 0; x < canvas.width; ++x) row[x] = (*bgr)[static_cast<std::size_t>(x) * 3];
            }};
}

// 8-bit indexed rows: the picture's indices widened, or for pictures
// without a table a fitted palette with error diffusion.
bool EightBitIndexed(const Canvas& canvas, Encoding& encoding) {
    const bool indexed = canvas.Bits() <= 8;
    std::vector<RGBQUAD> palette = canvas.colours;
    if (!indexed) {
        PPixo copy;
        if (!copy.CreateImage(kPixoTrueColor, canvas.width, canvas.height, 0, nullptr, 0, 0, 15, 0, 0)) return false;
        for (int y = 0; y < canvas.height; ++y) canvas.LineToBgr(y, copy.Line(y));
        palette = kromo::FitPalette(copy, 256);
        if (palette.empty()) return false;
    }
    auto packer = std::make_shared<kromo::RowPacker>(kPixoIndexed256, palette, canvas.width, true);
    auto bgr = std::make_shared<std::vector<BYTE>>(static_cast<std::size_t>(canvas.width) * 3 + 3);
    encoding = {GUID_WICPixelFormat8bppIndexed, 8, palette, [&canvas, indexed, packer, bgr](int y, BYTE* row) {
                    const BYTE* line = canvas.Line(y);
                    if (!indexed) {
                        canvas.LineToBgr(y, bgr->data());
                        packer->Pack(bgr->data(), row);
                        return;
                    }
                    for (int x = 0; x < canvas.width; ++x) {
                        switch (canvas.Bits()) {
                        case 1: row[x] = BYTE((line[x >> 3] >> (7 - (x & 7))) & 1); break;
                        case 4: row[x] = BYTE((x & 1) ? (line[x >> 1] & 0x0F) : (line[x >> 1] >> 4)); break;
                        default: row[x] = line[x]; break;
                        }
                    }
                }};
    return true;
}

bool ChooseEncoding(Format format, const Canvas& canvas, Encoding& encoding) {
    const int bits = canvas.Bits();
    switch (format) {
    case Format::Png:
    case Format::Tiff:
        if (bits == 8 && pixo::IsGreyRamp(canvas.colours.data(), canvas.colours.size(), 256)) {
            encoding = GreyLevels(canvas);
        } else {
            encoding = bits <= 8 ? OwnIndexed(canvas) : TrueColour(canvas);
        }
        return true;
    case Format::Gif: return EightBitIndexed(canvas, encoding);
    default: return false;
    }
}

const GUID* Container(Format format) {
    switch (format) {
    case Format::Png: return &GUID_ContainerFormatPng;
    case Format::Tiff: return &GUID_ContainerFormatTiff;
    case Format::Gif: return &GUID_ContainerFormatGif;
    case Format::Bmp: return &GUID_ContainerFormatBmp;
    default: return nullptr;
    }
}

bool Encode(IWICImagingFactory* factory, const std::wstring& target, Format format, const Canvas& canvas,
            Encoding encoding) {
    ComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.put()))) return false;
    if (FAILED(stream->InitializeFromFilename(target.c_str(), GENERIC_WRITE))) return false;
    ComPtr<IWICBitmapEncoder> encoder;
    if (FAILED(factory->CreateEncoder(*Container(format), nullptr, encoder.put()))) return false;
    if (FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache))) return false;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    if (FAILED(encoder->CreateNewFrame(frame.put(), options.put()))) return false;
    if (FAILED(frame->Initialize(options.get()))) return false;
    if (FAILED(frame->SetSize(static_cast<UINT>(canvas.width), static_cast<UINT>(canvas.height)))) return false;
    if (canvas.xPixelsPerMetre > 0 && canvas.yPixelsPerMetre > 0) {
        frame->SetResolution(canvas.xPixelsPerMetre * 0.0254, canvas.yPixelsPerMetre * 0.0254);
    }
    WICPixelFormatGUID agreed = encoding.format;
    if (FAILED(frame->SetPixelFormat(&agreed))) return false;
    if (!Is(agreed, encoding.format)) {
        // The encoder wants another layout: true colour is what all take.
        if (encoding.bits == 24 || format == Format::Gif) return false;
        encoding = TrueColour(canvas);
        agreed = encoding.format;
        if (FAILED(frame->SetPixelFormat(&agreed)) || !Is(agreed, encoding.format)) return false;
    }
    if (!encoding.palette.empty()) {
        ComPtr<IWICPalette> palette;
        std::vector<WICColor> colours;
        for (const RGBQUAD& c : encoding.palette) {
            colours.push_back(0xFF000000u | (DWORD(c.rgbRed) << 16) | (DWORD(c.rgbGreen) << 8) | c.rgbBlue);
        }
        if (FAILED(factory->CreatePalette(palette.put())) ||
            FAILED(palette->InitializeCustom(colours.data(), static_cast<UINT>(colours.size()))) ||
            FAILED(frame->SetPalette(palette.get()))) {
            return false;
        }
    }
    const UINT stride = static_cast<UINT>(PPixo::LineBytesFor(canvas.width, encoding.bits));
    std::vector<BYTE> band(static_cast<std::size_t>(stride) * kBandRows);
    for (int y = 0; y < canvas.height; y += static_cast<int>(kBandRows)) {
        const int rows = std::min(static_cast<int>(kBandRows), canvas.height - y);
        for (int i = 0; i < rows; ++i) encoding.row(y + i, band.data() + static_cast<std::size_t>(i) * stride);
        if (FAILED(
                frame->WritePixels(static_cast<UINT>(rows), stride, stride * static_cast<UINT>(rows), band.data()))) {
            return false;
        }
    }
    return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

bool Write(const char* path, Format format, const Canvas& canvas) {
    if (Container(format) == nullptr || !MayReplace(path)) return false;
    ComScope com;
    if (!com.usable()) return false;
    const std::string temporary = SiblingTempName(path);
    bool ok = false;
    try {
        ComPtr<IWICImagingFactory> factory;
        Encoding encoding;
        if (CreateFactory(factory) && ChooseEncoding(format, canvas, encoding)) {
            ok = Encode(factory.get(), email32::base::Widen(temporary), format, canvas, std::move(encoding));
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    // The stream is closed once Encode returns; only a complete file
    // replaces the old one.
    if (ok && ::MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING)) return true;
    ::DeleteFileA(temporary.c_str());
    return false;
}

}  // namespace rasio::wic
