#include "companions/tagscan/core/ExifRewrite.h"

#include <algorithm>
#include <cstring>

namespace tagscan {
namespace {

constexpr std::uint16_t kImageWidth = 0x0100;
constexpr std::uint16_t kImageLength = 0x0101;
constexpr std::uint16_t kOrientation = 0x0112;
constexpr std::uint16_t kExifIfd = 0x8769;
constexpr std::uint16_t kGpsIfd = 0x8825;
constexpr std::uint16_t kInteropIfd = 0xA005;
constexpr std::uint16_t kPixelXDimension = 0xA002;
constexpr std::uint16_t kPixelYDimension = 0xA003;

constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeIfd = 13;

// More entries than any camera writes into one IFD; a longer count is damage.
constexpr std::uint16_t kMaxEntries = 1024;

// Entries whose values point at data this block no longer carries, or carry
// what a photo sent on must not: strips and tiles, sub-IFDs, the JPEG
// thumbnail, XMP, IPTC, Photoshop resources, an ICC profile inside the
// block, the maker note and the padding some writers reserve.
bool LeftOut(std::uint16_t tag) noexcept {
    switch (tag) {
    case 0x0111:  // StripOffsets
    case 0x0117:  // StripByteCounts
    case 0x0144:  // TileOffsets
    case 0x0145:  // TileByteCounts
    case 0x014A:  // SubIFDs
    case 0x0201:  // JPEGInterchangeFormat
    case 0x0202:  // JPEGInterchangeFormatLength
    case 0x02BC:  // XMP
    case 0x83BB:  // IPTC
    case 0x8649:  // Photoshop resources
    case 0x8773:  // ICC profile
    case 0x927C:  // MakerNote
    case 0xEA1C:  // Padding
    case 0xEA1D:  // OffsetSchema
        return true;
    default: return false;
    }
}

std::uint64_t TypeSize(std::uint16_t type) noexcept {
    switch (type) {
    case 1:  // BYTE
    case 2:  // ASCII
    case 6:  // SBYTE
    case 7:  // UNDEFINED
        return 1;
    case 3:  // SHORT
    case 8:  // SSHORT
        return 2;
    case 4:   // LONG
    case 9:   // SLONG
    case 11:  // FLOAT
    case 13:  // IFD
        return 4;
    case 5:   // RATIONAL
    case 10:  // SRATIONAL
    case 12:  // DOUBLE
        return 8;
    default: return 0;
    }
}

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    bool little;

    [[nodiscard]] bool Inside(std::uint64_t at, std::uint64_t bytes) const noexcept {
        return at <= size && bytes <= size - at;
    }
    [[nodiscard]] bool U16(std::uint64_t at, std::uint16_t& v) const noexcept {
        if (!Inside(at, 2)) return false;
        const std::uint8_t* p = data + at;
        v = static_cast<std::uint16_t>(little ? p[0] | (p[1] << 8) : (p[0] << 8) | p[1]);
        return true;
    }
    [[nodiscard]] bool U32(std::uint64_t at, std::uint32_t& v) const noexcept {
        std::uint16_t a = 0, b = 0;
        if (!U16(at, a) || !U16(at + 2, b)) return false;
        v = little ? (static_cast<std::uint32_t>(b) << 16) | a : (static_cast<std::uint32_t>(a) << 16) | b;
        return true;
    }
};

bool OpenTiff(const std::uint8_t* tiff, std::size_t size, Reader& r, std::uint32_t& ifd0) noexcept {
    if (tiff == nullptr || size < 8) return false;
    r = Reader{tiff, size, false};
    if (tiff[0] == 'I' && tiff[1] == 'I') r.little = true;
    else if (!(tiff[0] == 'M' && tiff[1] == 'M')) return false;
    std::uint16_t magic = 0;
    return r.U16(2, magic) && magic == 42 && r.U32(4, ifd0);
}

struct Entry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::vector<std::uint8_t> value;  // in the block's byte order
    int child = -1;                   // the IFD this entry points to, once written
};

enum Level { kIfd0, kExif, kGps, kInterop, kLevels };

// The entries of one IFD, their values copied out. `budget` is what the new
// block may still hold: a block whose values add up to more cannot be
// written, so reading stops there too.
bool ReadIfd(const Reader& r, std::uint32_t offset, std::vector<Entry>& entries, std::uint64_t& budget) {
    std::uint16_t count = 0;
    if (!r.U16(offset, count) || count > kMaxEntries) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = std::uint64_t{offset} + 2 + std::uint64_t{i} * 12;
        Entry e;
        std::uint32_t field = 0;
        if (!r.U16(at, e.tag) || !r.U16(at + 2, e.type) || !r.U32(at + 4, e.count) || !r.U32(at + 8, field)) {
            return false;  // the IFD runs past the block
        }
        const std::uint64_t bytes = TypeSize(e.type) * e.count;
        if (bytes == 0 || bytes > kMaxExifBlock) continue;
        const std::uint64_t from = bytes <= 4 ? at + 8 : field;
        if (!r.Inside(from, bytes)) continue;
        if (bytes + 12 > budget) return false;
        budget -= bytes + 12;
        e.value.assign(r.data + from, r.data + from + bytes);
        entries.push_back(std::move(e));
    }
    return true;
}

