// Picture files made by the peer tools load with the right size, type and
// pixels; Exif detection agrees with exiftool; damaged files fail cleanly.
#include "tests/companions/PictureTestSupport.h"

#include "companions/pixo/PPixo.h"
#include "companions/rasio/Rasio32.h"
#include "sendui/ImageFileIO.h"
#include "sendui/PictureAccess.h"

#include <gtest/gtest.h>

#include <sstream>

namespace email32::test {
namespace {

struct ManifestEntry {
    std::string name;
    int width = 0;
    int height = 0;
    int type = 0;
    int maxDifference = 0;
    double minPsnr = 0;
};

std::vector<ManifestEntry> Manifest() {
    std::istringstream in(ReadFile(PictureFixtures() + "manifest.txt"));
    std::vector<ManifestEntry> entries;
    ManifestEntry e;
    while (in >> e.name >> e.width >> e.height >> e.type >> e.maxDifference >> e.minPsnr) entries.push_back(e);
    return entries;
}

TEST(ImagingFiles, EveryFormatAndTypeLoadsAsThePeerToolsSeeIt) {
    const auto entries = Manifest();
    ASSERT_GE(entries.size(), 25u);
    for (const auto& e : entries) {
        SCOPED_TRACE(e.name);
        PPixo image;
        const std::string path = PictureFixtures() + e.name;
        if (!sendui::LoadImageFile(path.c_str(), &image, 15)) {
            ADD_FAILURE() << "not loaded";
            continue;
        }
        EXPECT_EQ(image.GetImageWidth(), e.width);
        EXPECT_EQ(image.GetImageHeight(), e.height);
        EXPECT_EQ(image.GetImageType(), e.type);
        const std::string expected = ReadFile(path + ".rgb");
        EXPECT_LE(MaxDifference(RgbOf(image), expected), e.maxDifference);
        if (e.minPsnr > 0) {
            EXPECT_GE(Psnr(RgbOf(image), expected), e.minPsnr);
        }
    }
}

TEST(ImagingFiles, HeaderAndPaletteDescribeTheLoadedLayout) {
    BITMAPINFOHEADER header{};
    ASSERT_TRUE(RasioReadHeader((PictureFixtures() + "index16.bmp").c_str(), &header));
    EXPECT_EQ(header.biBitCount, 8);
    EXPECT_EQ(header.biHeight, 23);
    HPALETTE palette = RasioReadPalette((PictureFixtures() + "index16.bmp").c_str());
    ASSERT_NE(palette, nullptr);
    EXPECT_GE(::GetPaletteEntries(palette, 0, 0, nullptr), 16u);
    ::DeleteObject(palette);
    EXPECT_EQ(RasioReadPalette((PictureFixtures() + "true.png").c_str()), nullptr);

    ASSERT_TRUE(RasioReadHeader((PictureFixtures() + "rgb565.bmp").c_str(), &header));
    EXPECT_EQ(header.biBitCount, 16);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_BITFIELDS));
}

TEST(ImagingFiles, SixteenBitFileWithAnotherExtensionUsesTheDepthType) {
    PPixo image;
    ASSERT_TRUE(sendui::LoadImageFile((PictureFixtures() + "rgb565.dib").c_str(), &image, 15));
    EXPECT_EQ(image.GetImageType(), kPixoRgb555);
    EXPECT_LE(MaxDifference(RgbOf(image), ReadFile(PictureFixtures() + "rgb565.bmp.rgb")), 8);
}

TEST(ImagingFiles, ExifDetectionAgreesWithExiftool) {
    std::istringstream in(ReadFile(PictureFixtures() + "exif.txt"));
    std::string name, answer;
    int seen = 0;
    while (in >> name >> answer) {
        SCOPED_TRACE(name);
        EXPECT_EQ(sendui::HasExif(CString((PictureFixtures() + name).c_str())) != 0, answer == "yes");
        ++seen;
    }
    EXPECT_GE(seen, 7);
    EXPECT_EQ(sendui::HasExif(CString((PictureFixtures() + "true.png").c_str())), 0);
    EXPECT_EQ(sendui::HasExif(CString((PictureFixtures() + "missing.jpg").c_str())), 0);
}

