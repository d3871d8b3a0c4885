#include "companions/rasio/RasioJpeg.h"

#include "companions/rasio/RasioJpegDecompress.h"

#include "companions/pixo/PixoRows.h"
#include "base/Win32Handles.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include <jpeglib.h>

namespace rasio::jpeg {
namespace {

constexpr int kRowsPerCall = 16;

[[noreturn]] void OnError(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorTrap*>(cinfo->err)->jump, 1); }

// Warnings (corrupt data libjpeg can step over) are counted, never printed.
void OnOutput(j_common_ptr) {}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
    auto* source = reinterpret_cast<FileSource*>(cinfo->src);
    DWORD got = 0;
    if (!::ReadFile(source->file, source->buffer, static_cast<DWORD>(kReadChunk), &got, nullptr) || got == 0) {
        // As libjpeg's own sources do: an end-of-image marker, so that the
        // decoder stops, and a note that the data fell short.
        source->ended = true;
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        got = 2;
    }
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = got;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    auto* source = reinterpret_cast<FileSource*>(cinfo->src);
    if (count <= 0) return;
    if (static_cast<std::size_t>(count) <= source->manager.bytes_in_buffer) {
        source->manager.next_input_byte += count;
        source->manager.bytes_in_buffer -= static_cast<std::size_t>(count);
        return;
    }
    LARGE_INTEGER move{};
    move.QuadPart = static_cast<LONGLONG>(count) - static_cast<LONGLONG>(source->manager.bytes_in_buffer);
    source->manager.bytes_in_buffer = 0;
    // Past the end the next read finds nothing and ends the data.
    ::SetFilePointerEx(source->file, move, nullptr, FILE_CURRENT);
}

void InstallSource(j_decompress_ptr cinfo, FileSource& source) {
    source.manager.init_source = InitSource;
    source.manager.fill_input_buffer = FillInput;
    source.manager.skip_input_data = SkipInput;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = TermSource;
    source.manager.next_input_byte = nullptr;
    source.manager.bytes_in_buffer = 0;
    cinfo->src = &source.manager;
}

email32::base::AutoCloseHandle OpenForReading(const char* path) {
    return email32::base::AutoCloseHandle(
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

}  // namespace

void InstallTrap(ErrorTrap& trap) {
    jpeg_std_error(&trap.manager);
    trap.manager.error_exit = OnError;
    trap.manager.output_message = OnOutput;
}

bool IsColour(J_COLOR_SPACE space) {
    return space == JCS_YCbCr || space == JCS_RGB || space == JCS_CMYK || space == JCS_YCCK;
}

// Adobe's CMYK JPEG files store the inks inverted (0 is full ink); the
// colour is what is left of white under each ink.
void CmykToBgr(const BYTE* cmyk, int width, bool inverted, BYTE* bgr) noexcept {
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const int c = inverted ? cmyk[0] : 255 - cmyk[0];
        const int m = inverted ? cmyk[1] : 255 - cmyk[1];
        const int y = inverted ? cmyk[2] : 255 - cmyk[2];
        const int k = inverted ? cmyk[3] : 255 - cmyk[3];
        bgr[0] = static_cast<BYTE>((y * k + 127) / 255);
        bgr[1] = static_cast<BYTE>((m * k + 127) / 255);
        bgr[2] = static_cast<BYTE>((c * k + 127) / 255);
    }
}

namespace {

int PixelsPerMetre(int unit, int density) {
    if (density <= 0) return 0;
    if (unit == 1) return static_cast<int>(density / 0.0254 + 0.5);  // dots per inch
    if (unit == 2) return density * 100;                             // dots per centimetre
    return 0;                                                        // an aspect ratio only
}

}  // namespace

bool Prepare(Decompression& d, const char* path) {
    d.file = OpenForReading(path);
    if (!d.file) return false;
    InstallTrap(d.trap);
    d.cinfo.err = &d.trap.manager;
    return true;
}

