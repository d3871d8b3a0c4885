// Text drawn into 24-bit pictures through real GDI text drawing.
#include "companions/pixo/PPixo.h"
#include "base/Win32Handles.h"
#include "public/Utility.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

struct Bgr {
    BYTE b, g, r;
    bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};

constexpr Bgr kBackground = {10, 20, 30};

void Fill(PPixo& picture, int width, int height, Bgr colour) {
    ASSERT_TRUE(picture.CreateImage(kPixoTrueColor, width, height, 0, nullptr, 0, 0, 15, 0, 0));
    std::vector<BYTE> line;
    for (int x = 0; x < width; ++x) line.insert(line.end(), {colour.b, colour.g, colour.r});
    line.resize(static_cast<std::size_t>(picture.GetLineBytes()), 0);
    for (int y = 0; y < height; ++y) ASSERT_TRUE(picture.PutHorLine(y, line.data()));
}

Bgr At(const PPixo& picture, int x, int y) {
    const BYTE* p = picture.Line(y) + x * 3;
    return {p[0], p[1], p[2]};
}

struct Changes {
    int count = 0;
    int otherColours = 0;  // changed pixels that are not exactly the text colour
    RECT box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
};

// Pixels that differ from the background within rows [top, bottom).
Changes ChangesOf(const PPixo& picture, Bgr background, Bgr text, int top = 0, int bottom = INT_MAX) {
    Changes changes;
    bottom = std::min(bottom, picture.GetImageHeight());
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < picture.GetImageWidth(); ++x) {
            const Bgr pixel = At(picture, x, y);
            if (pixel == background) continue;
            ++changes.count;
            if (!(pixel == text)) ++changes.otherColours;
            changes.box.left = std::min<LONG>(changes.box.left, x);
            changes.box.top = std::min<LONG>(changes.box.top, y);
            changes.box.right = std::max<LONG>(changes.box.right, x + 1);
            changes.box.bottom = std::max<LONG>(changes.box.bottom, y + 1);
        }
    }
    return changes;
}

bool SameRows(const PPixo& a, int aTop, const PPixo& b, int bTop, int rows) {
    for (int i = 0; i < rows; ++i) {
        if (!std::equal(a.Line(aTop + i), a.Line(aTop + i) + a.GetLineBytes(), b.Line(bTop + i))) return false;
    }
    return true;
}

bool SamePicture(const PPixo& a, const PPixo& b) {
    return a.GetImageWidth() == b.GetImageWidth() && a.GetImageHeight() == b.GetImageHeight() &&
           a.GetImageType() == b.GetImageType() && SameRows(a, 0, b, 0, a.GetImageHeight());
}

// A crisp font of known height, so line positions can be measured.
class TestFont {
public:
    TestFont() {
        LOGFONTA description = {};
        description.lfHeight = -14;
        description.lfWeight = FW_NORMAL;
        description.lfCharSet = ANSI_CHARSET;
        description.lfQuality = NONANTIALIASED_QUALITY;
        lstrcpyA(description.lfFaceName, "Tahoma");
        EXPECT_TRUE(font.CreateFontIndirect(&description));
        email32::base::AutoMemoryDc dc(::CreateCompatibleDC(nullptr));
        email32::base::SelectedObject selected(dc.get(), font.GetSafeHandle());
        TEXTMETRICA metrics = {};
        ::GetTextMetricsA(dc.get(), &metrics);
        lineHeight = metrics.tmHeight;
    }
    CFont font;
    int lineHeight = 0;
};

constexpr unsigned long kRed = 0x0000FF;
constexpr unsigned long kWhite = 0xFFFFFF;

}  // namespace

TEST(PixoTextOut, RedTextSetsExactlyTheTextColourFromTheTopLeft) {
    PPixo picture;
    Fill(picture, 160, 40, kBackground);
    CPoint ignored(70, 30);
    EXPECT_EQ(CUtility::PixoTextOut(&picture, "Hello, red", &ignored, nullptr, kRed), 1);

    const Changes changes = ChangesOf(picture, kBackground, Bgr{0x00, 0x00, 0xFF});
    EXPECT_GT(changes.count, 30);
    EXPECT_EQ(changes.otherColours, 0);
    // Laid out from the corner whatever the point says.
    EXPECT_LT(changes.box.left, 5);
    EXPECT_LT(changes.box.top, 8);
    EXPECT_LT(changes.box.bottom, 30);
}

