// Frames: decoding into indexed and true-colour images, the row order, the
// stopping rules at the frame's level, writing back and painting.
#include "gif/GifFrame.h"
#include "gif/GifHead.h"
#include "tests/gif/GifBytes.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace giftest;
using email32::test::ReadFile;
using email32::test::TempFolder;

namespace {

struct Framed {
    CGifHead head;
    CGifFrame frame;
    explicit Framed(int tableBits = 1) {
        const Bytes h = Head(16, 16, tableBits);
        EXPECT_NE(head.Read(Data(h), h.size()), email32::gif::core::kCutOff);
        frame.SetHead(head.HeaderRecord(), head.GlobalPalette());
    }
    std::size_t Read(const Bytes& b) { return frame.Read(Data(b), b.size()); }
};

std::vector<BYTE> Row(const PPixo& image, int y) {
    std::vector<BYTE> row(static_cast<std::size_t>(image.GetLineBytes()));
    image.GetHorLine(y, row.data());
    return row;
}

Bytes Stored(CGifFrame& frame) {
    TempFolder folder;
    const std::string path = folder / "f.bin";
    {
        CFile file;
        EXPECT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
        CArchive archive(&file, CArchive::store);
        frame.Serialize(archive);
        archive.Close();
    }
    return ReadFile(path);
}

}  // namespace

TEST(GifFrame, TwoColourRowIsPackedMostSignificantBitFirst) {
    Framed f(0);  // a 2-entry global table
    const Bytes image = Image(8, 1, {1, 0, 0, 0, 0, 0, 0, 1});
    EXPECT_EQ(f.Read(image), image.size());  // through the image data's terminator
    ASSERT_TRUE(f.frame.HasImage());
    EXPECT_EQ(f.frame.BitsPerPixel(), 1);
    EXPECT_EQ(f.frame.IndexedImage()->GetImageType(), kPixoBlackWhite);
    EXPECT_EQ(Row(*f.frame.IndexedImage(), 0)[0], 0x81);
    // The true-colour copy shows the palette's colours: entry 1 is (40, 215, 7).
    const auto rgb = Row(*f.frame.TrueColorImage(), 0);
    EXPECT_EQ(std::vector<int>(rgb.begin(), rgb.begin() + 6), (std::vector<int>{7, 215, 40, 0, 255, 0}));
}

TEST(GifFrame, InterlacedRowsLandInImageOrder) {
    for (int height : {1, 2, 10}) {
        Framed f(3);  // 16 colours: 4 bits per pixel
        std::vector<std::uint8_t> pixels;
        for (int y = 0; y < height; ++y) pixels.insert(pixels.end(), 3, static_cast<std::uint8_t>(y + 1));
        ASSERT_NE(f.Read(Image(3, height, pixels, 4, true)), email32::gif::core::kCutOff);
        for (int y = 0; y < height; ++y)
            EXPECT_EQ(Row(*f.frame.IndexedImage(), y)[0], ((y + 1) << 4) | (y + 1)) << height;
    }
}

TEST(GifFrame, CodeSizesOutsideTwoToEightLeaveABlankImage) {
    for (char m : {'\x01', '\x09'}) {
        Framed f(1);
        Bytes image = "\x2C" + U16(0) + U16(0) + U16(4) + U16(2) + '\0';
        image += m;
        image += Bytes("\x02\xFF\xFF\x00", 4);
        EXPECT_EQ(f.Read(image), 11u);  // 10 descriptor bytes and the code size byte
        EXPECT_TRUE(f.frame.HasImage());
        EXPECT_EQ(Row(*f.frame.IndexedImage(), 1)[0], 0);
    }
}

TEST(GifFrame, LocalTablesAndTransparency) {
    Framed f(1);
    ASSERT_EQ(f.Read(Gce(10, 2).substr(1)), 7u);
    f.frame.SetHead(f.head.HeaderRecord(), f.head.GlobalPalette());
    ASSERT_NE(f.Read(Image(4, 4, Pattern(4, 4, 4), 2, false, 0, 0, 1)), email32::gif::core::kCutOff);
    COLORREF key = 0;
    ASSERT_TRUE(f.frame.GetTransparentColor(&key));
    EXPECT_EQ(key, RGB(200, 2, 6));  // from the local table
    EXPECT_EQ(f.frame.KeyColor(), key);

    Framed opaque(1);
    ASSERT_NE(opaque.Read(Image(4, 4, Pattern(4, 4, 4))), email32::gif::core::kCutOff);
    EXPECT_FALSE(opaque.frame.GetTransparentColor(&key));
    EXPECT_EQ(opaque.frame.KeyColor(), RGB(0, 255, 0));  // global entry 0
}