void Start(Decompression& d) {
    jpeg_create_decompress(&d.cinfo);
    // The work arrays of progressive files count against the pixel limit;
    // beyond it the decode fails rather than the process running out.
    d.cinfo.mem->max_memory_to_use = static_cast<long>(PPixo::kMaxPixelBytes);
    d.source->file = d.file.get();
    InstallSource(&d.cinfo, *d.source);
    jpeg_read_header(&d.cinfo, TRUE);
}

void ScaledSize(int width, int height, int eighths, int& scaledWidth, int& scaledHeight) noexcept {
    scaledWidth = static_cast<int>((static_cast<long long>(width) * eighths + 7) / 8);
    scaledHeight = static_cast<int>((static_cast<long long>(height) * eighths + 7) / 8);
}

int EighthsFor(int width, int height, int minWidth, int minHeight) noexcept {
    for (int eighths = 1; eighths < 8; ++eighths) {
        int w = 0, h = 0;
        ScaledSize(width, height, eighths, w, h);
        if (w >= minWidth && h >= minHeight) return eighths;
    }
    return 8;
}

bool ReadInfo(const char* path, PictureInfo& info) {
    Decompression d;
    if (!Prepare(d, path)) return false;
    if (setjmp(d.trap.jump)) return false;
    Start(d);
    const J_COLOR_SPACE space = d.cinfo.jpeg_color_space;
    if (space != JCS_GRAYSCALE && !IsColour(space)) return false;
    if (d.cinfo.image_width == 0 || d.cinfo.image_height == 0) return false;
    info = PictureInfo{};
    info.width = static_cast<int>(d.cinfo.image_width);
    info.height = static_cast<int>(d.cinfo.image_height);
    info.bits = space == JCS_GRAYSCALE ? 8 : 24;
    if (info.bits == 8) info.palette = GreyRamp(256);
    if (d.cinfo.saw_JFIF_marker) {
        info.xPixelsPerMetre = PixelsPerMetre(d.cinfo.density_unit, d.cinfo.X_density);
        info.yPixelsPerMetre = PixelsPerMetre(d.cinfo.density_unit, d.cinfo.Y_density);
    }
    return true;
}

bool Decode(const char* path, const Canvas& canvas) {
    const bool grey = canvas.Bits() == 8;
    if (!grey && canvas.Bits() != 24) return false;
    Decompression d;
    std::unique_ptr<BYTE[]> inks;
    try {
        inks.reset(new BYTE[static_cast<std::size_t>(canvas.width) * 4]);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!Prepare(d, path)) return false;
    if (setjmp(d.trap.jump)) return false;
    Start(d);
    jpeg_decompress_struct& cinfo = d.cinfo;
    const J_COLOR_SPACE space = cinfo.jpeg_color_space;
    if (grey != (space == JCS_GRAYSCALE) || (!grey && !IsColour(space))) return false;

    int eighths = 1;
    for (; eighths <= 8; ++eighths) {
        int w = 0, h = 0;
        ScaledSize(static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height), eighths, w, h);
        if (w == canvas.width && h == canvas.height) break;
    }
    if (eighths > 8) return false;
    cinfo.scale_num = static_cast<unsigned>(eighths);
    cinfo.scale_denom = 8;
    const bool cmyk = space == JCS_CMYK || space == JCS_YCCK;
    cinfo.out_color_space = grey ? JCS_GRAYSCALE : (cmyk ? JCS_CMYK : JCS_EXT_BGR);
    jpeg_calc_output_dimensions(&cinfo);
    if (static_cast<int>(cinfo.output_width) != canvas.width ||
        static_cast<int>(cinfo.output_height) != canvas.height) {
        return false;
    }
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        if (cmyk) {
            JSAMPROW row = inks.get();
            if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) return false;
            CmykToBgr(inks.get(), canvas.width, cinfo.saw_Adobe_marker != 0, canvas.Line(y));
        } else {
            JSAMPROW rows[kRowsPerCall];
            const int count = std::min(kRowsPerCall, canvas.height - y);
            for (int i = 0; i < count; ++i) rows[i] = canvas.Line(y + i);
            if (jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(count)) == 0) return false;
        }
        if (d.source->ended) return false;
    }
    // The pixels are all there; what follows the last scan does not matter.
    jpeg_abort_decompress(&cinfo);
    return true;
}

