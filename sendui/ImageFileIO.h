// Picture files in and out of image objects, for the attachment preparation
// of the send options dialog.
#pragma once

#include "public/framework/CString.h"
#include "base/Win32Handles.h"

#include <windows.h>

#include <string>

class PPixo;
struct RasioFile;
struct RasioMetadata;

namespace email32::sendui {

struct RasioFileTraits {
    using handle_type = RasioFile*;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept;
};

// A picture file open for loading: its size is known before any pixel is
// decoded, and it is decoded once, at the size the caller needs.
class PictureFile {
public:
    explicit PictureFile(const char* path);

    // False for a file that cannot be read as a picture within the pixel
    // limit at any size.
    [[nodiscard]] bool IsOpen() const noexcept { return m_file.valid(); }
    // The picture's own size.
    [[nodiscard]] int Width() const noexcept { return m_width; }
    [[nodiscard]] int Height() const noexcept { return m_height; }
    // The Exif data and colour profile it carries; false only when memory
    // runs out. Before the load.
    bool Metadata(RasioMetadata& metadata) const;
    // A JPEG file by its content.
    [[nodiscard]] bool IsJpeg() const noexcept;
    // Whether LoadScaled scales the picture as it decodes it.
    [[nodiscard]] bool ReadsScaled() const noexcept;
    // Reads the picture into an empty image object, at its own size or, given
    // a minimum size, at the smallest size the file's decoder reaches directly
    // that is still at least that large (JPEG files: in eighths of their
    // size), for the caller to scale the rest of the way. The file is closed
    // once its pixels have been read: one load per PictureFile. After a
    // failure the object may hold a created but unfilled picture.
    BOOL Load(PPixo* image, int flags, int minWidth = 0, int minHeight = 0);

    // How LoadScaled goes about it.
    struct Scaling {
        int width = 0;
        int height = 0;
        bool keepDensity = false;   // the picture's own densities, or none
        bool helperThread = false;  // a second thread may share the decode
    };
    // Reads the picture scaled to the size into an empty image object, of
    // the type and colour table that Load would give it. Where the file's
    // decoder can (JPEG files), the picture is scaled row by row as it is
    // decoded and never held whole; otherwise it is loaded as small as its
    // decoder allows and then scaled. One load per PictureFile, as Load.
    BOOL LoadScaled(PPixo* image, int flags, const Scaling& scaling);

private:
    std::string m_path;
    base::UniqueHandle<RasioFileTraits> m_file;
    int m_width = 0;
    int m_height = 0;
};

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

}  // namespace email32::sendui
