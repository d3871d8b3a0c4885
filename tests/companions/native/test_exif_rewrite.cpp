// The Exif rewriter and the JPEG segment rewriter on blocks laid out here:
// what a photo sent on keeps and loses, in both byte orders, and damage that
// leaves the rest of the block readable.
#include "companions/tagscan/core/ExifRewrite.h"
#include "companions/tagscan/core/JpegSegments.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Field {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    Bytes value;     // in the block's byte order; > 4 bytes go behind the IFD
    int child = -1;  // index of an IFD this entry points to
};

// A TIFF block of IFDs laid one after the other: IFD 0 first, then the rest;
// `next` links IFD 0 to a thumbnail IFD.
struct Block {
    bool little = true;
    std::vector<std::vector<Field>> ifds;
    int next = -1;

    Bytes U16(std::uint16_t v) const {
        return little ? Bytes{std::uint8_t(v), std::uint8_t(v >> 8)} : Bytes{std::uint8_t(v >> 8), std::uint8_t(v)};
    }
    Bytes U32(std::uint32_t v) const {
        Bytes lo = U16(std::uint16_t(v)), hi = U16(std::uint16_t(v >> 16));
        if (little) lo.insert(lo.end(), hi.begin(), hi.end());
        else hi.insert(hi.end(), lo.begin(), lo.end());
        return little ? lo : hi;
    }
    Bytes Build() const {
        std::vector<std::uint32_t> at;
        std::uint32_t offset = 8;
        for (const auto& ifd : ifds) {
            at.push_back(offset);
            offset += 2 + 12 * static_cast<std::uint32_t>(ifd.size()) + 4;
            for (const Field& f : ifd) offset += f.value.size() > 4 ? static_cast<std::uint32_t>(f.value.size()) : 0;
        }
        Bytes b = little ? Bytes{'I', 'I'} : Bytes{'M', 'M'};
        for (const Bytes& part : {U16(42), U32(8)}) b.insert(b.end(), part.begin(), part.end());
        for (std::size_t i = 0; i < ifds.size(); ++i) {
            Bytes values;
            std::uint32_t valueAt = at[i] + 2 + 12 * static_cast<std::uint32_t>(ifds[i].size()) + 4;
            const auto put = [&](const Bytes& part) { b.insert(b.end(), part.begin(), part.end()); };
            put(U16(static_cast<std::uint16_t>(ifds[i].size())));
            for (const Field& f : ifds[i]) {
                put(U16(f.tag));
                put(U16(f.type));
                put(U32(f.count));
                if (f.child >= 0) {
                    put(U32(at[static_cast<std::size_t>(f.child)]));
                } else if (f.value.size() <= 4) {
                    Bytes v = f.value;
                    v.resize(4);
                    put(v);
                } else {
                    put(U32(valueAt + static_cast<std::uint32_t>(values.size())));
                    values.insert(values.end(), f.value.begin(), f.value.end());
                }
            }
            put(U32(i == 0 && next >= 0 ? at[static_cast<std::size_t>(next)] : 0));
            put(values);
        }
        return b;
    }
    Field Short(std::uint16_t tag, std::uint16_t v) const { return {tag, 3, 1, U16(v)}; }
    Field Long(std::uint16_t tag, std::uint32_t v) const { return {tag, 4, 1, U32(v)}; }
    static Field Ascii(std::uint16_t tag, const std::string& text) {
        Bytes v(text.begin(), text.end());
        v.push_back(0);
        return {tag, 2, static_cast<std::uint32_t>(v.size()), v};
    }
    Field Pointer(std::uint16_t tag, int child) const { return {tag, 4, 1, U32(0), child}; }
};

