// The head, application and comment blocks: the bytes they consume, keep and
// write; and the run-time class records of the GIF classes.
#include "gif/Gif89a.h"
#include "gif/GifApplication.h"
#include "gif/GifComment.h"
#include "gif/GifFrame.h"
#include "gif/GifHead.h"
#include "tests/gif/GifBytes.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace giftest;
using email32::test::ReadFile;
using email32::test::TempFolder;

namespace {

// What a block's Serialize writes in store mode.
Bytes Stored(CObject& block) {
    TempFolder folder;
    const std::string path = folder / "out.bin";
    {
        CFile file;
        EXPECT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
        CArchive archive(&file, CArchive::store);
        block.Serialize(archive);
        archive.Close();
    }
    return ReadFile(path);
}

}  // namespace

TEST(GifBlocks, HeadReadsItsTableAndWritesItBack) {
    const Bytes full = Head(10, 5, 7);
    CGifHead head;
    EXPECT_EQ(head.Read(Data(full), full.size()), 13u + 768u);
    ASSERT_NE(head.GlobalPalette(), nullptr);
    EXPECT_EQ(head.GlobalPalette()->GetEntryCount(), 256);
    EXPECT_EQ(head.ColourCount(), 256);
    EXPECT_EQ(Stored(head), full);
    // A table that the file does not hold in full is cut off.
    EXPECT_EQ(head.Read(Data(full), 100), email32::gif::core::kCutOff);

    const Bytes bare = Head(10, 5);
    EXPECT_EQ(head.Read(Data(bare), bare.size()), 13u);
    EXPECT_EQ(head.GlobalPalette(), nullptr);
    EXPECT_EQ(Stored(head), bare);

    // Load mode reads the head and its table back.
    TempFolder folder;
    email32::test::WriteFile(folder / "h.gif", full);
    CFile file;
    ASSERT_TRUE(file.Open((folder / "h.gif").c_str(), CFile::modeRead));
    CArchive in(&file, CArchive::load);
    CGifHead loaded;
    loaded.Serialize(in);
    EXPECT_EQ(loaded.ColourCount(), 256);
    EXPECT_EQ(Stored(loaded), full);
}

TEST(GifBlocks, HeadPaintsItsBackgroundOrBlack) {
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 8, 8);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    CDC cdc(dc);

    Bytes withTable = Head(4, 4, 1);
    withTable[11] = 2;  // background index 2: (80, 175, 14)
    CGifHead head;
    ASSERT_NE(head.Read(Data(withTable), withTable.size()), email32::gif::core::kCutOff);
    head.DrawBackground(&cdc, CRect(0, 0, 8, 8));
    EXPECT_EQ(::GetPixel(dc, 3, 3), RGB(80, 175, 14));

    const Bytes bare = Head(4, 4);
    ASSERT_EQ(head.Read(Data(bare), bare.size()), 13u);
    head.DrawBackground(&cdc, CRect(0, 0, 8, 8));
    EXPECT_EQ(::GetPixel(dc, 3, 3), RGB(0, 0, 0));

    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

TEST(GifBlocks, ApplicationKeepsItsFirstSubBlock) {
    CGifApplication application;
    application.SetDefault();
    EXPECT_EQ(Stored(application), Bytes("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19));

    const Bytes loop5("\xFF\x0BNETSCAPE2.0\x03\x01\x05\x00\x00", 18);
    EXPECT_EQ(application.Read(Data(loop5), loop5.size()), 18u);
    EXPECT_EQ(application.SubBlock()[2], 5);
    EXPECT_EQ(Stored(application), "\x21" + loop5);
    EXPECT_EQ(application.Read(Data(loop5), 16), email32::gif::core::kCutOff);
}

TEST(GifBlocks, CommentsReadAndWriteTheirSubBlocks) {
    CGifComment comment;
    const Bytes five("\xFE\x05hello\x00", 8);
    EXPECT_EQ(comment.Read(Data(five), five.size()), 7u);
    EXPECT_STREQ(comment.Text(), "hello");

    comment.SetText(CString(std::string(300, 'x')));
    const Bytes written = Stored(comment);
    ASSERT_EQ(written.size(), 2u + 1 + 255 + 1 + 45 + 1);
    EXPECT_EQ(written.substr(0, 3), "\x21\xFE\xFF");
    EXPECT_EQ(static_cast<unsigned char>(written[258]), 0x2D);
    EXPECT_EQ(written.back(), '\0');

    comment.SetText("");
    EXPECT_EQ(Stored(comment), Bytes("\x21\xFE\x00\x00", 4));
    comment.SetText("first");
    comment.SetText("second");
    EXPECT_STREQ(comment.Text(), "second");
}

TEST(GifBlocks, EveryGifClassIsRegisteredSerializableWithSchemaOne) {
    for (const char* name : {"CGif89a", "CGifBlock", "CGifHead", "CGifApplication", "CGifComment", "CGifFrame"}) {
        CRuntimeClass* runtimeClass = FindModuleClass(name);
        ASSERT_NE(runtimeClass, nullptr) << name;
        EXPECT_EQ(runtimeClass->m_wSchema, 1u);
        EXPECT_EQ(runtimeClass->m_pBaseClass, &CObject::classCObject);
        std::unique_ptr<CObject> object(runtimeClass->CreateObject());
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->GetRuntimeClass(), runtimeClass);
    }
    std::unique_ptr<CObject> frame(CGifFrame::classCGifFrame.CreateObject());
    EXPECT_EQ(static_cast<CGifBlock*>(frame.get())->m_nKind, CGifBlock::kFrame);
    std::unique_ptr<CObject> plain(CGifBlock::classCGifBlock.CreateObject());
    EXPECT_EQ(static_cast<CGifBlock*>(plain.get())->m_nKind, CGifBlock::kPlain);
}
