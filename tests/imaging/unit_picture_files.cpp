// Picture files made by the peer tools load with the right size, type and
// pixels; Exif detection agrees with exiftool; damaged files fail cleanly.
#include "tests/imaging/PictureTestSupport.h"

#include "companions/pixo/PPixo.h"
#include "companions/rasio/Rasio32.h"
#include "sendui/ImageFileIO.h"

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
        if (!LoadImageFile(path.c_str(), &image, 15)) {
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
    ASSERT_TRUE(LoadImageFile((PictureFixtures() + "rgb565.dib").c_str(), &image, 15));
    EXPECT_EQ(image.GetImageType(), kPixoRgb555);
    EXPECT_LE(MaxDifference(RgbOf(image), ReadFile(PictureFixtures() + "rgb565.bmp.rgb")), 8);
}

TEST(ImagingFiles, ExifDetectionAgreesWithExiftool) {
    std::istringstream in(ReadFile(PictureFixtures() + "exif.txt"));
    std::string name, answer;
    int seen = 0;
    while (in >> name >> answer) {
        SCOPED_TRACE(name);
        EXPECT_EQ(HasExif(CString((PictureFixtures() + name).c_str())) != 0, answer == "yes");
        ++seen;
    }
    EXPECT_GE(seen, 7);
    EXPECT_EQ(HasExif(CString((PictureFixtures() + "true.png").c_str())), 0);
    EXPECT_EQ(HasExif(CString((PictureFixtures() + "missing.jpg").c_str())), 0);
}

TEST(ImagingFiles, DamagedAndHostileFilesFailCleanly) {
    const std::string folder = PictureFixtures() + "damaged\\";
    // Every file here must be refused; truncated JPEG and TIFF files are
    // checked apart because their decoders may fill in what is missing.
    const char* mustFail[] = {
        "empty.png", "noise.png", "noise.tga", "huge.png", "huge.bmp", "huge.gif", "huge.jpg", "huge.pcx",
        "huge.tga", "overrun.pcx", "overrun.tga", "shortraw.tga", "longifd.tif", "flash.fpx",
        "truncated-true.pcx", "truncated-index256.pcx", "truncated-true.tga", "truncated-true-rle.tga",
        "truncated-true.bmp", "stub-true.png", "stub-true.bmp", "stub-index256.gif", "stub-true.tif",
        "stub-true.pcx", "stub-true.tga", "stub-true-rle.tga", "stub-true.jpg", "stub-index256.pcx"};
    for (const char* name : mustFail) {
        SCOPED_TRACE(name);
        PPixo image;
        EXPECT_FALSE(LoadImageFile((folder + name).c_str(), &image, 15));
    }
    const char* mayLoad[] = {"truncated-true.png", "truncated-index256.gif", "truncated-true.tif",
                             "truncated-true.jpg", "loop.tif", "farexif.tif", "longapp1.jpg"};
    for (const char* name : mayLoad) {
        SCOPED_TRACE(name);
        PPixo image;
        if (LoadImageFile((folder + name).c_str(), &image, 15)) {
            EXPECT_GT(image.GetImageWidth(), 0);
            EXPECT_LE(static_cast<std::size_t>(image.GetLineBytes()) * image.GetImageHeight(), PPixo::kMaxPixelBytes);
        }
    }
    // The Exif scanner stays inside these files and does not loop.
    EXPECT_EQ(HasExif(CString((folder + "loop.tif").c_str())), 0);
    EXPECT_EQ(HasExif(CString((folder + "farexif.tif").c_str())), 0);
    EXPECT_EQ(HasExif(CString((folder + "longifd.tif").c_str())), 0);
    EXPECT_EQ(HasExif(CString((folder + "longapp1.jpg").c_str())), 0);
}

TEST(ImagingFiles, PixelLimitIsCheckedBeforeAllocating) {
    PPixo image;
    EXPECT_FALSE(image.CreateImage(kPixoTrueColor, 100000, 100000, 0, nullptr, 0, 0, 15, 0, 0));
    EXPECT_TRUE(image.IsEmpty());
    BITMAPINFOHEADER header{};
    EXPECT_FALSE(RasioReadHeader((PictureFixtures() + "damaged\\huge.png").c_str(), &header));
}

}  // namespace
}  // namespace email32::test