// What a phone writes: orientation, camera, date and exposure, a maker
// note, a GPS position, an interoperability IFD and a thumbnail.
Block PhoneBlock(bool little, std::uint16_t orientation) {
    Block b;
    b.little = little;
    const Bytes exposure = b.U32(1);
    Bytes rational = exposure;
    const Bytes denominator = b.U32(120);
    rational.insert(rational.end(), denominator.begin(), denominator.end());
    b.ifds = {
        {Block::Ascii(0x010F, "Maker"), Block::Ascii(0x0110, "Phone 12"), b.Short(0x0112, orientation),
         b.Pointer(0x8769, 1), b.Pointer(0x8825, 2), b.Long(0x0100, 4000)},
        {{0x829A, 5, 1, rational},
         Block::Ascii(0x9003, "2023:05:06 07:08:09"),
         b.Long(0xA002, 4000),
         b.Long(0xA003, 3000),
         {0x927C, 7, 40, Bytes(40, 0xAB)},
         b.Pointer(0xA005, 3)},
        {{0x0000, 1, 4, Bytes{2, 3, 0, 0}}, Block::Ascii(0x0001, "N"), {0x0002, 5, 3, Bytes(24, 7)}},
        {Block::Ascii(0x0001, "R98")},
        {b.Short(0x0103, 6), b.Long(0x0201, 2000), b.Long(0x0202, 5000)},
    };
    b.next = 4;
    return b;
}

// Every entry of the rewritten block by IFD level: tag -> raw value.
struct Parsed {
    std::map<std::uint16_t, Bytes> ifd0, exif, gps, interop;
    std::uint32_t next = 0;
};

bool ReadBack(const Bytes& tiff, Parsed& p) {
    const bool little = tiff.size() >= 2 && tiff[0] == 'I';
    const auto u16 = [&](std::size_t at) {
        return little ? tiff.at(at) | (tiff.at(at + 1) << 8) : (tiff.at(at) << 8) | tiff.at(at + 1);
    };
    const auto u32 = [&](std::size_t at) {
        return little ? std::uint32_t(u16(at)) | (std::uint32_t(u16(at + 2)) << 16)
                      : (std::uint32_t(u16(at)) << 16) | std::uint32_t(u16(at + 2));
    };
    const std::size_t sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    const auto read = [&](std::uint32_t at, std::map<std::uint16_t, Bytes>& out) {
        const int count = u16(at);
        for (int i = 0; i < count; ++i) {
            const std::size_t e = at + 2 + 12 * static_cast<std::size_t>(i);
            const std::size_t bytes = sizes[u16(e + 2)] * u32(e + 4);
            const std::size_t from = bytes <= 4 ? e + 8 : u32(e + 8);
            out[static_cast<std::uint16_t>(u16(e))] =
                Bytes(tiff.begin() + long(from), tiff.begin() + long(from + bytes));
        }
        return u32(at + 2 + 12 * static_cast<std::size_t>(count));
    };
    p.next = read(u32(4), p.ifd0);
    const auto follow = [&](std::map<std::uint16_t, Bytes>& from, std::uint16_t tag,
                            std::map<std::uint16_t, Bytes>& to) {
        if (from.count(tag)) read(little ? from[tag][0] | (from[tag][1] << 8) : (from[tag][2] << 8) | from[tag][3], to);
    };
    follow(p.ifd0, 0x8769, p.exif);
    follow(p.ifd0, 0x8825, p.gps);
    follow(p.exif, 0xA005, p.interop);
    return true;
}

