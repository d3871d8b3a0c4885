// "Tagscan": whether a picture file carries Exif data.
#pragma once

#include <windows.h>

// Nonzero for a JPEG file with an APP1 segment that starts with the Exif
// header, and for a TIFF file whose first IFD points to an Exif IFD that
// lies inside the file. Reads only within the file; never follows more than
// the first IFD.
BOOL IsExifFile(const char* path);
