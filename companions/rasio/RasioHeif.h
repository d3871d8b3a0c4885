// HEIF/HEIC pictures through libheif and libde265, DLLs beside the module
// (or the host) that are loaded for each file and freed with it: without them, or with a
// libheif that lacks an entry, HEIF files are not pictures to the file
// library and are sent as they are. The primary picture is decoded at its
// own size into 24-bit colour, turned and cropped as its container says.
#pragma once

#include "companions/rasio/RasioPicture.h"

#include <memory>
#include <vector>

namespace rasio::heif {

struct Library;

class File {
public:
    // The file's bytes are kept for the decoder, which reads them in place.
    // Null when libheif cannot be loaded or cannot read the file.
    static std::unique_ptr<File> Open(std::vector<BYTE> bytes);
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    // The size after the container's turning and cropping, 24 bits.
    [[nodiscard]] const PictureInfo& Info() const noexcept { return m_info; }
    // Into a 24-bit canvas of the picture's size.
    bool Decode(const Canvas& canvas);
    // Its Exif item (with the item's 4-byte offset ahead of the TIFF
    // structure) and its ICC profile; empty when missing.
    void ReadMetadata(std::vector<BYTE>& exif, std::vector<BYTE>& icc) const;

private:
    File();
    std::unique_ptr<Library> m_library;
    std::vector<BYTE> m_bytes;
    void* m_context = nullptr;
    void* m_handle = nullptr;
    PictureInfo m_info;
};

}  // namespace rasio::heif
