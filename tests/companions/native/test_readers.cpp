// The own readers under the sanitizers: files made by ImageMagick decode to
// the pixels ImageMagick sees, every cut of them is refused or decodes to
// the same pixels, damaged files are refused, and layouts no well-known tool
// writes are decoded as the formats define them.
#include "companions/rasio/core/Readers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

using namespace rasiocore;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Reader {
    const char* extension;
    bool (*readInfo)(ByteSpan, RasterInfo&);
    bool (*decode)(ByteSpan, const RasterTarget&);
};
constexpr Reader kPcx{".pcx", pcx::ReadInfo, pcx::Decode};
constexpr Reader kTga{".tga", tga::ReadInfo, tga::Decode};
constexpr Reader kBmpRle{".bmp", bmprle::ReadInfo, bmprle::Decode};

std::string Fixtures() {
    const char* folder = std::getenv("EMAIL32_PICTURE_FIXTURES");
    return folder ? folder : "";
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A decode into memory of exactly the picture's size; empty when refused.
struct Decoded {
    RasterInfo info;
    Bytes pixels;
};
bool DecodeAll(const Reader& reader, const Bytes& file, Decoded& out, std::uint8_t fill = 0x5A) {
    const ByteSpan span{file.data(), file.size()};
    if (!reader.readInfo(span, out.info)) return false;
    const std::size_t line = LineBytesFor(out.info.width, out.info.bits);
    out.pixels.assign(line * static_cast<std::size_t>(out.info.height), fill);
    return reader.decode(span, RasterTarget{out.pixels.data(), line, out.info.width, out.info.height, out.info.bits});
}

// Red-green-blue triples, top row first, as ImageMagick's rgb: output.
Bytes Rgb(const Decoded& d) {
    Bytes rgb;
    const std::size_t line = LineBytesFor(d.info.width, d.info.bits);
    for (std::int32_t y = 0; y < d.info.height; ++y) {
        const std::uint8_t* row = d.pixels.data() + static_cast<std::size_t>(y) * line;
        for (std::int32_t x = 0; x < d.info.width; ++x) {
            const int b = d.info.bits;
            if (b <= 8) {
                const unsigned index = (row[x * b / 8] >> (8 - b - x * b % 8)) & ((1u << b) - 1);
                const Colour c = d.info.palette.at(index);
                rgb.insert(rgb.end(), {c.red, c.green, c.blue});
            } else if (b == 16) {
                const unsigned v = row[x * 2] | (row[x * 2 + 1] << 8);
                for (unsigned shift : {10u, 5u, 0u}) {
                    const unsigned five = (v >> shift) & 31;
                    rgb.push_back(static_cast<std::uint8_t>((five << 3) | (five >> 2)));
                }
            } else {
                const std::uint8_t* p = row + x * (b / 8);
                rgb.insert(rgb.end(), {p[2], p[1], p[0]});
            }
        }
    }
    return rgb;
}

int MaxDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

}  // namespace

TEST(ReaderCore, PeerFilesDecodeToThePixelsImageMagickSeesAndEveryCutIsRefusedOrTheSame) {
    const Bytes text = ReadBytes(Fixtures() + "manifest.txt");
    std::istringstream manifest(std::string(text.begin(), text.end()));
    std::string name;
    int width, height, type, tolerance;
    double psnr;
    int decoded = 0;
    while (manifest >> name >> width >> height >> type >> tolerance >> psnr) {
        for (const Reader& reader : {kPcx, kTga, kBmpRle}) {
            if (name.size() < 4 || name.compare(name.size() - 4, 4, reader.extension) != 0) continue;
            const Bytes file = ReadBytes(Fixtures() + name);
            Decoded whole;
            RasterInfo info;
            if (!reader.readInfo(ByteSpan{file.data(), file.size()}, info))
                continue;  // a bitmap not run-length encoded
            SCOPED_TRACE(name);
            ASSERT_TRUE(DecodeAll(reader, file, whole));
            EXPECT_EQ(whole.info.width, width);
            EXPECT_EQ(whole.info.height, height);
            EXPECT_LE(MaxDifference(Rgb(whole), ReadBytes(Fixtures() + name + ".rgb")), tolerance);
            ++decoded;
            // Each cut in a buffer of its own size, so that the sanitizer
            // sees any read past it. A cut that still decodes (only a footer
            // or a trailing colour table lost) gives the same pixels.
            for (std::size_t cut = 0; cut < file.size(); ++cut) {
                const Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
                Decoded d;
                if (DecodeAll(reader, part, d)) {
                    ASSERT_EQ(d.pixels, whole.pixels) << "cut at " << cut;
                }
            }
        }
    }
    EXPECT_GE(decoded, 8);
}

TEST(ReaderCore, DamagedFilesAreRefused) {
    for (const char* name :
         {"overrun.pcx", "overrun.tga", "shortraw.tga", "truncated-true.pcx", "truncated-index256.pcx",
          "truncated-true.tga", "truncated-true-rle.tga", "stub-true.pcx", "stub-true.tga"}) {
        SCOPED_TRACE(name);
        const Bytes file = ReadBytes(Fixtures() + "damaged/" + name);
        ASSERT_FALSE(file.empty());
        Decoded d;
        EXPECT_FALSE(DecodeAll(std::string(name).find(".pcx") != std::string::npos ? kPcx : kTga, file, d));
    }
}

