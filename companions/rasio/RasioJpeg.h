// JPEG files through libjpeg-turbo: the header straight from the file's
// markers, pixels decoded once at a reduced size where the caller needs no
// more (the codec's DCT scaling in eighths), and writing with optimised
// Huffman tables.
#pragma once

#include "companions/rasio/RasioPicture.h"

#include <functional>
#include <vector>

namespace rasio::jpeg {

constexpr int kDefaultQuality = 90;
// From this quality on colour is written at full resolution (4:4:4), below it
// with chroma halved both ways (4:2:0), as the common tools do.
constexpr int kFullChromaQuality = 90;

// The size and the layout the file loads as (8-bit grey with the grey ramp
// for one-component files, 24-bit colour otherwise), read from the markers
// before the first scan; no pixel is decoded. False for files libjpeg-turbo
// cannot decode.
bool ReadInfo(const char* path, PictureInfo& info);

// The size of a decode at eighths/8 of the picture's size (1 to 8), rounded
// up as the codec rounds.
void ScaledSize(int width, int height, int eighths, int& scaledWidth, int& scaledHeight) noexcept;
// The fewest eighths whose decode is still at least minWidth x minHeight;
// 8 (the whole size) when no smaller one is.
int EighthsFor(int width, int height, int minWidth, int minHeight) noexcept;

// Decodes into the canvas, whose size must be the picture's at some number of
// eighths and whose depth is the one ReadInfo gave. A file that ends before
// its last scan does is not read: what it lacks would show as grey.
bool Decode(const char* path, const Canvas& canvas);

// Decodes the picture at eighths/8 of its size (1 to 8) and hands its rows,
// top to bottom, to `row` on the calling thread as blue-green-red triples,
// whatever the file's colour space; the decode is never held whole. With
// `helper`, a large picture read in one scan has its lower part decoded at
// the same time on a second thread, whose rows wait in memory for their
// turn. False when the file cannot be decoded or ends before its last scan
// does; some rows may have been handed over by then.
using RowFn = std::function<void(int y, const BYTE* bgr)>;
bool DecodeRows(const char* path, int eighths, bool helper, const RowFn& row);

// What a written file carries besides the picture.
struct Markers {
    const std::vector<BYTE>* exif = nullptr;  // a TIFF structure, as an Exif segment
    const std::vector<BYTE>* icc = nullptr;   // an ICC profile, in as many segments as it takes
};

// The picture as a JFIF file (an Exif file when markers give Exif data) at
// the quality (1 to 100), baseline, with Huffman tables fitted to the
// picture; one component for pictures whose table is all grey.
bool Encode(const Canvas& canvas, int quality, std::vector<BYTE>& out, const Markers& markers = {});

}  // namespace rasio::jpeg
