// The GIF codec's interface for tools and tests: what the email32 host's
// "gif" command needs from the module, exported as plain functions.
#pragma once

#include "public/Email32Api.h"

enum Email32GifStatus : int {
    kEmail32GifOk = 0,
    kEmail32GifUnreadable = 1,   // missing, unreadable or not a GIF file
    kEmail32GifDamaged = 2,      // header or global colour table longer than the file
    kEmail32GifWriteFailed = 3,  // an output file could not be written
};

// *animated = CGif89a::IsAnimated(path).
EMAIL32_API int Email32GifIsAnimated(const char* path, int* animated);

// Reads every frame (not stopping at two) and writes each decoded frame's
// true-colour image as FOLDER\frame-NNN.png (NNN from 000, in file order)
// through the image file library; *frameCount receives the number written.
EMAIL32_API int Email32GifSaveFrames(const char* path, const char* folder, int* frameCount);

// Writes the file back through the blocks' serialisation: the head, the
// other blocks in order, frames re-encoded by the module's LZW encoder, then
// a trailer. The destination is written only when the source was read.
EMAIL32_API int Email32GifRewrite(const char* source, const char* destination);