TEST(ReaderCore, RunLengthBitmapsPlaceRunsAbsoluteRunsAndDeltasAndLeaveSkippedPixelsAtZero) {
    // 7 x 3 at 4 bits, bottom-up: row 0 a run of five (1 2 1 2 1) and an
    // absolute run of three (3 4 5, the last beyond the width); a delta of
    // one right and one up; on row 2 a run of two (9 10); the end.
    Bytes table;
    for (int i = 0; i < 16; ++i) table.insert(table.end(), {std::uint8_t(i), 0, 0, 0});
    const Bytes data{5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 1, 1, 2, 0x9A, 0, 1};
    auto bitmap = [&](int bits, int compression, const Bytes& pixels) {
        // clang-format off
        Bytes f{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(54 + table.size()), 0, 0, 0, 40, 0, 0, 0, 7, 0, 0, 0,
                3, 0, 0, 0, 1, 0, std::uint8_t(bits), 0, std::uint8_t(compression), 0, 0, 0};
        // clang-format on
        f.resize(54, 0);
        f[46] = 16;  // colours used
        f.insert(f.end(), table.begin(), table.end());
        f.insert(f.end(), pixels.begin(), pixels.end());
        return f;
    };
    Decoded d;
    ASSERT_TRUE(DecodeAll(kBmpRle, bitmap(4, 2, data), d, 0xFF));
    EXPECT_EQ(d.pixels, (Bytes{0x09, 0xA0, 0, 0, /**/ 0, 0, 0, 0, /**/ 0x12, 0x12, 0x13, 0x40}));

    // The same at 8 bits; a delta beyond the last line is damage.
    const Bytes data8{5, 1, 0, 3, 3, 4, 5, 0, 0, 0, 0, 2, 1, 1, 2, 9, 0, 1};
    ASSERT_TRUE(DecodeAll(kBmpRle, bitmap(8, 1, data8), d, 0xFF));
    EXPECT_EQ(d.pixels, (Bytes{0, 9, 9, 0, 0, 0, 0, 0, /**/ 0, 0, 0, 0, 0, 0, 0, 0, /**/ 1, 1, 1, 1, 1, 3, 4, 0}));
    EXPECT_FALSE(DecodeAll(kBmpRle, bitmap(8, 1, {0, 2, 0, 4}), d));
    EXPECT_FALSE(DecodeAll(kBmpRle, bitmap(8, 1, {0, 4, 9, 1, 2}), d));  // an absolute run past the end
}

TEST(ReaderCore, TgaOrientationsSixteenBitPixelsAndPacketsAcrossLines) {
    // 3 x 2 pixels of 16 bits, run-length, top down and right to left: a run
    // of two, then three raw pixels crossing into the second line, then a
    // run of one; attribute bits (0x8000) are dropped.
    const Bytes file{0,  0,    10,   0,    0,    0,    0,    0,    0,    0,    0,    0,    3,    0,    2,   0,
                     16, 0x30, 0x81, 0x1F, 0x80, 0x02, 0x00, 0xE0, 0x03, 0x80, 0x7C, 0x00, 0x80, 0x00, 0x80};
    Decoded d;
    ASSERT_TRUE(DecodeAll(kTga, file, d, 0));
    EXPECT_EQ(d.info.bits, 16);
    EXPECT_EQ(d.pixels,
              (Bytes{0x00, 0x60, 0x1F, 0x00, 0x1F, 0x00, 0, 0, /**/ 0x00, 0x00, 0x7C, 0x00, 0x03, 0x00, 0, 0}));

    // A packet running past the picture, and a colour map beyond 256 entries.
    Bytes overrun = file;
    overrun[28] = 0x81;
    EXPECT_FALSE(DecodeAll(kTga, overrun, d));
    const Bytes bigMap{0, 1, 1, 0xFF, 0, 2, 0, 24, 0, 0, 0, 0, 1, 0, 1, 0, 8, 0, 1, 2, 3, 4, 5, 6, 0};
    EXPECT_FALSE(tga::ReadInfo(ByteSpan{bigMap.data(), bigMap.size()}, d.info));
}

TEST(ReaderCore, ATargetThatDoesNotFitThePictureIsRefusedUntouched) {
    const Bytes file = ReadBytes(Fixtures() + "index256.pcx");
    RasterInfo info;
    ASSERT_TRUE(pcx::ReadInfo(ByteSpan{file.data(), file.size()}, info));
    const std::size_t line = LineBytesFor(info.width, info.bits);
    Bytes memory(line * static_cast<std::size_t>(info.height) + 64, 0xEE);
    for (const RasterTarget& target : {RasterTarget{memory.data(), line - 1, info.width, info.height, info.bits},
                                       RasterTarget{memory.data(), line, info.width, info.height + 1, info.bits},
                                       RasterTarget{memory.data(), line, info.width, info.height, 24},
                                       RasterTarget{nullptr, line, info.width, info.height, info.bits}}) {
        EXPECT_FALSE(pcx::Decode(ByteSpan{file.data(), file.size()}, target));
    }
    EXPECT_EQ(memory, Bytes(memory.size(), 0xEE));
}