namespace {

struct Compression {
    jpeg_compress_struct cinfo{};
    ErrorTrap trap;
    unsigned char* buffer = nullptr;  // libjpeg's, grown with malloc
    unsigned long size = 0;

    ~Compression() {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

}  // namespace

bool Encode(const Canvas& canvas, int quality, std::vector<BYTE>& out, const Markers& markers) {
    if (canvas.width <= 0 || canvas.height <= 0 || canvas.width > JPEG_MAX_DIMENSION ||
        canvas.height > JPEG_MAX_DIMENSION) {
        return false;
    }
    const bool grey = canvas.Bits() <= 8 && canvas.GreyTable();
    // Rows in the picture's own memory serve as they are when they already
    // are what the encoder takes; others are converted one at a time.
    const bool direct =
        grey ? canvas.type == kPixoGray256 && pixo::IsGreyRamp(canvas.colours.data(), canvas.colours.size(), 256)
             : canvas.type == kPixoTrueColor;
    Compression c;
    const bool exif = markers.exif != nullptr && !markers.exif->empty() && markers.exif->size() <= 65533 - 6;
    std::vector<BYTE> exifSegment;
    std::unique_ptr<BYTE[]> bgr, row;
    try {
        if (exif) {
            exifSegment.assign({'E', 'x', 'i', 'f', 0, 0});
            exifSegment.insert(exifSegment.end(), markers.exif->begin(), markers.exif->end());
        }
        bgr.reset(new BYTE[static_cast<std::size_t>(canvas.width) * 3 + 3]);
        row.reset(new BYTE[static_cast<std::size_t>(canvas.width)]);
    } catch (const std::bad_alloc&) {
        return false;
    }
    InstallTrap(c.trap);
    c.cinfo.err = &c.trap.manager;
    if (setjmp(c.trap.jump)) return false;
    jpeg_create_compress(&c.cinfo);
    jpeg_mem_dest(&c.cinfo, &c.buffer, &c.size);
    jpeg_compress_struct& cinfo = c.cinfo;
    cinfo.image_width = static_cast<JDIMENSION>(canvas.width);
    cinfo.image_height = static_cast<JDIMENSION>(canvas.height);
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = TRUE;
    if (!grey && quality >= kFullChromaQuality) {
        // At high qualities halving the colour's resolution would cost more
        // than the quantisation does.
        for (int i = 0; i < cinfo.num_components; ++i) {
            cinfo.comp_info[i].h_samp_factor = 1;
            cinfo.comp_info[i].v_samp_factor = 1;
        }
    }
    const long dpiX = std::lround(canvas.xPixelsPerMetre * 0.0254);
    const long dpiY = std::lround(canvas.yPixelsPerMetre * 0.0254);
    if (dpiX > 0 && dpiY > 0 && dpiX < 65536 && dpiY < 65536) {
        cinfo.density_unit = 1;
        cinfo.X_density = static_cast<UINT16>(dpiX);
        cinfo.Y_density = static_cast<UINT16>(dpiY);
    }
    // An Exif file starts with its Exif segment, which also gives the
    // density.
    if (exif) cinfo.write_JFIF_header = FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    if (exif) {
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exifSegment.data(), static_cast<unsigned>(exifSegment.size()));
    }
    if (markers.icc != nullptr && !markers.icc->empty()) {
        jpeg_write_icc_profile(&cinfo, markers.icc->data(), static_cast<unsigned>(markers.icc->size()));
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        JSAMPROW line = canvas.Line(y);
        if (!direct) {
            canvas.LineToBgr(y, bgr.get());
            if (grey) {
                for (int x = 0; x < canvas.width; ++x) row[x] = bgr[static_cast<std::size_t>(x) * 3];
                line = row.get();
            } else {
                line = bgr.get();
            }
        }
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    out.assign(c.buffer, c.buffer + c.size);
    return true;
}

}  // namespace rasio::jpeg
