// BMP, GIF, PNG and TIFF through the Windows Imaging Component.
#pragma once

#include "companions/rasio/RasioPicture.h"

#include <memory>

namespace rasio::wic {

// One file's first frame, open for its header and its pixels. Some of the
// component's decoders decode the whole picture when they open a file (under
// Wine those of PNG and GIF), so the header and the pixels are read through
// the same open: every picture is decoded once.
class Reader {
public:
    Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    ~Reader();

    [[nodiscard]] bool Open(const char* path);
    // The size and the layout the picture loads as.
    [[nodiscard]] bool ReadInfo(PictureInfo& info);
    // Decodes the frame into the canvas, which must have the size and depth
    // that ReadInfo gave.
    [[nodiscard]] bool ReadPixels(const Canvas& canvas);

    struct Source;

private:
    std::unique_ptr<Source> m_source;
};

bool Write(const char* path, Format format, const Canvas& canvas);

}  // namespace rasio::wic
