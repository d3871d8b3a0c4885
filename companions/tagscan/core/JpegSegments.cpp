#include "companions/tagscan/core/JpegSegments.h"

#include "companions/tagscan/core/ExifRewrite.h"

#include <cstring>

namespace tagscan {
namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp2 = 0xE2;
constexpr std::uint8_t kApp14 = 0xEE;
constexpr std::uint8_t kCom = 0xFE;

constexpr char kIccHeader[] = "ICC_PROFILE";  // with its terminating zero: 12 bytes
constexpr std::size_t kIccHeaderBytes = sizeof kIccHeader;

// One marker segment: its marker and, for those with a length, its body.
struct Segment {
    std::uint8_t marker = 0;
    std::size_t start = 0;  // the 0xFF of the marker
    std::size_t end = 0;    // one past the segment
    const std::uint8_t* body = nullptr;
    std::size_t bodySize = 0;
};

bool Standalone(std::uint8_t marker) noexcept { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9); }

// The segment at `at` (fill bytes before its marker skipped). False when
// there is no marker there or its length runs past the end.
bool NextSegment(const std::uint8_t* data, std::size_t size, std::size_t at, Segment& s) noexcept {
    if (at >= size || data[at] != 0xFF) return false;
    while (at + 1 < size && data[at + 1] == 0xFF) ++at;
    if (size - at < 2) return false;
    s.start = at;
    s.marker = data[at + 1];
    if (Standalone(s.marker)) {
        s.body = nullptr;
        s.bodySize = 0;
        s.end = at + 2;
        return true;
    }
    if (size - at < 4) return false;
    const std::size_t length = (std::size_t{data[at + 2]} << 8) | data[at + 3];
    if (length < 2 || length > size - at - 2) return false;
    s.body = data + at + 4;
    s.bodySize = length - 2;
    s.end = at + 2 + length;
    return true;
}

// Where the entropy-coded data starting at `at` ends: the next marker that
// is neither a stuffed zero nor a restart marker.
bool EntropyEnd(const std::uint8_t* data, std::size_t size, std::size_t at, std::size_t& end) noexcept {
    for (;;) {
        const void* hit = std::memchr(data + at, 0xFF, size - at);
        if (hit == nullptr) return false;
        at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
        std::size_t next = at + 1;
        while (next < size && data[next] == 0xFF) ++next;
        if (next >= size) return false;
        const std::uint8_t marker = data[next];
        if (marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7)) {
            at = next + 1;
            continue;
        }
        end = at;
        return true;
    }
}

bool IsExif(const Segment& s) noexcept {
    return s.marker == kApp1 && s.bodySize >= 6 && std::memcmp(s.body, "Exif\0\0", 6) == 0;
}
bool IsIcc(const Segment& s) noexcept {
    return s.marker == kApp2 && s.bodySize >= kIccHeaderBytes + 2 &&
           std::memcmp(s.body, kIccHeader, kIccHeaderBytes) == 0;
}
bool IsJfif(const Segment& s) noexcept {
    return s.marker == kApp0 && s.bodySize >= 5 && std::memcmp(s.body, "JFIF\0", 5) == 0;
}
bool IsAdobe(const Segment& s) noexcept {
    return s.marker == kApp14 && s.bodySize >= 5 && std::memcmp(s.body, "Adobe", 5) == 0;
}

void Append(std::vector<std::uint8_t>& out, const std::uint8_t* data, std::size_t from, std::size_t to) {
    out.insert(out.end(), data + from, data + to);
}

}  // namespace

