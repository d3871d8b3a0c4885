// A minimal PNG writer for the host's frame dumps: 8-bit RGB, stored
// (uncompressed) deflate blocks.
#pragma once

#include <string>

namespace email32::host {

// rows: top-down, blue-green-red, `stride` bytes apart. False when the file
// cannot be written.
bool WritePng(const std::string& path, int width, int height, const unsigned char* rows, int stride);

}  // namespace email32::host
