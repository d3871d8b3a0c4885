// What the JPEG readers share: libjpeg's error trap, a chunked file source
// and the decompressor that owns both.
//
// libjpeg reports errors through a callback that must not return. It is C
// code without unwind tables, so no C++ exception may cross it: the callback
// jumps back to the setjmp of the function that started the work. Those
// functions create every object with a destructor before their setjmp, and
// the callbacks hold none.
#pragma once

#include "base/Win32Handles.h"

#include <windows.h>

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace rasio::jpeg {

struct ErrorTrap {
    jpeg_error_mgr manager;  // first: libjpeg sees this
    std::jmp_buf jump;
};

void InstallTrap(ErrorTrap& trap);

constexpr std::size_t kReadChunk = 64 * 1024;

// Reads the file in chunks: a header needs only its first one, and a decode
// never holds more of the file than one chunk.
struct FileSource {
    jpeg_source_mgr manager;  // first: libjpeg sees this
    HANDLE file = INVALID_HANDLE_VALUE;
    bool ended = false;  // the file ended before the decoder was done
    JOCTET buffer[kReadChunk];
};

struct Decompression {
    jpeg_decompress_struct cinfo{};
    ErrorTrap trap;
    std::unique_ptr<FileSource> source = std::make_unique<FileSource>();
    email32::base::AutoCloseHandle file;

    ~Decompression() { jpeg_destroy_decompress(&cinfo); }
};

// Opens the file and installs the trap; false when the file cannot be
// opened. Called before the setjmp.
bool Prepare(Decompression& d, const char* path);
// Creates the decompressor and reads the header; called after the setjmp.
void Start(Decompression& d);

bool IsColour(J_COLOR_SPACE space);
// Ink rows of a CMYK or YCCK file as blue-green-red triples.
void CmykToBgr(const BYTE* cmyk, int width, bool inverted, BYTE* bgr) noexcept;

}  // namespace rasio::jpeg