TEST(PixoTextOut, WhiteTextIsDrawnAgainstABlackKey) {
    TestFont font;
    PPixo picture;
    const Bgr blue = {200, 0, 0};
    Fill(picture, 90, 30, blue);
    EXPECT_EQ(CUtility::PixoTextOut(&picture, "White", nullptr, &font.font, kWhite), 1);
    const Changes changes = ChangesOf(picture, blue, Bgr{0xFF, 0xFF, 0xFF});
    EXPECT_GT(changes.count, 20);
    EXPECT_EQ(changes.otherColours, 0);

    // Black text on a white key: the key colour itself is never written.
    PPixo onWhite;
    Fill(onWhite, 90, 30, Bgr{255, 255, 255});
    EXPECT_EQ(CUtility::PixoTextOut(&onWhite, "Black", nullptr, &font.font, 0x000000), 1);
    const Changes black = ChangesOf(onWhite, Bgr{255, 255, 255}, Bgr{0, 0, 0});
    EXPECT_GT(black.count, 20);
    EXPECT_EQ(black.otherColours, 0);
}

TEST(PixoTextOut, ALineBreakDrawsTwoLines) {
    TestFont font;
    ASSERT_GT(font.lineHeight, 5);
    const int height = font.lineHeight * 3;
    PPixo both, first, second;
    Fill(both, 100, height, kBackground);
    Fill(first, 100, height, kBackground);
    Fill(second, 100, height, kBackground);
    ASSERT_EQ(CUtility::PixoTextOut(&both, "Top\nBottom", nullptr, &font.font, kRed), 1);
    ASSERT_EQ(CUtility::PixoTextOut(&first, "Top", nullptr, &font.font, kRed), 1);
    ASSERT_EQ(CUtility::PixoTextOut(&second, "Bottom", nullptr, &font.font, kRed), 1);

    const Bgr red = {0, 0, 0xFF};
    EXPECT_GT(ChangesOf(both, kBackground, red, 0, font.lineHeight).count, 10);
    EXPECT_GT(ChangesOf(both, kBackground, red, font.lineHeight, 2 * font.lineHeight).count, 10);
    EXPECT_EQ(ChangesOf(both, kBackground, red, 2 * font.lineHeight).count, 0);
    // Each line is what the line alone draws, the second one line lower.
    EXPECT_TRUE(SameRows(both, 0, first, 0, font.lineHeight));
    EXPECT_TRUE(SameRows(both, font.lineHeight, second, 0, font.lineHeight));
}