TEST(ImagingFiles, DamagedAndHostileFilesFailCleanly) {
    const std::string folder = PictureFixtures() + "damaged\\";
    // Every file here must be refused; truncated JPEG and TIFF files are
    // checked apart because their decoders may fill in what is missing.
    // clang-format off
    const char* mustFail[] = {
        "empty.png", "noise.png", "noise.tga", "huge.png", "huge.bmp", "huge.gif", "huge.jpg", "huge.pcx",
        "huge.tga", "overrun.pcx", "overrun.tga", "shortraw.tga", "longifd.tif", "flash.fpx",
        "truncated-true.pcx", "truncated-index256.pcx", "truncated-true.tga", "truncated-true-rle.tga",
        "truncated-true.bmp", "stub-true.png", "stub-true.bmp", "stub-index256.gif", "stub-true.tif",
        "stub-true.pcx", "stub-true.tga", "stub-true-rle.tga", "stub-true.jpg", "stub-index256.pcx"};
    // clang-format on
    for (const char* name : mustFail) {
        SCOPED_TRACE(name);
        PPixo image;
        EXPECT_FALSE(sendui::LoadImageFile((folder + name).c_str(), &image, 15));
    }
    const char* mayLoad[] = {"truncated-true.png", "truncated-index256.gif",
                             "truncated-true.tif", "truncated-true.jpg",
                             "loop.tif",           "farexif.tif",
                             "longapp1.jpg"};
    for (const char* name : mayLoad) {
        SCOPED_TRACE(name);
        PPixo image;
        if (sendui::LoadImageFile((folder + name).c_str(), &image, 15)) {
            EXPECT_GT(image.GetImageWidth(), 0);
            EXPECT_LE(static_cast<std::size_t>(image.GetLineBytes()) * image.GetImageHeight(), PPixo::kMaxPixelBytes);
        }
    }
    // The Exif scanner stays inside these files and does not loop.
    EXPECT_EQ(sendui::HasExif(CString((folder + "loop.tif").c_str())), 0);
    EXPECT_EQ(sendui::HasExif(CString((folder + "farexif.tif").c_str())), 0);
    EXPECT_EQ(sendui::HasExif(CString((folder + "longifd.tif").c_str())), 0);
    EXPECT_EQ(sendui::HasExif(CString((folder + "longapp1.jpg").c_str())), 0);
}

TEST(ImagingFiles, JpegFilesDecodeOnceAtTheSmallestEighthLargeEnough) {
    const std::string path = PictureFixtures() + "scaled.jpg";  // 400 x 300
    struct Wish {
        int minWidth, minHeight, width, height;
        const char* reference;  // djpeg's decode at that scale, if any
    };
    for (const Wish& wish : {Wish{100, 75, 100, 75, "scaled.jpg.2.rgb"}, Wish{101, 75, 150, 113, "scaled.jpg.3.rgb"},
                             Wish{0, 0, 400, 300, nullptr}, Wish{800, 600, 400, 300, nullptr}}) {
        SCOPED_TRACE(wish.minWidth);
        sendui::PictureFile file(path.c_str());
        ASSERT_TRUE(file.IsOpen());
        EXPECT_EQ(file.Width(), 400);
        EXPECT_EQ(file.Height(), 300);
        PPixo image;
        ASSERT_TRUE(file.Load(&image, 15, wish.minWidth, wish.minHeight));
        EXPECT_EQ(image.GetImageWidth(), wish.width);
        EXPECT_EQ(image.GetImageHeight(), wish.height);
        if (wish.reference) {
            EXPECT_LE(MaxDifference(RgbOf(image), ReadFile(PictureFixtures() + wish.reference)), 1);
        }
    }
    // Other formats have no cheaper size: they load whole.
    sendui::PictureFile png((PictureFixtures() + "gradient.png").c_str());
    PPixo image;
    ASSERT_TRUE(png.Load(&image, 15, 100, 75));
    EXPECT_EQ(image.GetImageWidth(), 400);
}

