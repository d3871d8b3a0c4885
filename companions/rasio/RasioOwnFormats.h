// Formats the file library reads and writes itself: PCX and TGA both ways,
// BMP (run-length files) for reading, BMP for writing. Readers take the whole file's bytes and never read past
// them; damaged data fails the read.
#pragma once

#include "companions/rasio/RasioPicture.h"

#include <vector>

namespace rasio {

namespace pcx {
bool ReadInfo(const std::vector<BYTE>& file, PictureInfo& info);
bool Decode(const std::vector<BYTE>& file, Picture& picture);
bool Encode(const Canvas& canvas, std::vector<BYTE>& out);
}  // namespace pcx

namespace tga {
bool ReadInfo(const std::vector<BYTE>& file, PictureInfo& info);
bool Decode(const std::vector<BYTE>& file, Picture& picture);
bool Encode(const Canvas& canvas, std::vector<BYTE>& out);
}  // namespace tga

namespace bmp {
bool Encode(const Canvas& canvas, std::vector<BYTE>& out);
// Run-length encoded 4- and 8-bit files.
bool ReadRleInfo(const std::vector<BYTE>& file, PictureInfo& info);
bool DecodeRle(const std::vector<BYTE>& file, Picture& picture);
}  // namespace bmp

// Little-endian helpers for the byte-level formats.
inline unsigned U16(const BYTE* p) noexcept { return p[0] | (p[1] << 8); }
inline void Put16(std::vector<BYTE>& out, unsigned v) {
    out.push_back(BYTE(v & 0xFF));
    out.push_back(BYTE((v >> 8) & 0xFF));
}
inline void Put32(std::vector<BYTE>& out, unsigned long v) {
    Put16(out, static_cast<unsigned>(v & 0xFFFF));
    Put16(out, static_cast<unsigned>((v >> 16) & 0xFFFF));
}

}  // namespace rasio