class Writer {
public:
    explicit Writer(bool little) : m_little(little) {}

    void U16(std::uint16_t v) {
        if (m_little) m_out.insert(m_out.end(), {std::uint8_t(v & 0xFF), std::uint8_t(v >> 8)});
        else m_out.insert(m_out.end(), {std::uint8_t(v >> 8), std::uint8_t(v & 0xFF)});
    }
    void U32(std::uint32_t v) {
        if (m_little) {
            U16(std::uint16_t(v & 0xFFFF));
            U16(std::uint16_t(v >> 16));
        } else {
            U16(std::uint16_t(v >> 16));
            U16(std::uint16_t(v & 0xFFFF));
        }
    }
    std::vector<std::uint8_t>& Bytes() noexcept { return m_out; }

    // A value of one SHORT or LONG, laid out as it lies in the entry.
    std::vector<std::uint8_t> Number(std::uint16_t type, std::uint32_t v) const {
        Writer w(m_little);
        if (type == kTypeShort) {
            w.U16(static_cast<std::uint16_t>(v));
            w.U16(0);
        } else {
            w.U32(v);
        }
        return w.m_out;
    }

private:
    bool m_little;
    std::vector<std::uint8_t> m_out;
};

// The bytes an IFD takes, values outside its entries included (each on an
// even offset).
std::uint64_t IfdBytes(const std::vector<Entry>& entries) noexcept {
    std::uint64_t bytes = 2 + 12 * std::uint64_t{entries.size()} + 4;
    for (const Entry& e : entries) {
        if (e.value.size() > 4) bytes += e.value.size() + (e.value.size() & 1);
    }
    return bytes;
}

void WriteIfd(Writer& w, const std::vector<Entry>& entries, const std::uint32_t (&ifdAt)[kLevels]) {
    const std::uint32_t start = static_cast<std::uint32_t>(w.Bytes().size());
    std::uint32_t valueAt = start + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
    w.U16(static_cast<std::uint16_t>(entries.size()));
    for (const Entry& e : entries) {
        w.U16(e.tag);
        w.U16(e.type);
        w.U32(e.count);
        if (e.child >= 0) {
            w.U32(ifdAt[e.child]);
        } else if (e.value.size() <= 4) {
            std::uint8_t inline4[4] = {};
            std::memcpy(inline4, e.value.data(), e.value.size());
            w.Bytes().insert(w.Bytes().end(), inline4, inline4 + 4);
        } else {
            w.U32(valueAt);
            valueAt += static_cast<std::uint32_t>(e.value.size() + (e.value.size() & 1));
        }
    }
    w.U32(0);  // no next IFD: the thumbnail's is not carried
    for (const Entry& e : entries) {
        if (e.child >= 0 || e.value.size() <= 4) continue;
        w.Bytes().insert(w.Bytes().end(), e.value.begin(), e.value.end());
        if (e.value.size() & 1) w.Bytes().push_back(0);
    }
}

// The offset a pointer entry holds: one LONG or IFD value.
bool PointerOf(const Reader& r, const Entry& e, std::uint32_t& offset) noexcept {
    if ((e.type != kTypeLong && e.type != kTypeIfd) || e.count != 1 || e.value.size() != 4) return false;
    const Reader value{e.value.data(), 4, r.little};
    return value.U32(0, offset);
}

}  // namespace

std::size_t ExifTiffStart(const std::uint8_t* data, std::size_t size) noexcept {
    return data != nullptr && size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0 ? 6 : 0;
}

std::size_t ExifItemTiff(const std::uint8_t* data, std::size_t size) noexcept {
    if (data == nullptr || size < 4) return size;
    const std::uint64_t skip =
        (std::uint64_t{data[0]} << 24) | (std::uint64_t{data[1]} << 16) | (std::uint64_t{data[2]} << 8) | data[3];
    if (skip > size - 4) return size;
    const std::size_t at = 4 + static_cast<std::size_t>(skip);
    return at + ExifTiffStart(data + at, size - at);
}

