// The file object: the animated answer by the block rules, the signature
// checks, the header exception with every handle released, bounded parsing.
#include "gif/Gif89a.h"
#include "gif/GifFrame.h"
#include "tests/gif/GifBytes.h"
#include "tests/support/ObjectCounts.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <psapi.h>

#include <cstdio>

using namespace giftest;
using email32::test::TempFolder;
using email32::test::WriteFile;

namespace {

const Bytes kImage = Image(6, 4, Pattern(6, 4, 4));

class GifFile : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes) {
        const std::string path = m_folder / ("f" + std::to_string(m_count++) + ".gif");
        WriteFile(path, bytes);
        return path;
    }
    BOOL Animated(const Bytes& bytes) {
        CGif89a gif;
        const BOOL answer = gif.IsAnimated(Write(bytes).c_str());
        EXPECT_EQ(gif.GetFrameCount(), 0);
        EXPECT_TRUE(gif.Blocks().IsEmpty());
        return answer;
    }
    int Frames(const Bytes& bytes) {
        CGif89a gif;
        EXPECT_TRUE(gif.Load(Write(bytes).c_str()));
        return gif.GetFrameCount();
    }

    TempFolder m_folder;
    int m_count = 0;
};

}  // namespace

TEST_F(GifFile, TwoCompleteFramesMakeAnAnimation) {
    const Bytes head = Head(6, 4, 1);
    EXPECT_FALSE(Animated(head + Gce() + kImage + ";"));
    EXPECT_TRUE(Animated(head + Gce() + kImage + Gce() + kImage + ";"));
    // Images without graphic control extensions fall into one frame.
    EXPECT_FALSE(Animated(head + kImage + kImage + kImage + ";"));
    EXPECT_EQ(Frames(head + kImage + kImage + kImage + ";"), 1);
    // A looping application extension does not count.
    const Bytes loop = Bytes("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    EXPECT_FALSE(Animated(head + loop + Gce() + kImage + ";"));
    EXPECT_TRUE(Animated(head + loop + Gce() + kImage + Gce() + kImage + ";"));
    // A comment between a graphic control extension and its image leaves
    // that first frame without an image.
    const Bytes comment = Bytes("\x21\xFE\x02hi\x00", 6);
    EXPECT_FALSE(Animated(head + Gce() + comment + kImage + ";"));
    EXPECT_EQ(Frames(head + Gce() + comment + kImage + Gce() + kImage + ";"), 2);
    // No trailer: the frames completed count; zeros between blocks are
    // skipped; a byte that starts no block ends the parse.
    EXPECT_TRUE(Animated(head + Gce() + kImage + Gce() + kImage));
    EXPECT_TRUE(Animated(head + Gce() + kImage + Bytes(3, '\0') + Gce() + kImage + ";"));
    EXPECT_FALSE(Animated(head + Gce() + kImage + "\x05" + Gce() + kImage + ";"));
    // Plain text and no global table at all.
    EXPECT_TRUE(Animated(Head(6, 4) + Gce() + kImage + Gce() + kImage + ";"));
    // Extensions are passed over whole, however many sub-blocks they hold
    // and whatever their label: a loop record with a buffering sub-block, a
    // comment whose first sub-block is short, an unknown extension.
    const Bytes loops = Bytes(
        "\x21\xFF\x0B"
        "ANIMEXTS1.0\x03\x01\x00\x00\x05\x02\x00\x10\x00\x00\x00",
        25);
    const Bytes notes = Bytes("\x21\xFE\x02hi\x03 to\x00", 10);
    const Bytes unknown = Bytes("\x21\x99\x02\x2C\x3B\x01\x05\x00", 8);
    EXPECT_TRUE(Animated(head + loops + notes + Gce() + kImage + unknown + Gce() + kImage + ";"));
}

TEST_F(GifFile, ParsingStopsRightAfterTheSecondImage) {
    const Bytes start = Head(6, 4, 1) + Gce() + kImage + Gce() + kImage;
    // Behind the second frame: a third one whose data would decode, then junk.
    const std::string path = Write(start + Gce() + kImage + ";");
    CGif89a gif;
    EXPECT_TRUE(gif.IsAnimated(path.c_str()));
    EXPECT_EQ(gif.BytesParsed(), start.size());  // the image data's terminator included
    ASSERT_TRUE(gif.Load(path.c_str()));
    EXPECT_EQ(gif.GetFrameCount(), 3);
}

TEST_F(GifFile, SignaturesAndMissingFiles) {
    CGif89a gif;
    EXPECT_FALSE(gif.IsAnimated(nullptr));
    EXPECT_FALSE(gif.IsAnimated((m_folder / "missing.gif").c_str()));
    const Bytes two = Gce() + kImage + Gce() + kImage + ";";
    const std::string old = Write(Head(6, 4, 1, "GIF87a") + two);
    EXPECT_TRUE(IsGifFile(old.c_str()));
    EXPECT_FALSE(gif.IsAnimated(old.c_str()));
    EXPECT_TRUE(gif.IsAnimated(Write(Head(6, 4, 1, "gif89a") + two).c_str()));
    EXPECT_FALSE(IsGifFile(Write("GIF89").c_str()));
    EXPECT_FALSE(IsGifFile(Write("PNG89a and more").c_str()));
    EXPECT_FALSE(IsGifFile((m_folder / "missing.gif").c_str()));
}

TEST_F(GifFile, HeaderLongerThanTheFileThrowsWithEverythingReleased) {
    CGif89a gif;
    auto throwsEndOfFile = [&](const std::string& path) {
        try {
            gif.IsAnimated(path.c_str());
        } catch (const CArchiveException& e) {
            EXPECT_TRUE(e.m_strFileName.IsEmpty());
            return e.m_cause == CArchiveException::endOfFile;
        }
        return false;
    };
    // Once, so that what the first exception sets up is not counted.
    EXPECT_TRUE(throwsEndOfFile(Write("GIF89a")));
    for (const Bytes& bytes : {Bytes("GIF89a"), Head(6, 4, 7).substr(0, 400)}) {
        const std::string path = Write(bytes);
        const DWORD handles = email32::test::ProcessHandleCount();
        EXPECT_TRUE(throwsEndOfFile(path));
        EXPECT_TRUE(gif.Blocks().IsEmpty());
        EXPECT_EQ(gif.GetFrameCount(), 0);
        EXPECT_EQ(email32::test::ProcessHandleCount(), handles);
        // The file is neither open nor mapped any more.
        EXPECT_TRUE(::DeleteFileA(path.c_str()));
    }
}

TEST_F(GifFile, EveryPrefixOfAFileParsesWithinTheFile) {
    const Bytes whole = Head(6, 4, 1) + Bytes("\x21\xFE\x02hi\x00", 6) +
                        Bytes("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19) + Gce() + kImage + Gce(5, 1) +
                        Image(6, 4, Pattern(6, 4, 4), 2, true) + ";";
    for (std::size_t n = 13 + 12; n <= whole.size(); ++n) {
        CGif89a gif;
        const BOOL answer = gif.IsAnimated(Write(whole.substr(0, n)).c_str());
        if (n == whole.size()) {
            EXPECT_TRUE(answer);
        }
    }
}

// Must-show figures: IsAnimated on a 100-frame GIF of about 50 MB decodes two
// images and needs about two decoded frames of memory besides the mapped
// view. ctest runs each test in a process of its own, so the peak is this
// test's.
TEST_F(GifFile, HundredFrameFileAnswersAfterTwoImagesWithTwoFramesOfMemory) {
    const int w = 600, h = 600;
    const std::string path = m_folder / "hundred.gif";
    std::size_t frameBytes = 0, fileBytes = 0;
    {
        std::vector<std::uint8_t> noise(static_cast<std::size_t>(w) * h);
        unsigned seed = 7;
        for (auto& p : noise) p = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
        const Bytes frame = Gce() + Image(w, h, noise, 8);
        frameBytes = frame.size();
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
        const Bytes head = Head(w, h, 7);
        file.Write(head.data(), static_cast<UINT>(head.size()));
        for (int i = 0; i < 100; ++i) file.Write(frame.data(), static_cast<UINT>(frame.size()));
        file.Write(";", 1);
        fileBytes = head.size() + 100 * frame.size() + 1;
    }
    PROCESS_MEMORY_COUNTERS before{}, after{};
    before.cb = after.cb = sizeof before;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof before);
    CGif89a gif;
    EXPECT_TRUE(gif.IsAnimated(path.c_str()));
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof after);
    // Parsing ended right after the second image's data.
    EXPECT_EQ(gif.BytesParsed(), 13u + 768u + 2 * frameBytes);
    const double decodedFrame = static_cast<double>(w) * h * (1 + 3) / 1e6;
    const double peakGrowth =
        (static_cast<double>(after.PeakPagefileUsage) - static_cast<double>(before.PagefileUsage)) / 1e6;
    const double workingSetGrowth =
        (static_cast<double>(after.PeakWorkingSetSize) - static_cast<double>(before.WorkingSetSize)) / 1e6;
    std::printf(
        "[ figures  ] file %.1f MB, parse ended at byte %zu (2 of 100 images decoded); one decoded frame "
        "(indexed + true colour) %.2f MB; private-bytes peak growth %.2f MB; working-set peak growth %.2f MB\n",
        static_cast<double>(fileBytes) / 1e6, gif.BytesParsed(), decodedFrame, peakGrowth, workingSetGrowth);
    EXPECT_GT(fileBytes, 45u * 1000 * 1000);
    if (after.PeakPagefileUsage != 0) {
        EXPECT_LT(peakGrowth, 3 * decodedFrame);
    }
}
