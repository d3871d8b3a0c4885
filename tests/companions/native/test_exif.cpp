// The Exif scanner on crafted bytes: it answers from the first IFD and the
// JPEG headers only, and never reads past the end.
#include "companions/tagscan/core/ExifScan.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Bytes = std::basic_string<std::uint8_t>;

Bytes Jpeg(const Bytes& segments) { return Bytes{0xFF, 0xD8} + segments + Bytes{0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9}; }
Bytes Segment(unsigned char marker, const Bytes& body) {
    const std::size_t length = body.size() + 2;
    return Bytes{0xFF, marker, static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length & 0xFF)} +
           body;
}
const Bytes kExifHeader{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};

// A little-endian TIFF whose first IFD at offset 8 has the given entries.
Bytes Tiff(const std::basic_string<unsigned>& entries) {
    Bytes b{'I', 'I', 42, 0, 8, 0, 0, 0, static_cast<unsigned char>(entries.size() / 4), 0};
    for (std::size_t i = 0; i < entries.size(); i += 4) {
        const unsigned e[4] = {entries[i], entries[i + 1], entries[i + 2], entries[i + 3]};
        // clang-format off
        b += Bytes{static_cast<unsigned char>(e[0] & 0xFF), static_cast<unsigned char>(e[0] >> 8),
                   static_cast<unsigned char>(e[1]), 0,
                   static_cast<unsigned char>(e[2]), 0, 0, 0,
                   static_cast<unsigned char>(e[3] & 0xFF), static_cast<unsigned char>((e[3] >> 8) & 0xFF),
                   static_cast<unsigned char>((e[3] >> 16) & 0xFF), static_cast<unsigned char>(e[3] >> 24)};
        // clang-format on
    }
    return b + Bytes{0, 0, 0, 0} + Bytes(8, 0);
}

TEST(ExifScan, JpegAnswersFromTheSegmentsBeforeTheImageData) {
    using tagscan::JpegHasExif;
    const Bytes exif = Jpeg(Segment(0xE0, Bytes(14, 'j')) + Segment(0xE1, kExifHeader));
    EXPECT_TRUE(JpegHasExif(exif.data(), exif.size()));
    const Bytes xmp = Jpeg(Segment(0xE1, Bytes{'h', 't', 't', 'p', ':', '/', '/', 'n', 's'}));
    EXPECT_FALSE(JpegHasExif(xmp.data(), xmp.size()));
    // Exif after the image data does not count; nor does a cut-off segment.
    const Bytes late = Bytes{0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02} + Segment(0xE1, kExifHeader);
    EXPECT_FALSE(JpegHasExif(late.data(), late.size()));
    for (std::size_t cut = 0; cut < exif.size() - 6; ++cut) {
        EXPECT_FALSE(JpegHasExif(exif.data(), cut)) << cut;
    }
    // Fill bytes and a zero length.
    const Bytes fill = Bytes{0xFF, 0xD8, 0xFF, 0xFF} + Segment(0xE1, kExifHeader);
    EXPECT_TRUE(JpegHasExif(fill.data(), fill.size()));
    const Bytes zero{0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x00, 'E', 'x', 'i', 'f', 0, 0};
    EXPECT_FALSE(JpegHasExif(zero.data(), zero.size()));
}

TEST(ExifScan, TiffAnswersFromTheFirstIfdOnly) {
    using tagscan::TiffHasExif;
    const Bytes with = Tiff({256, 3, 1, 4, 0x8769, 4, 1, 26});
    EXPECT_TRUE(TiffHasExif(with.data(), with.size()));
    const Bytes without = Tiff({256, 3, 1, 4, 257, 3, 1, 4});
    EXPECT_FALSE(TiffHasExif(without.data(), without.size()));
    // The pointer must lead inside the file, and not back to the IFD itself.
    const Bytes outside = Tiff({0x8769, 4, 1, 0x10000});
    EXPECT_FALSE(TiffHasExif(outside.data(), outside.size()));
    const Bytes self = Tiff({0x8769, 4, 1, 8});
    EXPECT_FALSE(TiffHasExif(self.data(), self.size()));
    for (std::size_t cut = 0; cut < 32; ++cut) EXPECT_FALSE(TiffHasExif(with.data(), cut)) << cut;
    Bytes bigEndian{'M', 'M', 0, 42, 0, 0, 0,  8, 0, 1, 0x87, 0x69, 0, 4, 0,
                    0,   0,   1, 0,  0, 0, 26, 0, 0, 0, 0,    0,    0, 0, 0};
    EXPECT_TRUE(TiffHasExif(bigEndian.data(), bigEndian.size()));
    // An IFD claiming more entries than the file holds.
    Bytes huge = Tiff({256, 3, 1, 4});
    huge[8] = 0xFF;
    huge[9] = 0xFF;
    EXPECT_FALSE(TiffHasExif(huge.data(), huge.size()));
}

}  // namespace
