// BMP, GIF, JPEG, PNG and TIFF through the Windows Imaging Component.
#pragma once

#include "companions/rasio/RasioPicture.h"

namespace rasio::wic {

bool ReadInfo(const char* path, PictureInfo& info);
// Decodes the first frame into the canvas, which must have the size and
// depth that ReadInfo gave.
bool ReadPixels(const char* path, const Canvas& canvas);
bool Write(const char* path, Format format, const Canvas& canvas);

}  // namespace rasio::wic
