// Every image type survives a save and a load in every format that can hold
// it, with the file library choosing the format from the extension.
#include "tests/companions/PictureTestSupport.h"

#include "companions/pixo/PPixo.h"
#include "sendui/ImageFileIO.h"

#include <gtest/gtest.h>

namespace email32::test {
namespace {

constexpr int kTypes[] = {kPixoBlackWhite, kPixoTrueColor, kPixoIndexed16, kPixoIndexed256, kPixoGray16,
                          kPixoGray256,    kPixoRgb555,    kPixoRgb565,    kPixoBgrx32};

void MakePicture(PPixo& image, int type) {
    ASSERT_TRUE(image.CreateImage(type, 29, 13, 0, nullptr, 3780, 3780, 15, 0, 0));
    if (type == kPixoIndexed16 || type == kPixoIndexed256) {
        // An uneven table, so that a reader that ignored it would show.
        std::vector<RGBQUAD> table(type == kPixoIndexed16 ? 16 : 256);
        for (std::size_t i = 0; i < table.size(); ++i) {
            table[i] = RGBQUAD{BYTE(i * 7), BYTE(255 - i * 3), BYTE(i * 11 % 256), 0};
        }
        image.SetColourTable(table.data(), static_cast<int>(table.size()));
    }
    FillPattern(image);
}

TEST(ImagingRoundTrip, LosslessFormatsGiveBackEveryPixel) {
    TempFolder folder("rt");
    for (const char* ext : {"bmp", "png", "tif", "pcx", "tga"}) {
        for (int type : kTypes) {
            SCOPED_TRACE(std::string(ext) + " type " + std::to_string(type));
            PPixo picture;
            MakePicture(picture, type);
            const std::string path = folder / ("p" + std::to_string(type) + "." + ext);
            ASSERT_TRUE(sendui::SaveImageFile(path.c_str(), &picture));
            PPixo loaded;
            ASSERT_TRUE(sendui::LoadImageFile(path.c_str(), &loaded, 15));
            EXPECT_EQ(loaded.GetImageWidth(), 29);
            EXPECT_EQ(loaded.GetImageHeight(), 13);
            // The TIFF encoder keeps colour-map entries to 8 bits shifted, so
            // a full 255 may come back as 254.
            EXPECT_LE(MaxDifference(RgbOf(loaded), RgbOf(picture)), std::string(ext) == "tif" ? 1 : 0);
            if (std::string(ext) == "bmp" || type == kPixoGray256) {
                EXPECT_EQ(loaded.GetImageType(), type);
            }
        }
    }
}

TEST(ImagingRoundTrip, JpegAndGifKeepThePictureClose) {
    TempFolder folder("rt");
    // Smooth colour: JPEG's subsampled chroma blurs hard coloured edges.
    PPixo picture;
    MakeSmoothPicture(picture, 120, 80);
    for (const char* name : {"p.jpg", "p.jpeg", "p.gif"}) {
        SCOPED_TRACE(name);
        const std::string path = folder / name;
        ASSERT_TRUE(sendui::SaveImageFile(path.c_str(), &picture));
        PPixo loaded;
        ASSERT_TRUE(sendui::LoadImageFile(path.c_str(), &loaded, 15));
        // GIF's fitted palette is dithered, which costs a few decibels.
        EXPECT_GE(Psnr(RgbOf(loaded), RgbOf(picture)), std::string(name) == "p.gif" ? 27.0 : 30.0);
    }
    // Quality 90: the first luminance quantiser is 16 scaled to 3.
    const std::string jpeg = ReadFile(folder / "p.jpg");
    const std::size_t dqt = jpeg.find("\xFF\xDB");
    ASSERT_NE(dqt, std::string::npos);
    EXPECT_EQ(jpeg[dqt + 4], 0);  // table 0, 8-bit entries
    EXPECT_EQ(jpeg[dqt + 5], 3);

    // A grey picture is written as a grey JPEG and loads as grey.
    PPixo grey;
    ASSERT_TRUE(grey.CreateImage(kPixoGray256, 64, 32, 0, nullptr, 0, 0, 15, 0, 0));
    FillPattern(grey);
    ASSERT_TRUE(sendui::SaveImageFile((folder / "g.jpg").c_str(), &grey));
    PPixo loaded;
    ASSERT_TRUE(sendui::LoadImageFile((folder / "g.jpg").c_str(), &loaded, 15));
    EXPECT_EQ(loaded.GetImageType(), kPixoGray256);
}

TEST(ImagingRoundTrip, FailedSavesLeaveTheOldFileAndNoLeftovers) {
    TempFolder folder("rt");
    PPixo picture;
    MakeTestPicture(picture, 20, 10);
    const std::string path = folder / "keep.bmp";
    WriteFile(path, "old contents");
    PPixo empty;
    EXPECT_FALSE(sendui::SaveImageFile(path.c_str(), &empty));
    EXPECT_FALSE(sendui::SaveImageFile((folder / "keep.xyz").c_str(), &picture));
    EXPECT_FALSE(sendui::SaveImageFile("", &picture));
    EXPECT_FALSE(sendui::SaveImageFile(path.c_str(), nullptr));
    EXPECT_EQ(ReadFile(path), "old contents");
    // A read-only file is not replaced.
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(sendui::SaveImageFile(path.c_str(), &picture));
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFile(path), "old contents");
    EXPECT_FALSE(FileExists(path + ".~new"));
    EXPECT_FALSE(FileExists(folder / "keep.xyz"));
}

TEST(ImagingRoundTrip, LoadRefusesWhatItCannotRead) {
    PPixo image;
    EXPECT_FALSE(sendui::LoadImageFile(nullptr, &image, 15));
    EXPECT_FALSE(sendui::LoadImageFile("", &image, 15));
    EXPECT_FALSE(sendui::LoadImageFile("C:\\no\\such\\file.png", &image, 15));
    EXPECT_TRUE(image.IsEmpty());
}

}  // namespace
}  // namespace email32::test
