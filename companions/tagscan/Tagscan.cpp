#include "companions/tagscan/Tagscan.h"

#include "framework/Win32Handles.h"

#include <cstring>
#include <vector>

namespace tagscan {
namespace {

constexpr unsigned kExifIfdTag = 0x8769;
// JPEG segments looked at before the image data; real files have a few.
constexpr int kMaxSegments = 256;

struct Reader {
    const unsigned char* data;
    std::size_t size;
    bool little;

    bool U16(std::size_t at, unsigned& v) const noexcept {
        if (at > size || size - at < 2) return false;
        v = little ? (data[at] | (data[at + 1] << 8)) : ((data[at] << 8) | data[at + 1]);
        return true;
    }
    bool U32(std::size_t at, unsigned long& v) const noexcept {
        unsigned a, b;
        if (!U16(at, a) || !U16(at + 2, b)) return false;
        v = little ? (static_cast<unsigned long>(b) << 16) | a : (static_cast<unsigned long>(a) << 16) | b;
        return true;
    }
};

}  // namespace

bool TiffHasExif(const unsigned char* data, std::size_t size) noexcept {
    if (data == nullptr || size < 8) return false;
    Reader r{data, size, false};
    if (data[0] == 'I' && data[1] == 'I') r.little = true;
    else if (!(data[0] == 'M' && data[1] == 'M')) return false;
    unsigned magic;
    unsigned long ifd;
    if (!r.U16(2, magic) || magic != 42 || !r.U32(4, ifd)) return false;
    unsigned count;
    if (!r.U16(ifd, count)) return false;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = static_cast<std::size_t>(ifd) + 2 + static_cast<std::size_t>(i) * 12;
        unsigned tag, type;
        unsigned long n, value;
        if (!r.U16(entry, tag) || !r.U16(entry + 2, type) || !r.U32(entry + 4, n) || !r.U32(entry + 8, value)) {
            return false;   // the IFD runs past the file
        }
        if (tag != kExifIfdTag) continue;
        // LONG or IFD, one value: the Exif IFD's offset. It counts only when
        // its entry count lies inside the file and is not the first IFD again.
        unsigned exifCount;
        return (type == 4 || type == 13) && n == 1 && value != ifd && r.U16(value, exifCount);
    }
    return false;
}

bool JpegHasExif(const unsigned char* data, std::size_t size) noexcept {
    if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    std::size_t at = 2;
    for (int segments = 0; segments < kMaxSegments && at + 4 <= size; ++segments) {
        if (data[at] != 0xFF) return false;
        const unsigned char marker = data[at + 1];
        if (marker == 0xFF) {   // fill byte before a marker
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {   // no length
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return false;   // image data or end: no more headers
        const std::size_t length = (static_cast<std::size_t>(data[at + 2]) << 8) | data[at + 3];
        if (length < 2) return false;
        // A segment that runs past the end of the file is damage, not data.
        if (at + 2 + length > size) return false;
        if (marker == 0xE1 && length >= 8 && std::memcmp(data + at + 4, "Exif\0\0", 6) == 0) {
            return true;
        }
        at += 2 + length;
    }
    return false;
}

}  // namespace tagscan

BOOL IsExifFile(const char* path) {
    if (path == nullptr || *path == '\0') return FALSE;
    email32::AutoCloseHandle file(::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return FALSE;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 8) return FALSE;
    // Headers lie near the start: a JPEG's segments before the image data
    // (at most kMaxSegments of 64 KiB), a TIFF's first IFD anywhere. Mapping
    // the file reads only the pages the parser touches.
    email32::AutoCloseHandle mapping(::CreateFileMappingA(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return FALSE;
    email32::AutoMappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return FALSE;
    const auto* data = static_cast<const unsigned char*>(view.get());
    const std::size_t bytes = static_cast<std::size_t>(size.QuadPart);
    if (data[0] == 0xFF && data[1] == 0xD8) return tagscan::JpegHasExif(data, bytes) ? TRUE : FALSE;
    return tagscan::TiffHasExif(data, bytes) ? TRUE : FALSE;
}