TEST(ExifRewrite, KeepsDateCameraAndExposureAndDropsLocationMakerNoteAndThumbnail) {
    for (bool little : {true, false}) {
        const Block block = PhoneBlock(little, 6);
        const Bytes in = block.Build();
        EXPECT_EQ(tagscan::ExifOrientation(in.data(), in.size()), 6);
        Bytes out;
        ASSERT_TRUE(tagscan::RewriteExif(in.data(), in.size(), {false, 640, 853}, out));
        EXPECT_EQ(out[0], little ? 'I' : 'M');
        EXPECT_EQ(tagscan::ExifOrientation(out.data(), out.size()), 1);
        Parsed p;
        ASSERT_TRUE(ReadBack(out, p));
        EXPECT_EQ(p.next, 0u) << "no thumbnail IFD";
        EXPECT_EQ(p.ifd0.count(0x8825), 0u) << "no GPS pointer";
        EXPECT_EQ(std::string(p.ifd0[0x010F].begin(), p.ifd0[0x010F].end()), std::string("Maker", 6));
        EXPECT_EQ(std::string(p.ifd0[0x0110].begin(), p.ifd0[0x0110].end()), std::string("Phone 12", 9));
        EXPECT_EQ(p.ifd0[0x0100], block.U32(640));
        EXPECT_EQ(std::string(p.exif[0x9003].begin(), p.exif[0x9003].end()), std::string("2023:05:06 07:08:09", 20));
        EXPECT_EQ(p.exif[0x829A].size(), 8u);
        EXPECT_EQ(p.exif.count(0x927C), 0u) << "no maker note";
        EXPECT_EQ(p.exif[0xA002], block.U32(640));
        EXPECT_EQ(p.exif[0xA003], block.U32(853));
        EXPECT_EQ(p.interop.count(0x0001), 1u);
        EXPECT_TRUE(p.gps.empty());

        // Rewriting what was written changes nothing.
        Bytes again;
        ASSERT_TRUE(tagscan::RewriteExif(out.data(), out.size(), {false, 640, 853}, again));
        EXPECT_EQ(again, out);
    }
}

TEST(ExifRewrite, KeepsTheGpsIfdWhenAskedTo) {
    const Bytes in = PhoneBlock(true, 8).Build();
    Bytes out;
    ASSERT_TRUE(tagscan::RewriteExif(in.data(), in.size(), {true, 0, 0}, out));
    Parsed p;
    ASSERT_TRUE(ReadBack(out, p));
    EXPECT_EQ(p.gps[0x0001], (Bytes{'N', 0}));
    EXPECT_EQ(p.gps[0x0002], Bytes(24, 7));
    // Without a new size the pixel sizes are left out rather than left wrong.
    EXPECT_EQ(p.exif.count(0xA002), 0u);
}

