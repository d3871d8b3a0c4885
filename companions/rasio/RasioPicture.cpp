#include "companions/rasio/RasioPicture.h"

#include "companions/pixo/PixoRows.h"
#include "base/Win32Handles.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace rasio {
namespace {

std::string LowerExtension(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    }
    const char* dot = std::strrchr(name, '.');
    std::string ext = dot ? dot + 1 : "";
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return ext;
}

Format FormatOfExtension(const std::string& ext) {
    if (ext == "bmp" || ext == "dib") return Format::Bmp;
    if (ext == "gif") return Format::Gif;
    if (ext == "jpg" || ext == "jpeg" || ext == "jpe") return Format::Jpeg;
    if (ext == "png") return Format::Png;
    if (ext == "tif" || ext == "tiff") return Format::Tiff;
    if (ext == "pcx") return Format::Pcx;
    if (ext == "tga") return Format::Tga;
    if (ext == "fpx") return Format::Fpx;
    if (ext == "heic" || ext == "heif" || ext == "hif") return Format::Heif;
    if (ext == "webp") return Format::Webp;
    return Format::Unknown;
}

// An ISO base media file whose brands name a HEVC-coded HEIF picture. A file
// whose brands also name AV1 (AVIF) is not one: libheif is built without an
// AV1 decoder.
bool IsHeifHead(const std::vector<BYTE>& head) {
    if (head.size() < 16 || std::memcmp(head.data() + 4, "ftyp", 4) != 0) return false;
    const std::size_t box = (std::size_t{head[0]} << 24) | (std::size_t{head[1]} << 16) | (head[2] << 8) | head[3];
    const std::size_t end = std::min(box, head.size());
    bool hevc = false, image = false;
    for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {
        const char* brand = reinterpret_cast<const char*>(head.data() + at);
        for (const char* b : {"heic", "heix", "heim", "heis", "hevc", "hevx"})
            hevc = hevc || std::memcmp(brand, b, 4) == 0;
        for (const char* b : {"mif1", "msf1"}) image = image || std::memcmp(brand, b, 4) == 0;
        if (std::memcmp(brand, "avif", 4) == 0 || std::memcmp(brand, "avis", 4) == 0) return false;
    }
    return hevc || image;
}

}  // namespace

bool Canvas::GreyTable() const noexcept {
    for (const RGBQUAD& c : colours) {
        if (c.rgbRed != c.rgbGreen || c.rgbGreen != c.rgbBlue) return false;
    }
    return !colours.empty();
}

void Canvas::LineToBgr(int y, BYTE* out) const noexcept {
    pixo::RowToBgr(type, Line(y), colours.data(), colours.size(), 0, width - 1, out);
}

bool WithinLimit(int width, int height, int bits) noexcept {
    if (width <= 0 || height <= 0) return false;
    const std::size_t line = PPixo::LineBytesFor(width, bits);
    return line != 0 && line <= PPixo::kMaxPixelBytes / static_cast<std::size_t>(height);
}

bool AllocatePicture(Picture& picture) {
    const PictureInfo& info = picture.info;
    if (!WithinLimit(info.width, info.height, info.bits)) return false;
    picture.lineBytes = static_cast<int>(PPixo::LineBytesFor(info.width, info.bits));
    try {
        picture.pixels.assign(static_cast<std::size_t>(picture.lineBytes) * static_cast<std::size_t>(info.height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool ReadFilePrefix(const char* path, std::size_t maxBytes, std::vector<BYTE>& bytes) {
    bytes.clear();
    email32::base::AutoCloseHandle file(
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return false;
    const std::size_t want =
        static_cast<unsigned long long>(size.QuadPart) < maxBytes ? static_cast<std::size_t>(size.QuadPart) : maxBytes;
    try {
        bytes.resize(want);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::size_t done = 0;
    while (done < want) {
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(want - done > (1u << 24) ? (1u << 24) : want - done);
        if (!::ReadFile(file.get(), bytes.data() + done, chunk, &got, nullptr) || got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return true;
}

bool ReadWholeFile(const char* path, std::size_t maxBytes, std::vector<BYTE>& bytes) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    if (data.nFileSizeHigh != 0 || data.nFileSizeLow > maxBytes) return false;
    return ReadFilePrefix(path, maxBytes, bytes) && bytes.size() == data.nFileSizeLow;
}

MappedFile::MappedFile(const char* path) {
    m_file.reset(
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length{};
    if (!m_file || !::GetFileSizeEx(m_file.get(), &length) || length.QuadPart <= 0 ||
        static_cast<unsigned long long>(length.QuadPart) > SIZE_MAX / 2) {
        return;
    }
    m_mapping.reset(::CreateFileMappingA(m_file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!m_mapping) return;
    m_view.reset(::MapViewOfFile(m_mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!m_view) return;
    data = static_cast<const BYTE*>(m_view.get());
    size = static_cast<std::size_t>(length.QuadPart);
}

std::string SiblingTempName(const char* path) { return std::string(path) + ".~new"; }

bool MayReplace(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes == INVALID_FILE_ATTRIBUTES ||
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

bool ReplaceFile(const char* path, const std::vector<BYTE>& bytes) {
    // Moving over a read-only file succeeds on some systems; it must not.
    if (!MayReplace(path)) return false;
    const std::string temporary = SiblingTempName(path);
    {
        email32::base::AutoCloseHandle file(
            ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD written = 0;
        const bool ok = bytes.empty() ||
                        (::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                         written == bytes.size());
        if (!ok) {
            file.reset();
            ::DeleteFileA(temporary.c_str());
            return false;
        }
    }
    if (!::MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

Format DetectFormat(const char* path) {
    std::vector<BYTE> head;
    if (!ReadFilePrefix(path, 64, head) || head.size() < 4) return Format::Unknown;
    const BYTE* b = head.data();
    if (b[0] == 'B' && b[1] == 'M') {
        if (head.size() >= 34) {
            const unsigned compression = b[30] | (b[31] << 8);
            if (compression == BI_RLE8 || compression == BI_RLE4) return Format::BmpRle;
        }
        return Format::Bmp;
    }
    if (std::memcmp(b, "GIF8", 4) == 0) return Format::Gif;
    if (b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return Format::Jpeg;
    if (head.size() >= 8 && std::memcmp(b, "\x89PNG\r\n\x1A\n", 8) == 0) return Format::Png;
    if ((b[0] == 'I' && b[1] == 'I' && b[2] == 42 && b[3] == 0) ||
        (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == 42)) {
        return Format::Tiff;
    }
    // OLE compound document, the container of FlashPix.
    if (head.size() >= 8 && std::memcmp(b, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0) return Format::Fpx;
    if (b[0] == 0x0A && b[1] <= 5 && b[2] == 1) return Format::Pcx;
    if (head.size() >= 12 && std::memcmp(b, "RIFF", 4) == 0 && std::memcmp(b + 8, "WEBP", 4) == 0) return Format::Webp;
    if (IsHeifHead(head)) return Format::Heif;
    const Format byName = FormatOfExtension(LowerExtension(path));
    return byName == Format::Tga ? Format::Tga : Format::Unknown;
}

Format FormatForExtension(const char* path) { return FormatOfExtension(LowerExtension(path)); }

std::vector<RGBQUAD> GreyRamp(int levels) {
    std::vector<RGBQUAD> table;
    for (int i = 0; i < levels; ++i) {
        const BYTE v = static_cast<BYTE>(i * 255 / (levels - 1));
        table.push_back(RGBQUAD{v, v, v, 0});
    }
    return table;
}

}  // namespace rasio
