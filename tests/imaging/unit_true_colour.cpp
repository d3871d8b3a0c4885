// Pictures of every layout copied into 24-bit pictures.
#include "companions/pixo/PPixo.h"
#include "public/Utility.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A 256-colour picture whose pixel (x, y) has colour index (x + 2y) % 4,
// with a table of four distinct colours.
void MakeIndexedPicture(PPixo& picture, int width, int height) {
    RGBQUAD table[4] = {{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}, {10, 20, 30, 0}};
    ASSERT_TRUE(picture.CreateImage(kPixoIndexed256, width, height, 4, table, 0, 0, 15, 0, 0));
    std::vector<BYTE> line(static_cast<std::size_t>(picture.GetLineBytes()), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) line[x] = BYTE((x + 2 * y) % 4);
        ASSERT_TRUE(picture.PutHorLine(y, line.data()));
    }
}

// Blue, green, red of the picture's pixel.
std::vector<BYTE> Pixel(const PPixo& picture, int x, int y) {
    std::vector<BYTE> line(static_cast<std::size_t>(picture.GetLineBytes()));
    EXPECT_TRUE(picture.GetHorLine(y, line.data()));
    return {line[x * 3], line[x * 3 + 1], line[x * 3 + 2]};
}

void ExpectPaletteColours(const PPixo& converted, int width, int height) {
    const std::vector<BYTE> colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    ASSERT_EQ(converted.GetImageType(), kPixoTrueColor);
    ASSERT_EQ(converted.GetImageWidth(), width);
    ASSERT_EQ(converted.GetImageHeight(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ASSERT_EQ(Pixel(converted, x, y), colours[(x + 2 * y) % 4]) << x << "," << y;
}

}  // namespace

TEST(TransToTrueClr, IndexedPictureIntoAnEmptyOrIndexedDestination) {
    PPixo source;
    MakeIndexedPicture(source, 7, 5);

    PPixo empty;
    EXPECT_EQ(CUtility::TransToTrueClr(&empty, &source), 1);
    ExpectPaletteColours(empty, 7, 5);

    // A destination that held a 256-colour picture loses it.
    PPixo indexed;
    MakeIndexedPicture(indexed, 30, 2);
    EXPECT_EQ(CUtility::TransToTrueClr(&indexed, &source), 1);
    ExpectPaletteColours(indexed, 7, 5);

    // The source is left as it was.
    EXPECT_EQ(source.GetImageType(), kPixoIndexed256);
}

TEST(TransToTrueClr, A24BitDestinationIsReusedOnlyAtTheSourceSize) {
    PPixo source;
    MakeIndexedPicture(source, 9, 4);

    PPixo sameSize;
    ASSERT_TRUE(sameSize.CreateImage(kPixoTrueColor, 9, 4, 0, nullptr, 3780, 3780, 15, 0, 0));
    EXPECT_EQ(CUtility::TransToTrueClr(&sameSize, &source), 1);
    ExpectPaletteColours(sameSize, 9, 4);
    EXPECT_EQ(sameSize.GetXDensity(), 3780);  // the same picture object, reused

    // Another size would overrun or leave rows behind: it is made again.
    PPixo smaller;
    ASSERT_TRUE(smaller.CreateImage(kPixoTrueColor, 3, 2, 0, nullptr, 0, 0, 15, 0, 0));
    EXPECT_EQ(CUtility::TransToTrueClr(&smaller, &source), 1);
    ExpectPaletteColours(smaller, 9, 4);
    PPixo larger;
    ASSERT_TRUE(larger.CreateImage(kPixoTrueColor, 40, 40, 0, nullptr, 0, 0, 15, 0, 0));
    EXPECT_EQ(CUtility::TransToTrueClr(&larger, &source), 1);
    ExpectPaletteColours(larger, 9, 4);
}

TEST(TransToTrueClr, NullPointersAndTheSameObject) {
    PPixo picture;
    MakeIndexedPicture(picture, 5, 3);
    EXPECT_EQ(CUtility::TransToTrueClr(nullptr, &picture), 1);
    EXPECT_EQ(CUtility::TransToTrueClr(&picture, nullptr), 1);
    EXPECT_EQ(picture.GetImageType(), kPixoIndexed256);

    // Converting a picture into itself keeps its pixels.
    EXPECT_EQ(CUtility::TransToTrueClr(&picture, &picture), 1);
    ExpectPaletteColours(picture, 5, 3);
}
