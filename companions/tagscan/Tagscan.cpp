#include "companions/tagscan/Tagscan.h"

#include "companions/tagscan/core/ExifRewrite.h"
#include "companions/tagscan/core/ExifScan.h"

#include "base/Win32Handles.h"

#include <cstddef>
#include <cstdint>
#include <new>

BOOL IsExifFile(const char* path) {
    if (path == nullptr || *path == '\0') return FALSE;
    email32::base::AutoCloseHandle file(
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FALSE;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 8) return FALSE;
    // Headers lie near the start: a JPEG's segments before the image data
    // (at most 256 of 64 KiB), a TIFF's first IFD anywhere. Mapping the
    // file reads only the pages the scanner touches.
    email32::base::AutoCloseHandle mapping(::CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return FALSE;
    email32::base::AutoMappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return FALSE;
    const auto* data = static_cast<const std::uint8_t*>(view.get());
    const std::size_t bytes = static_cast<std::size_t>(size.QuadPart);
    if (data[0] == 0xFF && data[1] == 0xD8) return tagscan::JpegHasExif(data, bytes) ? TRUE : FALSE;
    return tagscan::TiffHasExif(data, bytes) ? TRUE : FALSE;
}

int ExifBlockOrientation(const BYTE* tiff, std::size_t size) { return tagscan::ExifOrientation(tiff, size); }

BOOL RewriteExifBlock(const BYTE* tiff, std::size_t size, BOOL keepLocation, int width, int height,
                      std::vector<BYTE>* out) {
    if (out == nullptr) return FALSE;
    out->clear();
    try {
        const tagscan::ExifRewriteOptions options{keepLocation != FALSE,
                                                  width > 0 ? static_cast<std::uint32_t>(width) : 0u,
                                                  height > 0 ? static_cast<std::uint32_t>(height) : 0u};
        return tagscan::RewriteExif(tiff, size, options, *out) ? TRUE : FALSE;
    } catch (const std::bad_alloc&) {
        out->clear();
        return FALSE;
    }
}
