// JPEG pictures scaled while they decode, on one thread or with the lower
// part on a second: the same pixels as a decode followed by a rescale, and
// the same verdict on damaged files.
#include "tests/companions/PictureTestSupport.h"

#include "companions/pixo/PPixo.h"
#include "sendui/ImageFileIO.h"

#include <gtest/gtest.h>

#include <utility>

namespace email32::test {
namespace {

// The picture at the size, loaded as the preparation once did: decoded at
// the needed eighth, then rescaled.
bool DecodeThenRescale(const std::string& path, int width, int height, PPixo& scaled) {
    sendui::PictureFile file(path.c_str());
    PPixo source;
    if (!file.Load(&source, 15, width, height)) return false;
    return scaled.CreateImage(source.GetImageType(), width, height, 0, nullptr, 0, 0, 15, 0, 0) &&
           scaled.RescaleImage(source, nullptr, 0, 100);
}

bool ScaleWhileDecoding(const std::string& path, int width, int height, bool helper, PPixo& scaled) {
    sendui::PictureFile file(path.c_str());
    return file.ReadsScaled() && file.LoadScaled(&scaled, 15, {width, height, false, helper});
}

TEST(ImagingScaledJpeg, ScalingWhileDecodingGivesTheDecodeAndRescaleOnOneThreadOrTwo) {
    // 1280 x 960 to 2/8, 4/8 and 7/8 of it (then scaled the rest of the way).
    for (const char* name : {"large444.jpg", "large420.jpg", "large422-restart.jpg", "large-grey.jpg", "large-cmyk.jpg",
                             "progressive.jpg"}) {
        for (const auto& [width, height] : {std::pair{300, 225}, std::pair{500, 375}, std::pair{1000, 750}}) {
            SCOPED_TRACE(std::string(name) + " at " + std::to_string(width));
            const std::string path = PictureFixtures() + name;
            PPixo reference, alone, shared;
            ASSERT_TRUE(DecodeThenRescale(path, width, height, reference));
            ASSERT_TRUE(ScaleWhileDecoding(path, width, height, false, alone));
            ASSERT_TRUE(ScaleWhileDecoding(path, width, height, true, shared));
            EXPECT_EQ(alone.GetImageType(), reference.GetImageType());
            EXPECT_EQ(shared.GetImageType(), reference.GetImageType());
            EXPECT_EQ(MaxDifference(RgbOf(alone), RgbOf(reference)), 0);
            EXPECT_EQ(MaxDifference(RgbOf(shared), RgbOf(reference)), 0);
        }
    }
}

// Bytes changed at random (fixed seed) anywhere in a large file, and files
// cut short: with a second thread every load still ends, and exactly as it
// ends on one.
TEST(ImagingScaledJpeg, DamagedLargeFilesEndAsTheyDoOnOneThread) {
    TempFolder folder("split");
    const std::string original = ReadFile(PictureFixtures() + "large420.jpg");
    ASSERT_FALSE(original.empty());
    unsigned seed = 777;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFFF;
    };
    int failed = 0;
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE(round);
        std::string bytes = original;
        if (round % 4 == 0) {
            bytes.resize(bytes.size() * (50 + next() % 50) / 100);
        } else {
            for (int i = 0; i < 1 + round % 3; ++i) bytes[next() % bytes.size()] = static_cast<char>(next() & 0xFF);
        }
        const std::string path = folder / ("d" + std::to_string(round) + ".jpg");
        WriteFile(path, bytes);
        PPixo alone, shared;
        const bool one = ScaleWhileDecoding(path, 500, 375, false, alone);
        EXPECT_EQ(ScaleWhileDecoding(path, 500, 375, true, shared), one);
        if (one) {
            EXPECT_EQ(MaxDifference(RgbOf(shared), RgbOf(alone)), 0);
        } else {
            ++failed;
        }
    }
    // The files cut short at least are refused; most others still load.
    EXPECT_GE(failed, 6);
    EXPECT_LE(failed, 12);
}

}  // namespace
}  // namespace email32::test