TEST(ImagingFiles, PixelLimitIsCheckedBeforeDecodingAtTheSizeDecoded) {
    PPixo image;
    EXPECT_FALSE(image.CreateImage(kPixoTrueColor, 100000, 100000, 0, nullptr, 0, 0, 15, 0, 0));
    EXPECT_TRUE(image.IsEmpty());
    BITMAPINFOHEADER header{};
    EXPECT_FALSE(RasioReadHeader((PictureFixtures() + "damaged\\huge.png").c_str(), &header));

    // 12000 x 8000: beyond the limit at its own size, refused before
    // anything is made; within it at an eighth, which shrinking it needs.
    const std::string flat = PictureFixtures() + "flat96mp.jpg";
    EXPECT_FALSE(RasioReadHeader(flat.c_str(), &header));
    PPixo whole;
    EXPECT_FALSE(sendui::LoadImageFile(flat.c_str(), &whole, 15));
    EXPECT_TRUE(whole.IsEmpty());
    TempFolder folder("lim");
    const std::string copy = folder / "flat.jpg";
    CopyFileOrFail(flat, copy);
    EXPECT_EQ(sendui::PictureAccess::Shrink(copy.c_str(), copy.c_str(), {640, false, true}),
              sendui::PictureAccess::Outcome::Written);
    PPixo shrunk;
    ASSERT_TRUE(sendui::LoadImageFile(copy.c_str(), &shrunk, 15));
    EXPECT_EQ(shrunk.GetImageWidth(), 640);
    EXPECT_EQ(shrunk.GetImageHeight(), 426);
    EXPECT_LE(MaxDifference(RgbOf(shrunk), std::string(640 * 426 * 3, static_cast<char>(128))), 1);
}

// JPEG files with bytes changed at random (fixed seed), through our marker
// reader and libjpeg-turbo (the own readers and the Exif scanners are fuzzed
// natively): every load ends, with a picture of a sane size or a refusal.
TEST(ImagingFiles, MutatedJpegFilesLoadWholeOrAreRefused) {
    TempFolder folder("mut");
    unsigned seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFFF;
    };
    for (const char* name : {"true.jpg", "progressive.jpg", "grey.jpg", "exif.jpg"}) {
        SCOPED_TRACE(name);
        const std::string original = ReadFile(PictureFixtures() + name);
        ASSERT_FALSE(original.empty());
        const std::string ext = std::string(name).substr(std::string(name).rfind('.'));
        for (int round = 0; round < 150; ++round) {
            std::string bytes = original;
            const int changes = 1 + static_cast<int>(next() % 4);
            for (int i = 0; i < changes; ++i) {
                // Mostly the headers, sometimes anywhere.
                const std::size_t span = (next() % 3) ? std::min<std::size_t>(bytes.size(), 160) : bytes.size();
                bytes[next() % span] = static_cast<char>(next() & 0xFF);
            }
            if (round % 10 == 0) bytes.resize(next() % bytes.size());
            const std::string path = folder / ("m" + std::to_string(round) + ext);
            WriteFile(path, bytes);
            PPixo image;
            if (sendui::LoadImageFile(path.c_str(), &image, 15)) {
                ASSERT_LE(static_cast<std::size_t>(image.GetLineBytes()) * image.GetImageHeight(),
                          PPixo::kMaxPixelBytes);
            }
            (void)sendui::HasExif(CString(path.c_str()));
            ::DeleteFileA(path.c_str());
        }
    }
}

}  // namespace
}  // namespace email32::test
