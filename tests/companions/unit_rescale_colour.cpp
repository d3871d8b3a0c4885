// Rescaling averages when shrinking and interpolates when enlarging;
// colour conversion and the fitted palette.
#include "tests/companions/PictureTestSupport.h"

#include "companions/kromo/PKromo.h"
#include "companions/pixo/PPixo.h"

#include <gtest/gtest.h>

namespace email32::test {
namespace {

double MeanOf(const PPixo& image, int channel) {
    const std::string rgb = RgbOf(image);
    double sum = 0;
    for (std::size_t i = static_cast<std::size_t>(channel); i < rgb.size(); i += 3)
        sum += static_cast<unsigned char>(rgb[i]);
    return sum / (rgb.size() / 3);
}

TEST(ImagingRescale, ShrinkingAveragesInsteadOfDroppingPixels) {
    // One-pixel stripes of black and white: dropping pixels would give a
    // solid colour, averaging gives mid grey everywhere.
    PPixo stripes;
    ASSERT_TRUE(stripes.CreateImage(kPixoTrueColor, 300, 200, 0, nullptr, 0, 0, 15, 0, 0));
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            for (int c = 0; c < 3; ++c) stripes.Line(y)[x * 3 + c] = (x & 1) ? 255 : 0;
    for (int width : {150, 97, 40}) {
        SCOPED_TRACE(width);
        PPixo small;
        ASSERT_TRUE(small.CreateImage(kPixoTrueColor, width, width * 2 / 3, 0, nullptr, 0, 0, 15, 0, 0));
        ASSERT_TRUE(small.RescaleImage(stripes, nullptr, 0, 100));
        const std::string rgb = RgbOf(small);
        // An even factor gives mid grey exactly; others cover fractions of
        // stripes, but never a whole stripe alone.
        double sum = 0;
        for (unsigned char v : rgb) {
            sum += v;
            if (width == 150) {
                ASSERT_NEAR(v, 127.5, 1);
            }
            ASSERT_TRUE(v >= 64 && v <= 192) << int(v);
        }
        EXPECT_NEAR(sum / rgb.size(), 127.5, 3);
    }
}

TEST(ImagingRescale, EnlargingIsSmoothAndKeepsTheEnds) {
    PPixo ramp;
    ASSERT_TRUE(ramp.CreateImage(kPixoGray256, 4, 1, 0, nullptr, 0, 0, 15, 0, 0));
    const BYTE levels[4] = {0, 80, 160, 240};
    ramp.PutHorLine(0, levels);
    PPixo large;
    ASSERT_TRUE(large.CreateImage(kPixoGray256, 40, 3, 0, nullptr, 0, 0, 15, 0, 0));
    ASSERT_TRUE(large.RescaleImage(ramp, nullptr, 0, 100));
    const BYTE* line = large.Line(1);
    EXPECT_EQ(line[0], 0);
    EXPECT_EQ(line[39], 240);
    int distinct = 1;
    for (int x = 1; x < 40; ++x) {
        EXPECT_GE(line[x], line[x - 1]);
        if (line[x] != line[x - 1]) ++distinct;
    }
    EXPECT_GT(distinct, 20);  // steps of a few levels, not four blocks
}

TEST(ImagingRescale, IndexedPicturesKeepTheirColoursAndOtherTargetsTheirLayout) {
    // Smooth colours: averaging across hard edges makes colours that no
    // palette of the picture holds.
    PPixo source;
    MakeSmoothPicture(source, 90, 60);
    PPixo indexed;
    ASSERT_TRUE(indexed.CreateImage(kPixoIndexed256, 90, 60, 0, nullptr, 0, 0, 15, 0, 0));
    indexed.SetPalette(PKromo::CreateCustomPalette(source), 1);
    PKromo kromo;
    ASSERT_TRUE(kromo.BuildAgent(indexed, source, PKromoMethod{7, 0, 4}));
    ASSERT_TRUE(kromo.ConvertImg(nullptr, nullptr, nullptr, 0, 100));

    PPixo scaled;  // created with the default table, as the attachment code does
    ASSERT_TRUE(scaled.CreateImage(kPixoIndexed256, 45, 30, 0, nullptr, 0, 0, 15, 0, 0));
    ASSERT_TRUE(scaled.RescaleImage(indexed, nullptr, 0, 100));
    EXPECT_EQ(scaled.ColourTable().size(), indexed.ColourTable().size());
    EXPECT_TRUE(std::equal(scaled.ColourTable().begin(), scaled.ColourTable().end(), indexed.ColourTable().begin(),
                           [](const RGBQUAD& a, const RGBQUAD& b) {
                               return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
                           }));
    PPixo reference;
    ASSERT_TRUE(reference.CreateImage(kPixoTrueColor, 45, 30, 0, nullptr, 0, 0, 15, 0, 0));
    ASSERT_TRUE(reference.RescaleImage(source, nullptr, 0, 100));
    PPixo direct;
    ASSERT_TRUE(direct.CreateImage(kPixoTrueColor, 45, 30, 0, nullptr, 0, 0, 15, 0, 0));
    ASSERT_TRUE(direct.RescaleImage(indexed, nullptr, 0, 100));
    EXPECT_GE(Psnr(RgbOf(scaled), RgbOf(reference)), 28.0);

    for (int type :
         {kPixoBlackWhite, kPixoIndexed16, kPixoGray16, kPixoGray256, kPixoRgb555, kPixoRgb565, kPixoBgrx32}) {
        SCOPED_TRACE(type);
        PPixo target;
        ASSERT_TRUE(target.CreateImage(type, 33, 21, 0, nullptr, 0, 0, 15, 0, 0));
        ASSERT_TRUE(target.RescaleImage(source, nullptr, 0, 100));
        EXPECT_EQ(target.GetImageType(), type);
    }
    PPixo empty;
    EXPECT_FALSE(empty.RescaleImage(source, nullptr, 0, 100));
}

TEST(ImagingColour, ConversionsBetweenTypes) {
    PPixo source;
    MakeTestPicture(source, 64, 48);
    PKromo kromo;

    PPixo grey;
    ASSERT_TRUE(grey.CreateImage(kPixoGray256, 64, 48, 0, nullptr, 0, 0, 15, 0, 0));
    ASSERT_TRUE(kromo.BuildAgent(grey, source, PKromoMethod{2, 0, 0}));
    ASSERT_TRUE(kromo.ConvertImg(nullptr, nullptr, nullptr, 0, 100));
    const BYTE* s = source.Line(10);
    EXPECT_NEAR(grey.Line(10)[5], 0.299 * s[17] + 0.587 * s[16] + 0.114 * s[15], 1.5);

    PPixo back;
    ASSERT_TRUE(back.CreateImage(kPixoTrueColor, 64, 48, 0, nullptr, 0, 0, 15, 0, 0));
    ASSERT_TRUE(kromo.BuildAgent(back, grey, PKromoMethod{2, 0, 0}));
    ASSERT_TRUE(kromo.ConvertImg(nullptr, nullptr, nullptr, 0, 100));
    EXPECT_EQ(back.Line(10)[15], grey.Line(10)[5]);

    // Mid grey to black and white: plain mapping gives one colour, error
    // diffusion a half-and-half pattern.
    PPixo midGrey;
    ASSERT_TRUE(midGrey.CreateImage(kPixoTrueColor, 64, 64, 0, nullptr, 0, 0, 15, 0, 0));
    for (int y = 0; y < 64; ++y) std::fill(midGrey.Line(y), midGrey.Line(y) + 64 * 3, BYTE(128));
    for (WORD mapping : {WORD(2), WORD(7)}) {
        PPixo bw;
        ASSERT_TRUE(bw.CreateImage(kPixoBlackWhite, 64, 64, 0, nullptr, 0, 0, 15, 0, 0));
        ASSERT_TRUE(kromo.BuildAgent(bw, midGrey, PKromoMethod{mapping, 0, 4}));
        ASSERT_TRUE(kromo.ConvertImg(nullptr, nullptr, nullptr, 0, 100));
        const double mean = MeanOf(bw, 0);
        if (mapping == 7) EXPECT_NEAR(mean, 128, 6);
        else EXPECT_TRUE(mean == 0 || mean == 255);
    }

    PPixo wrongSize;
    ASSERT_TRUE(wrongSize.CreateImage(kPixoTrueColor, 10, 10, 0, nullptr, 0, 0, 15, 0, 0));
    EXPECT_FALSE(kromo.BuildAgent(wrongSize, source, PKromoMethod{2, 0, 0}));
    EXPECT_FALSE(kromo.ConvertImg(nullptr, nullptr, nullptr, 0, 100));
}

TEST(ImagingColour, FittedPaletteFollowsThePicture) {
    // Few colours: exactly those colours.
    PPixo flags;
    ASSERT_TRUE(flags.CreateImage(kPixoTrueColor, 30, 30, 0, nullptr, 0, 0, 15, 0, 0));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            BYTE* p = flags.Line(y) + x * 3;
            p[0] = BYTE(x < 10 ? 10 : 200);
            p[1] = BYTE(y < 15 ? 20 : 90);
            p[2] = 33;
        }
    HPALETTE palette = PKromo::CreateCustomPalette(flags);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(::GetPaletteEntries(palette, 0, 0, nullptr), 4u);
    ::DeleteObject(palette);

