// Picture files in and out of image objects, for the attachment preparation
// of the send options dialog.
#pragma once

#include "framework/CString.h"

#include <windows.h>

class PPixo;

namespace email32 {

// Reads a picture file into an empty image object; FALSE when it cannot be
// read. After a failure the object may hold a created but unfilled picture.
BOOL LoadImageFile(const char* path, PPixo* image, int flags);
// Writes the picture in the format that the path's extension names.
BOOL SaveImageFile(const char* path, PPixo* image);
// Brings the picture to one of the named colour types (the module's string
// table texts: "24-bit Color", "256 Gray Scale", ...), loading it from path
// first if the object is empty. A failed conversion leaves the object as it
// was; an unknown name fails.
BOOL ConvertColourType(const char* path, PPixo* image, CString colourName);
// Nonzero when the file carries Exif data.
int HasExif(CString path);

}  // namespace email32
