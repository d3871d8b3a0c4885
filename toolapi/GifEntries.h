// The module's interface for tools and tests: what the email32 host's "gif"
// command needs from the GIF codec. Not part of the host contract.
#pragma once

#include "public/Email32Api.h"

namespace email32::toolapi {

enum class GifStatus : int {
    Ok = 0,
    Unreadable = 1,   // missing, unreadable or not a GIF file
    Damaged = 2,      // header or global colour table longer than the file
    WriteFailed = 3,  // an output file could not be written
};

// *animated = CGif89a::IsAnimated(path).
[[nodiscard]] EMAIL32_API GifStatus GifIsAnimated(const char* path, bool* animated);

// Reads every frame (not stopping at two) and writes each decoded frame's
// true-colour image as FOLDER\frame-NNN.png (NNN from 000, in file order)
// through the image file library; *frameCount receives the number written.
[[nodiscard]] EMAIL32_API GifStatus SaveGifFrames(const char* path, const char* folder, int* frameCount);

// Writes the file back through the blocks' serialisation: the head, the
// other blocks in order, frames re-encoded by the module's LZW encoder, then
// a trailer. The destination is written only when the source was read.
[[nodiscard]] EMAIL32_API GifStatus RewriteGif(const char* source, const char* destination);

}  // namespace email32::toolapi