    // Many colours: 256 entries that map the picture closely, and a plain
    // 16-colour fit that beats the fixed 16-colour table.
    PPixo photo;
    MakeTestPicture(photo, 160, 120);
    for (int colours : {256, 16}) {
        SCOPED_TRACE(colours);
        const int type = colours == 256 ? kPixoIndexed256 : kPixoIndexed16;
        PPixo fitted, fixed;
        ASSERT_TRUE(fitted.CreateImage(type, 160, 120, 0, nullptr, 0, 0, 15, 0, 0));
        ASSERT_TRUE(fixed.CreateImage(type, 160, 120, 0, nullptr, 0, 0, 15, 0, 0));
        HPALETTE fit = PKromo::CreateCustomPalette(photo, colours);
        ASSERT_NE(fit, nullptr);
        EXPECT_EQ(::GetPaletteEntries(fit, 0, 0, nullptr), static_cast<UINT>(colours));
        fitted.SetPalette(fit, 1);
        PKromo kromo;
        ASSERT_TRUE(kromo.BuildAgent(fitted, photo, PKromoMethod{2, 0, 0}));
        ASSERT_TRUE(kromo.ConvertImg(nullptr, nullptr, nullptr, 0, 100));
        ASSERT_TRUE(kromo.BuildAgent(fixed, photo, PKromoMethod{2, 0, 0}));
        ASSERT_TRUE(kromo.ConvertImg(nullptr, nullptr, nullptr, 0, 100));
        const double fittedPsnr = Psnr(RgbOf(fitted), RgbOf(photo));
        EXPECT_GT(fittedPsnr, Psnr(RgbOf(fixed), RgbOf(photo)));
        if (colours == 256) {
            EXPECT_GE(fittedPsnr, 30.0);
        }
    }
    PPixo empty;
    EXPECT_EQ(PKromo::CreateCustomPalette(empty), nullptr);
}

}  // namespace
}  // namespace email32::test