int ExifOrientation(const std::uint8_t* tiff, std::size_t size) noexcept {
    Reader r{};
    std::uint32_t ifd = 0;
    std::uint16_t count = 0;
    if (!OpenTiff(tiff, size, r, ifd) || !r.U16(ifd, count) || count > kMaxEntries) return 1;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t at = std::uint64_t{ifd} + 2 + std::uint64_t{i} * 12;
        std::uint16_t tag = 0, type = 0, value = 0;
        std::uint32_t n = 0;
        if (!r.U16(at, tag) || !r.U16(at + 2, type) || !r.U32(at + 4, n)) return 1;
        if (tag != kOrientation) continue;
        if (type != kTypeShort || n != 1 || !r.U16(at + 8, value)) return 1;
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

bool RewriteExif(const std::uint8_t* tiff, std::size_t size, const ExifRewriteOptions& options,
                 std::vector<std::uint8_t>& out) {
    out.clear();
    Reader r{};
    std::uint32_t ifd0 = 0;
    if (!OpenTiff(tiff, size, r, ifd0)) return false;
    std::uint64_t budget = kMaxExifBlock;
    std::vector<Entry> ifds[kLevels];
    if (!ReadIfd(r, ifd0, ifds[kIfd0], budget)) return false;
    // Where each IFD was read: a pointer back to one of them is damage.
    std::vector<std::uint32_t> readAt{ifd0};

    Writer w(r.little);
    // Keeps an entry, with its value changed where the picture changed; a
    // pointer to a sub-IFD is kept when that IFD is read and is the one
    // expected at this level.
    const auto keep = [&](Level level, Entry& e) -> bool {
        if (LeftOut(e.tag)) return false;
        Level child = kLevels;
        if (level == kIfd0 && e.tag == kExifIfd) child = kExif;
        if (level == kIfd0 && e.tag == kGpsIfd) child = options.keepLocation ? kGps : kLevels;
        if (level == kExif && e.tag == kInteropIfd) child = kInterop;
        if (e.tag == kExifIfd || e.tag == kGpsIfd || e.tag == kInteropIfd || e.type == kTypeIfd) {
            std::uint32_t at = 0;
            if (child == kLevels || !ifds[child].empty() || !PointerOf(r, e, at)) return false;
            if (std::find(readAt.begin(), readAt.end(), at) != readAt.end()) return false;
            readAt.push_back(at);
            if (!ReadIfd(r, at, ifds[child], budget) || ifds[child].empty()) {
                ifds[child].clear();
                return false;
            }
            e.child = child;
            e.type = kTypeLong;
            return true;
        }
        const bool number = (e.type == kTypeShort || e.type == kTypeLong) && e.count == 1;
        if (level == kIfd0 && e.tag == kOrientation) {
            if (e.type != kTypeShort || e.count != 1) return false;
            e.value = w.Number(kTypeShort, 1);
        } else if ((level == kIfd0 && e.tag == kImageWidth) || (level == kExif && e.tag == kPixelXDimension)) {
            if (!number || options.width == 0) return false;
            e.type = kTypeLong;
            e.value = w.Number(kTypeLong, options.width);
        } else if ((level == kIfd0 && e.tag == kImageLength) || (level == kExif && e.tag == kPixelYDimension)) {
            if (!number || options.height == 0) return false;
            e.type = kTypeLong;
            e.value = w.Number(kTypeLong, options.height);
        }
        return true;
    };
    // The first IFD decides which sub-IFDs exist; the Exif IFD then the
    // interoperability IFD. Entries stay in tag order, the first of a
    // repeated tag kept.
    for (Level level : {kIfd0, kExif, kGps, kInterop}) {
        std::vector<Entry> read = std::move(ifds[level]);
        ifds[level].clear();
        std::stable_sort(read.begin(), read.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        std::vector<Entry> kept;
        for (Entry& e : read) {
            if (!kept.empty() && kept.back().tag == e.tag) continue;
            if (keep(level, e)) kept.push_back(std::move(e));
        }
        // The sub-IFDs that keep read wait in their own slots.
        ifds[level] = std::move(kept);
    }

    // A sub-IFD left with no entry goes with its pointer, the deepest first.
    for (Level level : {kExif, kIfd0}) {
        std::vector<Entry>& entries = ifds[level];
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const Entry& e) { return e.child >= 0 && ifds[e.child].empty(); }),
                      entries.end());
    }

    // Layout: header, then each IFD with its values, in level order.
    std::uint32_t ifdAt[kLevels] = {};
    std::uint64_t at = 8;
    for (int l = 0; l < kLevels; ++l) {
        if (l != kIfd0 && ifds[l].empty()) continue;
        ifdAt[l] = static_cast<std::uint32_t>(at);
        at += IfdBytes(ifds[l]);
        if (at > kMaxExifBlock) return false;
    }
    w.Bytes().reserve(static_cast<std::size_t>(at));
    w.Bytes().insert(w.Bytes().end(), {std::uint8_t(r.little ? 'I' : 'M'), std::uint8_t(r.little ? 'I' : 'M')});
    w.U16(42);
    w.U32(8);
    for (int l = 0; l < kLevels; ++l) {
        if (l == kIfd0 || !ifds[l].empty()) WriteIfd(w, ifds[l], ifdAt);
    }
    out = std::move(w.Bytes());
    return true;
}

}  // namespace tagscan