bool ReadJpegMetadata(const std::uint8_t* data, std::size_t size, JpegMetadata& out) {
    out = JpegMetadata{};
    if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != kSoi) return false;
    // The chunks of the ICC profile by sequence number (1 to count).
    const std::uint8_t* chunks[256] = {};
    std::size_t chunkSizes[256] = {};
    int chunkCount = -1;
    bool iccDamaged = false;
    Segment s;
    for (std::size_t at = 2;; at = s.end) {
        if (!NextSegment(data, size, at, s)) return false;
        if (s.marker == kSos || s.marker == kEoi) break;
        if (IsExif(s) && out.exif == nullptr) {
            out.exif = s.body + 6;
            out.exifSize = s.bodySize - 6;
        } else if (IsIcc(s)) {
            const int sequence = s.body[kIccHeaderBytes];
            const int count = s.body[kIccHeaderBytes + 1];
            if (sequence == 0 || count == 0 || sequence > count || (chunkCount >= 0 && count != chunkCount) ||
                chunks[sequence] != nullptr) {
                iccDamaged = true;
                continue;
            }
            chunkCount = count;
            chunks[sequence] = s.body + kIccHeaderBytes + 2;
            chunkSizes[sequence] = s.bodySize - kIccHeaderBytes - 2;
        }
    }
    if (chunkCount > 0 && !iccDamaged) {
        std::size_t total = 0;
        for (int i = 1; i <= chunkCount; ++i) {
            if (chunks[i] == nullptr) return true;
            total += chunkSizes[i];
        }
        out.icc.reserve(total);
        for (int i = 1; i <= chunkCount; ++i) out.icc.insert(out.icc.end(), chunks[i], chunks[i] + chunkSizes[i]);
    }
    return true;
}

bool RewriteJpegSegments(const std::uint8_t* data, std::size_t size, const std::vector<std::uint8_t>& exifTiff,
                         std::vector<std::uint8_t>& out) {
    out.clear();
    if (data == nullptr || size < 4 || data[0] != 0xFF || data[1] != kSoi || exifTiff.size() > kMaxExifBlock) {
        return false;
    }
    std::vector<std::uint8_t> picture;  // tables, frame and scans, in order
    const std::uint8_t* jfif = nullptr;
    const std::uint8_t* adobe = nullptr;
    std::size_t jfifEnd = 0, adobeEnd = 0;
    std::vector<std::uint8_t> icc;
    bool sawFrame = false;
    bool scanned = false;  // metadata between scans is not looked at by readers
    Segment s;
    std::size_t at = 2;
    for (;;) {
        if (!NextSegment(data, size, at, s)) return false;
        at = s.end;
        if (s.marker == kSoi) return false;
        if (s.marker == kEoi) {
            if (!sawFrame) return false;
            Append(picture, data, s.start, s.end);
            break;
        }
        if (s.marker >= kApp0 && s.marker <= kApp0 + 15) {
            if (scanned) continue;
            if (IsJfif(s) && jfif == nullptr) {
                jfif = data + s.start;
                jfifEnd = s.end;
            } else if (IsAdobe(s) && adobe == nullptr) {
                adobe = data + s.start;
                adobeEnd = s.end;
            } else if (IsIcc(s)) {
                Append(icc, data, s.start, s.end);
            }
            continue;
        }
        if (s.marker == kCom) continue;
        if ((s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 && s.marker != 0xCC)) {
            sawFrame = true;
        }
        Append(picture, data, s.start, s.end);
        if (s.marker == kSos) {
            if (!sawFrame) return false;
            scanned = true;
            std::size_t end = 0;
            if (!EntropyEnd(data, size, at, end)) return false;
            Append(picture, data, at, end);
            at = end;
        }
    }

    out.reserve(4 + (jfif ? jfifEnd - static_cast<std::size_t>(jfif - data) : 0) + exifTiff.size() + 10 + icc.size() +
                picture.size() + 32);
    out.insert(out.end(), {0xFF, kSoi});
    if (jfif) out.insert(out.end(), jfif, data + jfifEnd);
    if (!exifTiff.empty()) {
        const std::size_t length = 2 + 6 + exifTiff.size();
        out.insert(out.end(), {0xFF, kApp1, std::uint8_t(length >> 8), std::uint8_t(length & 0xFF)});
        out.insert(out.end(), {'E', 'x', 'i', 'f', 0, 0});
        out.insert(out.end(), exifTiff.begin(), exifTiff.end());
    }
    out.insert(out.end(), icc.begin(), icc.end());
    if (adobe) out.insert(out.end(), adobe, data + adobeEnd);
    out.insert(out.end(), picture.begin(), picture.end());
    return true;
}

}  // namespace tagscan
