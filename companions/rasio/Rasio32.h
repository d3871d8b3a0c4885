// "Rasio32": picture files in and out of image objects' memory.
//
// JPEG goes through libjpeg-turbo; BMP, GIF (first frame), PNG and TIFF
// through the Windows Imaging Component; PCX, TGA and run-length BMP through
// small readers and writers of our own. FPX is not supported. The record and
// offset are those of PPixo::GetLmmInfo and GetLmmOffset, passed unchanged.
//
// One limit guards memory: a picture is decoded only when its pixels, at the
// depth it loads as and the size it is decoded at, fit PPixo::kMaxPixelBytes;
// it is checked before any decoder allocates them.
#pragma once

#include "companions/pixo/PPixo.h"

#include <windows.h>

#include <vector>

// The picture's size and the layout it loads as: biBitCount 1, 4, 8 (with a
// colour table; grey pictures have the grey ramp), 16 (BI_RGB for 5-5-5,
// BI_BITFIELDS for 5-6-5, BMP only), 24 or 32; biClrUsed colours;
// biHeight positive. FALSE for files that cannot be read or whose pixel
// memory at their own size would exceed the limit.
BOOL RasioReadHeader(const char* path, BITMAPINFOHEADER* header);
// The file's colour table as a new GDI palette owned by the caller; null for
// true-colour pictures and unreadable files.
HPALETTE RasioReadPalette(const char* path);
// Reads the pixels into an image object created as RasioReadHeader
// described the file (or at a size RasioFileHeader gave).
BOOL RasioReadDIBImg(const char* path, const PixoLmmInfo* record, int offset, int reserved);
// Writes the picture; the format comes from the path's extension (bmp, gif,
// jpg/jpeg/jpe, png, tif/tiff, pcx, tga). JPEG at quality 90 with optimised
// Huffman tables. The file is replaced only once the new one is complete.
BOOL RasioSaveDIBImg(const char* path, const PixoLmmInfo* record, int offset, int reserved);

// A picture file open for loading. Its header is read once, on opening, and
// the pixel read uses the same open, so that a format whose decoder decodes
// the whole picture on opening (PNG and GIF under Wine) is decoded once.
// The path functions above each open the file for themselves.
struct RasioFile;
// Null for files that cannot be read, and for pictures beyond the limit
// even at the smallest size their decoder reaches directly.
RasioFile* RasioOpenFile(const char* path);
void RasioCloseFile(RasioFile* file);
// The picture's own size.
BOOL RasioFileSize(const RasioFile* file, int* width, int* height);
// The header of the picture at the smallest size its decoder reaches
// directly that is still at least minWidth x minHeight: for JPEG files 1/8
// to 8/8 of its size (rounded up), for other formats their own size. 0 for
// either asks for the picture's own size. FALSE beyond the limit.
BOOL RasioFileHeader(const RasioFile* file, int minWidth, int minHeight, BITMAPINFOHEADER* header);
BOOL RasioFileBitFields(const RasioFile* file, DWORD masks[3]);
HPALETTE RasioFilePalette(const RasioFile* file);
// Decodes the pixels at the size of the image object, which was created as
// RasioFileHeader described the picture at that size.
BOOL RasioFileReadDIBImg(RasioFile* file, const PixoLmmInfo* record, int offset);
// Whether the file's pictures can be read straight at another size
// (RasioFileReadScaled): JPEG files.
BOOL RasioFileReadsScaled(const RasioFile* file);
// Reads the picture scaled to the size of the image object, which was
// created as RasioFileHeader described the picture but at that size. It is
// decoded once, at the smallest size its decoder reaches that is still as
// large, and scaled the rest of the way row by row as the rows are decoded:
// the decode is never held whole. With helperThread, a large picture's lower
// part is decoded at the same time on a second thread.
BOOL RasioFileReadScaled(RasioFile* file, const PixoLmmInfo* record, int offset, BOOL helperThread);

// What a photo carries besides its pixels, for the copy of it that is sent.
struct RasioMetadata {
    std::vector<BYTE> exif;  // the TIFF structure of its Exif data; empty when none
    std::vector<BYTE> icc;   // its ICC colour profile; empty when none
    // The decoder has turned the picture as its container says (HEIF): an
    // Exif orientation no longer applies.
    BOOL upright = FALSE;
};
// The metadata of a JPEG, HEIF or WebP file; empty for other formats and
// files whose headers cannot be followed. FALSE only when memory runs out.
BOOL RasioFileMetadata(const RasioFile* file, RasioMetadata* metadata);
// Writes a JPEG file (the path's extension must say so) that carries the
// Exif data and colour profile; the upright flag is not looked at.
BOOL RasioSaveJpegWithMetadata(const char* path, const PixoLmmInfo* record, int offset, const RasioMetadata& metadata);
// Copies a JPEG file's compressed picture as it is, with the Exif data given
// (none when empty) and its colour profile, and without its other metadata
// (XMP, IPTC, comments, further pictures): nothing is decoded. FALSE, with
// target untouched, when the file's structure cannot be followed.
BOOL RasioCopyJpegWithExif(const char* source, const char* target, const std::vector<BYTE>& exif);