TEST(ExifRewrite, DamagedEntriesAreLeftOutAndTheRestKept) {
    Block b = PhoneBlock(true, 3);
    b.ifds[0].push_back({0x010E, 2, 0x100000, b.U32(0x7FFFFFF0)});  // a description far outside the block
    b.ifds[0].push_back({0x0131, 99, 4, b.U32(0)});                 // a type no reader knows
    b.ifds[1][5].child = 1;                                         // the interop pointer leads back to itself
    const Bytes in = b.Build();
    Bytes out;
    ASSERT_TRUE(tagscan::RewriteExif(in.data(), in.size(), {}, out));
    Parsed p;
    ASSERT_TRUE(ReadBack(out, p));
    EXPECT_EQ(p.ifd0.count(0x010E), 0u);
    EXPECT_EQ(p.ifd0.count(0x0131), 0u);
    EXPECT_EQ(p.exif.count(0xA005), 0u);
    EXPECT_EQ(p.exif.count(0x9003), 1u);
    // Cut anywhere, the block is refused or rewritten, never read past.
    for (std::size_t cut = 0; cut < in.size(); ++cut) {
        const Bytes part(in.begin(), in.begin() + long(cut));
        (void)tagscan::RewriteExif(part.data(), part.size(), {}, out);
        (void)tagscan::ExifOrientation(part.data(), part.size());
    }
    const Bytes item{0, 0, 0, 6, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I'};
    EXPECT_EQ(tagscan::ExifItemTiff(item.data(), item.size()), 10u);
    const Bytes far{0, 0, 1, 0, 'I', 'I'};
    EXPECT_EQ(tagscan::ExifItemTiff(far.data(), far.size()), far.size());
}

Bytes Segment(std::uint8_t marker, const Bytes& body) {
    const std::size_t length = body.size() + 2;
    Bytes s{0xFF, marker, std::uint8_t(length >> 8), std::uint8_t(length)};
    s.insert(s.end(), body.begin(), body.end());
    return s;
}
Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(JpegSegments, ReplacesTheExifAndDropsOtherMetadataKeepingThePictureBytes) {
    const Bytes exif = PhoneBlock(true, 1).Build();
    const Bytes icc1 = Text(std::string("ICC_PROFILE\0\1\2", 14)) + Bytes(30, 1);
    const Bytes icc2 = Text(std::string("ICC_PROFILE\0\2\2", 14)) + Bytes(20, 2);
    // Tables, a frame, a scan whose data holds a stuffed 0xFF and a restart
    // marker, a second scan after more tables (progressive), the end.
    const Bytes picture = Segment(0xDB, Bytes(65, 3)) + Segment(0xC2, Bytes(15, 4)) + Segment(0xC4, Bytes(20, 5)) +
                          Segment(0xDA, Bytes(10, 6)) + Bytes{1, 2, 0xFF, 0x00, 3, 0xFF, 0xD0, 4} +
                          Segment(0xC4, Bytes(20, 7)) + Segment(0xDA, Bytes(10, 8)) + Bytes{9, 9} + Bytes{0xFF, 0xD9};
    const Bytes file = Bytes{0xFF, 0xD8} + Segment(0xE0, Text(std::string("JFIF\0\1\1", 7))) +
                       Segment(0xE1, Text(std::string("Exif\0\0", 6)) + exif) + Segment(0xE2, icc2) +
                       Segment(0xE1, Text("http://ns.adobe.com/xap/1.0/") + Bytes{0} + Text("<x:xmpmeta/>")) +
                       Segment(0xE2, icc1) + Segment(0xE2, Text(std::string("MPF\0", 4)) + Bytes(8, 0)) +
                       Segment(0xFE, Text("comment")) + Segment(0xEE, Text("Adobe") + Bytes(7, 0)) + picture +
                       Bytes(100, 0x55);  // a second picture behind the end

    tagscan::JpegMetadata meta;
    ASSERT_TRUE(tagscan::ReadJpegMetadata(file.data(), file.size(), meta));
    EXPECT_EQ(Bytes(meta.exif, meta.exif + meta.exifSize), exif);
    EXPECT_EQ(meta.icc, Bytes(30, 1) + Bytes(20, 2)) << "chunks joined in sequence order";

    Bytes newExif;
    ASSERT_TRUE(tagscan::RewriteExif(meta.exif, meta.exifSize, {}, newExif));
    Bytes out;
    ASSERT_TRUE(tagscan::RewriteJpegSegments(file.data(), file.size(), newExif, out));
    const Bytes expected = Bytes{0xFF, 0xD8} + Segment(0xE0, Text(std::string("JFIF\0\1\1", 7))) +
                           Segment(0xE1, Text(std::string("Exif\0\0", 6)) + newExif) + Segment(0xE2, icc2) +
                           Segment(0xE2, icc1) + Segment(0xEE, Text("Adobe") + Bytes(7, 0)) + picture;
    EXPECT_EQ(out, expected);
    tagscan::JpegMetadata again;
    ASSERT_TRUE(tagscan::ReadJpegMetadata(out.data(), out.size(), again));
    EXPECT_EQ(again.icc, meta.icc);

    // Without an end of image, or cut anywhere, nothing is written.
    for (std::size_t cut = 0; cut + 100 < file.size(); ++cut) {
        EXPECT_FALSE(tagscan::RewriteJpegSegments(file.data(), cut, newExif, out)) << cut;
        (void)tagscan::ReadJpegMetadata(file.data(), cut, meta);
    }
    // A missing ICC chunk leaves the profile out.
    const Bytes half = Bytes{0xFF, 0xD8} + Segment(0xE2, icc2) + picture;
    ASSERT_TRUE(tagscan::ReadJpegMetadata(half.data(), half.size(), meta));
    EXPECT_TRUE(meta.icc.empty());
}

}  // namespace