TEST(GifFrame, WritingScalesTheDelayAndReencodesTheImage) {
    for (const auto& [scale, delay] : {std::pair{1.5f, 15}, std::pair{0.99f, 9}, std::pair{1.0f, 10}}) {
        Framed f(3);
        ASSERT_EQ(f.Read(Gce(10).substr(1)), 7u);
        f.frame.SetHead(f.head.HeaderRecord(), f.head.GlobalPalette());
        const auto pixels = Pattern(13, 7, 16);
        const Bytes image = Image(13, 7, pixels, 4, true);
        ASSERT_NE(f.Read(image), email32::gif::core::kCutOff);
        f.frame.m_fDelayScale = scale;
        const Bytes written = Stored(f.frame);
        EXPECT_EQ(written.substr(0, 4), Bytes("\x21\xF9\x04\x00", 4));
        EXPECT_EQ(static_cast<unsigned char>(written[4]), delay);
        EXPECT_EQ(written.substr(8), image);  // our encoder, same input: the same bytes

        Framed again(3);
        ASSERT_NE(again.frame.Read(Data(written) + 1, written.size() - 1), email32::gif::core::kCutOff);
        again.frame.SetHead(again.head.HeaderRecord(), again.head.GlobalPalette());
        ASSERT_NE(again.frame.Read(Data(written) + 8, written.size() - 8), email32::gif::core::kCutOff);
        for (int y = 0; y < 7; ++y) EXPECT_EQ(Row(*again.frame.IndexedImage(), y), Row(*f.frame.IndexedImage(), y));
    }
}

TEST(GifFrame, AMissingIndexedImageIsRebuiltFromTheTrueColourOne) {
    for (int bits : {0, 3, 7}) {  // 2, 16 and 256 colours
        Framed f(bits);
        const int colours = 2 << bits;
        const int m = std::max(2, bits + 1);
        ASSERT_NE(f.Read(Image(13, 7, Pattern(13, 7, colours), m)), email32::gif::core::kCutOff);
        std::vector<std::vector<BYTE>> rows;
        for (int y = 0; y < 7; ++y) rows.push_back(Row(*f.frame.IndexedImage(), y));
        f.frame.IndexedImage()->DeleteImage(1);
        // The palette-constrained conversion maps the palette's own colours
        // back to their indices.
        const Bytes written = Stored(f.frame);
        Framed again(bits);
        ASSERT_NE(again.Read(written), email32::gif::core::kCutOff);
        for (int y = 0; y < 7; ++y)
            EXPECT_EQ(Row(*again.frame.IndexedImage(), y), rows[static_cast<std::size_t>(y)]) << bits;
    }
}

TEST(GifFrame, AnImageTooLargeToCreateIsWrittenWithoutPixels) {
    // 4 KB of image data behind a descriptor of 65535 x 65535.
    std::vector<std::uint8_t> noise(4000);
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>(i * 7919 % 251);
    const Bytes descriptor = "\x2C" + U16(0) + U16(0) + U16(65535) + U16(65535) + Bytes(1, '\0');
    const Bytes data = Lzw(8, 4000, 1, noise);
    Framed f(7);
    ASSERT_EQ(f.Read(descriptor + data + ";"), descriptor.size() + data.size());
    ASSERT_TRUE(f.frame.HasImage());
    EXPECT_TRUE(f.frame.IndexedImage()->IsEmpty());
    // The descriptor as it was, then only the clear and end codes.
    const Bytes written = Stored(f.frame);
    EXPECT_EQ(written.substr(0, descriptor.size()), descriptor);
    EXPECT_EQ(written.substr(descriptor.size()), Bytes("\x08\x03\x00\x03\x02\x00", 6));
}

TEST(GifFrame, PlainTextIsKeptAndWrittenBack) {
    Framed f(1);
    const Bytes plain = Bytes("\x01\x0C", 2) + U16(0) + U16(0) + U16(16) + U16(16) + Bytes("\x08\x08\x01\x00", 4) +
                        Bytes("\x05Hello\x00", 7);
    EXPECT_EQ(f.Read(plain), plain.size() - 1);
    ASSERT_NE(f.frame.PlainText(), nullptr);
    EXPECT_EQ(*f.frame.PlainText(), "Hello");
    EXPECT_EQ(Stored(f.frame), "\x21" + plain);  // one terminator after the text
    EXPECT_EQ(f.frame.Read(Data(plain), 19), email32::gif::core::kCutOff);
}

TEST(GifFrame, DrawPaintsTheImageAtItsOffset) {
    Framed f(1);
    ASSERT_NE(f.Read(Image(4, 4, std::vector<std::uint8_t>(16, 3), 2, false, 2, 1)), email32::gif::core::kCutOff);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 8, 8);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    ::PatBlt(dc, 0, 0, 8, 8, WHITENESS);
    CDC cdc(dc);
    f.frame.Draw(&cdc, CRect(0, 0, 4, 4), nullptr, 24);
    EXPECT_EQ(::GetPixel(dc, 0, 0), RGB(255, 255, 255));  // left of and above the offset
    EXPECT_EQ(::GetPixel(dc, 3, 3), RGB(120, 135, 21));   // global entry 3
    EXPECT_EQ(::GetPixel(dc, 5, 5), RGB(255, 255, 255));  // clipped to the rectangle
    f.frame.Draw(nullptr, CRect(0, 0, 4, 4), nullptr, 24);
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}
