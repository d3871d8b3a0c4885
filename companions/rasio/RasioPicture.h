// What the readers and writers of the file library share.
#pragma once

#include "companions/pixo/PPixo.h"
#include "base/Win32Handles.h"

#include <windows.h>

#include <string>
#include <vector>

namespace rasio {

// BmpRle: a run-length encoded BMP, which the platform decoder would hand
// over as 32-bit colour; read by our own decoder to stay indexed.
// Heif: HEIF/HEIC pictures (HEVC-coded), read through libheif.
enum class Format { Unknown, Bmp, BmpRle, Gif, Jpeg, Png, Tiff, Pcx, Tga, Fpx, Heif, Webp };

// A file's size and the layout it loads as.
struct PictureInfo {
    int width = 0;
    int height = 0;
    int bits = 0;                  // 1, 4, 8, 16, 24, 32
    bool rgb565 = false;           // 16 bits: 5-6-5 rather than 5-5-5
    std::vector<RGBQUAD> palette;  // for 1, 4 and 8 bits
    int xPixelsPerMetre = 0;
    int yPixelsPerMetre = 0;
};

// The image object's pixel memory as the record and its layout description
// give it.
struct Canvas {
    BYTE* bits = nullptr;  // line 0, top row
    int lineBytes = 0;
    int width = 0;
    int height = 0;
    int type = kPixoUnsupported;  // image-type code matching the depth
    std::vector<RGBQUAD> colours;
    int xPixelsPerMetre = 0;
    int yPixelsPerMetre = 0;

    [[nodiscard]] BYTE* Line(int y) const noexcept { return bits + static_cast<std::size_t>(y) * lineBytes; }
    [[nodiscard]] int Bits() const noexcept { return PPixo::BitsPerPixel(type); }
    // Whether every table entry is a grey (red = green = blue).
    [[nodiscard]] bool GreyTable() const noexcept;
    // Pixels of a line as blue-green-red triples.
    void LineToBgr(int y, BYTE* out) const noexcept;
};

// A decoded picture in its own memory, laid out as its PictureInfo says.
struct Picture {
    PictureInfo info;
    int lineBytes = 0;
    std::vector<BYTE> pixels;  // top row first
    [[nodiscard]] BYTE* Line(int y) noexcept { return pixels.data() + static_cast<std::size_t>(y) * lineBytes; }
};

// Whether a picture of this size and depth stays within the pixel limit.
bool WithinLimit(int width, int height, int bits) noexcept;

// Allocates a picture's memory after checking the limit.
bool AllocatePicture(Picture& picture);

// Reads at most maxBytes of a file; false when it cannot be opened.
bool ReadFilePrefix(const char* path, std::size_t maxBytes, std::vector<BYTE>& bytes);
// The whole file, refused above maxBytes.
bool ReadWholeFile(const char* path, std::size_t maxBytes, std::vector<BYTE>& bytes);
// A file mapped for reading: only the pages looked at are read. data is null
// when the file cannot be opened or is empty.
struct MappedFile {
    explicit MappedFile(const char* path);
    const BYTE* data = nullptr;
    std::size_t size = 0;

private:
    email32::base::AutoCloseHandle m_file;
    email32::base::AutoCloseHandle m_mapping;
    email32::base::AutoMappedView m_view;
};

// False when path names a read-only file, which a save must not replace.
bool MayReplace(const char* path);
// Writes bytes to a new file beside path and moves it over path.
bool ReplaceFile(const char* path, const std::vector<BYTE>& bytes);
// A name beside path for writing before the final move.
std::string SiblingTempName(const char* path);

// The format a file's content shows; TGA, which has no signature, by
// extension.
Format DetectFormat(const char* path);
// The format a file name asks for when writing.
Format FormatForExtension(const char* path);

std::vector<RGBQUAD> GreyRamp(int levels);

}  // namespace rasio