TEST(PixoDrawText, OnlyTextInsideTheRectangleIsDrawnAndTheRectangleIsKept) {
    TestFont font;
    PPixo picture;
    Fill(picture, 120, 50, kBackground);
    RECT rect = {20, 10, 60, 30};
    const RECT before = rect;
    const int drawn =
        CUtility::PixoDrawText(&picture, "WWWWWWWWWWWWWWWW", &rect, &font.font, kRed, DT_LEFT | DT_TOP | DT_SINGLELINE);
    EXPECT_EQ(drawn, font.lineHeight);
    EXPECT_TRUE(::EqualRect(&rect, &before));
    const Changes changes = ChangesOf(picture, kBackground, Bgr{0, 0, 0xFF});
    EXPECT_GT(changes.count, 20);
    EXPECT_EQ(changes.otherColours, 0);
    EXPECT_GE(changes.box.left, rect.left);
    EXPECT_GE(changes.box.top, rect.top);
    EXPECT_LE(changes.box.right, rect.right);
    EXPECT_LE(changes.box.bottom, rect.bottom);
    // The text runs past the rectangle, so it is cut at its right edge.
    EXPECT_GE(changes.box.right, rect.right - 3);

    // Measuring draws nothing and still leaves the caller's rectangle alone.
    PPixo measured;
    Fill(measured, 120, 50, kBackground);
    const int height =
        CUtility::PixoDrawText(&measured, "Wide text that wraps", &rect, &font.font, kRed, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_GT(height, font.lineHeight);
    EXPECT_TRUE(::EqualRect(&rect, &before));
    EXPECT_EQ(ChangesOf(measured, kBackground, Bgr{0, 0, 0xFF}).count, 0);

    // An ellipsis that DrawText writes into the text goes into a copy.
    const CString text("A text far too wide for the rectangle");
    PPixo cut;
    Fill(cut, 120, 50, kBackground);
    EXPECT_GT(
        CUtility::PixoDrawText(&cut, text, &rect, &font.font, kRed, DT_SINGLELINE | DT_END_ELLIPSIS | DT_MODIFYSTRING),
        0);
    EXPECT_STREQ(text, "A text far too wide for the rectangle");
    EXPECT_TRUE(::EqualRect(&rect, &before));
}

TEST(PixoDrawText, WithoutARectangleTheWholePictureIsTheLayout) {
    TestFont font;
    PPixo picture;
    Fill(picture, 200, 60, kBackground);
    const int drawn =
        CUtility::PixoDrawText(&picture, "Mid", nullptr, &font.font, kRed, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EXPECT_GT(drawn, 0);
    const Changes changes = ChangesOf(picture, kBackground, Bgr{0, 0, 0xFF});
    ASSERT_GT(changes.count, 10);
    const int centreX = (changes.box.left + changes.box.right) / 2;
    const int centreY = (changes.box.top + changes.box.bottom) / 2;
    EXPECT_NEAR(centreX, 100, 4);
    EXPECT_NEAR(centreY, 30, font.lineHeight / 2);
}

TEST(PixoDrawText, AFontObjectWithoutAFontDrawsWithTheDefaultFont) {
    PPixo withEmpty, withNull;
    Fill(withEmpty, 100, 30, kBackground);
    Fill(withNull, 100, 30, kBackground);
    CFont empty;
    EXPECT_GT(CUtility::PixoDrawText(&withEmpty, "Default", nullptr, &empty, kRed, DT_LEFT), 0);
    EXPECT_GT(CUtility::PixoDrawText(&withNull, "Default", nullptr, nullptr, kRed, DT_LEFT), 0);
    EXPECT_TRUE(SamePicture(withEmpty, withNull));
    EXPECT_GT(ChangesOf(withNull, kBackground, Bgr{0, 0, 0xFF}).count, 10);
}

TEST(TextOnImage, PicturesThatCannotTakeTextAreLeftAlone) {
    EXPECT_EQ(CUtility::PixoTextOut(nullptr, "x", nullptr, nullptr, kRed), 0);
    EXPECT_EQ(CUtility::PixoDrawText(nullptr, "x", nullptr, nullptr, kRed, 0), 0);

    PPixo empty;
    EXPECT_EQ(CUtility::PixoTextOut(&empty, "x", nullptr, nullptr, kRed), 0);
    EXPECT_EQ(CUtility::PixoDrawText(&empty, "x", nullptr, nullptr, kRed, 0), 0);
    EXPECT_TRUE(empty.IsEmpty());

    // A 256-colour picture has one byte a pixel: writing three-byte pixels
    // into it would scramble it.
    PPixo indexed;
    ASSERT_TRUE(indexed.CreateImage(kPixoIndexed256, 40, 20, 0, nullptr, 0, 0, 15, 0, 0));
    std::vector<BYTE> line(static_cast<std::size_t>(indexed.GetLineBytes()), 7);
    for (int y = 0; y < 20; ++y) ASSERT_TRUE(indexed.PutHorLine(y, line.data()));
    PPixo original;
    ASSERT_TRUE(original.CopyObject(indexed));
    EXPECT_EQ(CUtility::PixoTextOut(&indexed, "Text", nullptr, nullptr, kRed), 0);
    EXPECT_EQ(CUtility::PixoDrawText(&indexed, "Text", nullptr, nullptr, kRed, DT_LEFT), 0);
    EXPECT_TRUE(SamePicture(indexed, original));
}
