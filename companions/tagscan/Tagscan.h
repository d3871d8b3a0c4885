// "Tagscan": whether a picture file carries Exif data.
#pragma once

#include <windows.h>

// Nonzero for a JPEG file with an APP1 segment that starts with the Exif
// header, and for a TIFF file whose first IFD points to an Exif IFD that
// lies inside the file. Reads only within the file; never follows more than
// the first IFD.
BOOL IsExifFile(const char* path);

#include <cstddef>
#include <vector>

// The orientation an Exif block (its TIFF structure) gives: 1 to 8, 1 when it
// gives none.
int ExifBlockOrientation(const BYTE* tiff, std::size_t size);
// The Exif block of a smaller, upright picture made from a photo
// (width x height): date and time, camera and exposure kept, orientation 1,
// the location kept only with keepLocation, the maker note and the
// thumbnail left out. FALSE, with out empty, for a block that cannot be read.
BOOL RewriteExifBlock(const BYTE* tiff, std::size_t size, BOOL keepLocation, int width, int height,
                      std::vector<BYTE>* out);
