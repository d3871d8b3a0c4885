// "Rasio32": picture files in and out of image objects' memory.
//
// BMP, GIF (first frame), JPEG, PNG and TIFF go through the Windows Imaging
// Component; PCX and TGA through small readers and writers of our own. FPX is
// not supported. The record and offset are those of PPixo::GetLmmInfo and
// GetLmmOffset, passed unchanged.
#pragma once

#include "companions/pixo/PPixo.h"

#include <windows.h>

// The picture's size and the layout it loads as: biBitCount 1, 4, 8 (with a
// colour table; grey pictures have the grey ramp), 16 (BI_RGB for 5-5-5,
// BI_BITFIELDS for 5-6-5, BMP only), 24 or 32; biClrUsed colours;
// biHeight positive. FALSE for files that cannot be read or whose pixel
// memory would exceed PPixo::kMaxPixelBytes.
BOOL RasioReadHeader(const char* path, BITMAPINFOHEADER* header);
// The red, green and blue masks of a 16-bit picture (as a BITMAPINFO
// carries them after the header).
BOOL RasioReadBitFields(const char* path, DWORD masks[3]);
// The file's colour table as a new GDI palette owned by the caller; null for
// true-colour pictures and unreadable files.
HPALETTE RasioReadPalette(const char* path);
// Reads the pixels into an image object created as RasioReadHeader
// described the file.
BOOL RasioReadDIBImg(const char* path, const PixoLmmInfo* record, int offset, int reserved);
// Writes the picture; the format comes from the path's extension (bmp, gif,
// jpg/jpeg/jpe, png, tif/tiff, pcx, tga). JPEG at quality 90. The file is
// replaced only once the new one is complete.
BOOL RasioSaveDIBImg(const char* path, const PixoLmmInfo* record, int offset, int reserved);
