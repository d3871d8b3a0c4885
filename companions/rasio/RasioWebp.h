// WebP pictures through libwebp: still pictures only (an animated file is
// sent as it is, like an animated GIF file), decoded at their own size into
// 24-bit colour, transparent parts over white. Readers take the whole file's
// bytes and never read past them.
#pragma once

#include "companions/rasio/RasioPicture.h"

#include <vector>

namespace rasio::webp {

// False for animated files and files libwebp cannot read.
bool ReadInfo(const std::vector<BYTE>& file, PictureInfo& info);
// Into a 24-bit canvas of the picture's own size.
bool Decode(const std::vector<BYTE>& file, const Canvas& canvas);
// The payloads of the EXIF and ICCP chunks; empty when missing.
void ReadMetadata(const std::vector<BYTE>& file, std::vector<BYTE>& exif, std::vector<BYTE>& icc);

}  // namespace rasio::webp
