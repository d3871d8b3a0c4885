// The preparation passes on real pictures: working copies, conversion to JPG
// and rescaling, what is never touched, and names that must not collide.
#include "sendui/AttachmentPreparation.h"
#include "sendui/ResourceIds.h"
#include "tests/sendui/ModuleResources.h"
#include "tests/sendui/SendUiTestFiles.h"
#include "tests/support/PictureProbe.h"

#include <gtest/gtest.h>

using namespace email32::test;

namespace {

CString Text(unsigned id) {
    CString text;
    text.LoadString(id);
    return text;
}

class AttachmentPreparation : public ::testing::Test {
protected:
    // Runs the preparation for sources; the current list it made.
    std::vector<std::string> Prepare(const char* format, const char* resolution,
                                     const std::vector<std::string>& sources, bool* prepared = nullptr) {
        CStringList source(10);
        for (const std::string& path : sources) source.AddTail(path);
        CStringList current(10);
        email32::sendui::AttachmentPreparation preparation(m_temp, [this](const CString& text) {
            m_warnings.push_back(text.str());
            m_warningThreads.push_back(::GetCurrentThreadId());
        });
        const bool ran = preparation.Run(format, resolution, source, current);
        if (prepared) *prepared = ran;
        std::vector<std::string> list;
        for (const CString& path : current.Items()) list.push_back(path.str());
        return list;
    }
    std::vector<std::string> Prepare(unsigned formatId, const char* resolution,
                                     const std::vector<std::string>& sources) {
        return Prepare(Text(formatId), resolution, sources);
    }
    std::string Temp(const std::string& name) const { return m_temp + name; }

    ModuleResources m_resources;
    TempFolder m_root{"prep"};
    std::string m_temp = m_root / "temp\\";
    const CString m_original = Text(IDS_ORIGINAL_FILE);
    std::vector<std::string> m_warnings;
    std::vector<DWORD> m_warningThreads;
};

}  // namespace

TEST_F(AttachmentPreparation, BothOriginalWritesNothingAndLeavesTheCurrentListAlone) {
    CStringList source(10);
    source.AddTail(Picture("photo.bmp"));
    CStringList current(10);
    current.AddTail("earlier");
    email32::sendui::AttachmentPreparation preparation(m_temp, nullptr);
    EXPECT_FALSE(preparation.Run(m_original, m_original, source, current));
    ASSERT_EQ(current.GetCount(), 1);
    EXPECT_STREQ(current.Items()[0], "earlier");
    EXPECT_FALSE(FileExists(Temp("photo.bmp")));
}

TEST_F(AttachmentPreparation, JpgConvertsBitmapsAndPngAndCopiesPlainJpegFiles) {
    const std::vector<std::string> sources = {Picture("photo.bmp"), Picture("picture.png"), Picture("plain.jpg"),
                                              Picture("single.gif"), Picture("plain.tif")};
    const std::vector<std::string> before = Contents(sources);
    const std::vector<std::string> list = Prepare(IDS_JPG, m_original, sources);
    EXPECT_EQ(list, (std::vector<std::string>{Temp("photo.jpg"), Temp("picture.jpg"), Temp("plain.jpg"),
                                              Temp("single.jpg"), Temp("plain (2).jpg")}));
    const PictureFacts photo = ProbePicture(Temp("photo.jpg"));
    EXPECT_EQ(photo.format, "jpeg");
    EXPECT_EQ(photo.width, 320u);
    EXPECT_EQ(photo.height, 200u);
    EXPECT_EQ(ProbePicture(Temp("picture.jpg")).format, "jpeg");
    EXPECT_EQ(ProbePicture(Temp("single.jpg")).format, "jpeg");
    EXPECT_EQ(ProbePicture(Temp("plain (2).jpg")).width, 200u);
    // The JPEG file is only copied.
    EXPECT_EQ(ReadFile(Temp("plain.jpg")), before[2]);
    EXPECT_EQ(Contents(sources), before);
    EXPECT_TRUE(m_warnings.empty());
}

TEST_F(AttachmentPreparation, ExifJpegJpeAndOtherFilesAreSentAsTheyAre) {
    const std::vector<std::string> sources = {Picture("exif.jpg"), Picture("photo.jpe"), Picture("page.htm"),
                                              Picture("README")};
    EXPECT_EQ(Prepare(IDS_JPG, "640", sources), sources);
    EXPECT_EQ(Prepare(m_original, "160", sources), sources);
    EXPECT_FALSE(FileExists(Temp("exif.jpg")));
}

TEST_F(AttachmentPreparation, AnimatedGifIsSentAsItIs) {
    const std::vector<std::string> sources = {Picture("animated.gif"), Picture("single.gif")};
    EXPECT_EQ(Prepare(IDS_JPG, "640", sources), (std::vector<std::string>{sources[0], Temp("single.jpg")}));
    EXPECT_EQ(Prepare(m_original, "160", sources), (std::vector<std::string>{sources[0], Temp("single.gif")}));
    EXPECT_FALSE(FileExists(Temp("animated.gif")));
    EXPECT_EQ(ProbePicture(Temp("single.gif")).width, 160u);
}

TEST_F(AttachmentPreparation, ADamagedGifIsSentAsItIsAndTheRunGoesOn) {
    const std::vector<std::string> sources = {Picture("damaged.gif"), Picture("photo.bmp")};
    const std::vector<std::string> before = Contents(sources);
    const std::vector<std::string> list = Prepare(IDS_JPG, "160", sources);
    EXPECT_EQ(list, (std::vector<std::string>{sources[0], Temp("photo.jpg")}));
    EXPECT_EQ(ProbePicture(Temp("photo.jpg")).width, 160u);
    EXPECT_EQ(Contents(sources), before);
}

TEST_F(AttachmentPreparation, ResolutionSetsTheWidthAndKeepsTheAspect) {
    const std::vector<std::string> list =
        Prepare(IDS_JPG, "640", {Picture("portrait.bmp"), Picture("photo.bmp"), Picture("plain.jpg")});
    ASSERT_EQ(list.size(), 3u);
    const PictureFacts portrait = ProbePicture(list[0]);
    EXPECT_EQ(portrait.format, "jpeg");
    EXPECT_EQ(portrait.width, 640u);
    EXPECT_EQ(portrait.height, 853u);
    // A narrower picture is enlarged to the chosen width.
    EXPECT_EQ(ProbePicture(list[1]).width, 640u);
    EXPECT_EQ(ProbePicture(list[1]).height, 400u);
    EXPECT_EQ(ProbePicture(list[2]).height, 480u);

    const std::vector<std::string> plain = Prepare(m_original, "480", {Picture("plain.jpg"), Picture("plain.tif")});
    EXPECT_EQ(plain, (std::vector<std::string>{Temp("plain.jpg"), Temp("plain (2).tif")}));
    EXPECT_EQ(ProbePicture(plain[0]).width, 480u);
    EXPECT_EQ(ProbePicture(plain[0]).height, 360u);
    EXPECT_EQ(ProbePicture(plain[1]).format, "tiff");
    EXPECT_EQ(ProbePicture(plain[1]).width, 480u);
}

TEST_F(AttachmentPreparation, PngIsRescaledOnlyAfterConversion) {
    const std::string png = Picture("picture.png");
    const std::vector<std::string> copied = Prepare(m_original, "160", {png});
    ASSERT_EQ(copied, std::vector<std::string>{Temp("picture.png")});
    EXPECT_EQ(ProbePicture(copied[0]).width, 100u);
    EXPECT_EQ(ReadFile(copied[0]), ReadFile(png));

    const std::vector<std::string> converted = Prepare(IDS_JPG, "160", {png});
    ASSERT_EQ(converted, std::vector<std::string>{Temp("picture.jpg")});
    EXPECT_EQ(ProbePicture(converted[0]).width, 160u);
    EXPECT_EQ(ProbePicture(converted[0]).height, 128u);
}

TEST_F(AttachmentPreparation, SameNamesFromDifferentFoldersAndSameStemsGetTheirOwnFiles) {
    TempFolder host("host");
    ::CreateDirectoryA((host / "a").c_str(), nullptr);
    ::CreateDirectoryA((host / "b").c_str(), nullptr);
    CopyFileOrFail(Picture("photo.bmp"), host / "a\\Holiday.bmp");
    CopyFileOrFail(Picture("portrait.bmp"), host / "b\\holiday.bmp");
    CopyFileOrFail(Picture("picture.png"), host / "a\\holiday.png");
    const std::vector<std::string> sources = {host / "a\\Holiday.bmp", host / "b\\holiday.bmp",
                                              host / "a\\holiday.png"};

    const std::vector<std::string> copies = Prepare(m_original, "320", sources);
    EXPECT_EQ(copies,
              (std::vector<std::string>{Temp("Holiday.bmp"), Temp("holiday (2).bmp"), Temp("holiday (3).png")}));
    const std::vector<std::string> jpegs = Prepare(IDS_JPG, m_original, sources);
    ASSERT_EQ(jpegs, (std::vector<std::string>{Temp("Holiday.jpg"), Temp("holiday (2).jpg"), Temp("holiday (3).jpg")}));
    EXPECT_EQ(ProbePicture(jpegs[0]).height, 200u);
    EXPECT_EQ(ProbePicture(jpegs[1]).height, 1600u);
    EXPECT_EQ(ProbePicture(jpegs[2]).height, 80u);
}

TEST_F(AttachmentPreparation, HostFilesAreNeverWrittenAndReadOnlySourcesStillShrinkEveryTime) {
    TempFolder host("ro");
    CopyFileOrFail(Picture("photo.bmp"), host / "locked.bmp");
    ASSERT_TRUE(::SetFileAttributesA((host / "locked.bmp").c_str(), FILE_ATTRIBUTE_READONLY));
    std::vector<std::string> sources = {host / "locked.bmp"};
    for (const char* name : {"portrait.bmp", "picture.png", "single.gif", "animated.gif", "plain.jpg", "exif.jpg",
                             "plain.tif", "exif.tif", "photo.jpe", "page.htm", "README"}) {
        sources.push_back(Picture(name));
    }
    const std::vector<std::string> before = Contents(sources);
    for (const char* width : {"640", "160"}) {
        EXPECT_EQ(Prepare(IDS_JPG, width, sources).size(), sources.size());
        const std::vector<std::string> list = Prepare(m_original, width, sources);
        ASSERT_EQ(list.size(), sources.size());
        // Each run starts again from the sources, so widths never compound.
        EXPECT_EQ(ProbePicture(list[0]).width, static_cast<unsigned>(atoi(width)));
    }
    EXPECT_EQ(Contents(sources), before);
    EXPECT_TRUE(m_warnings.empty());
    ::SetFileAttributesA((host / "locked.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(AttachmentPreparation, OverLongNamesUseTemporaryNamesAndTheirPlaceholdersGo) {
    // A temporary folder deep enough that the attachment's name no longer fits.
    m_temp = m_root.path() + std::string(120, 'd') + "\\" + std::string(60, 'e') + "\\temp\\";
    TempFolder host("long");
    const std::string longName = host / (std::string(70, 'n') + ".bmp");
    CopyFileOrFail(Picture("photo.bmp"), longName);
    ASSERT_GT(m_temp.size() + 74, 259u);

    const std::vector<std::string> list = Prepare(IDS_JPG, "160", {longName, Picture("picture.png")});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].rfind(m_temp + "QIX", 0), 0u) << list[0];
    EXPECT_EQ(list[0].substr(list[0].size() - 4), ".jpg");
    EXPECT_EQ(ProbePicture(list[0]).width, 160u);
    EXPECT_EQ(list[1], Temp("picture.jpg"));
    // Only the converted files remain: no empty placeholder.
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((m_temp + "*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
}

TEST_F(AttachmentPreparation, WithoutAUsableTemporaryFolderEveryAttachmentKeepsItsSource) {
    // A file where the temporary folder should be: nothing can be made below it.
    WriteFile(m_root / "blocked", "x");
    m_temp = m_root / "blocked\\temp\\";
    const std::vector<std::string> sources = {Picture("photo.bmp"), Picture("picture.png")};
    EXPECT_EQ(Prepare(IDS_JPG, "320", sources), sources);

    // A name too long for the folder, and no temporary name to be had in it.
    const size_t fill = 244 - (m_root / "blocked\\").size();
    m_temp = m_root / "blocked\\" + std::string(fill, 'z') + "\\temp\\";
    ASSERT_EQ(m_temp.size(), 250u);
    const std::vector<std::string> one = {Picture("portrait.bmp")};
    EXPECT_EQ(Prepare(IDS_JPG, "320", one), one);
}

TEST_F(AttachmentPreparation, ManyAttachmentsAtOnceComeOutAsEachDoesAlone) {
    TempFolder host("many");
    std::vector<std::string> sources = {Picture("photo.bmp"), Picture("picture.png"), Picture("single.gif"),
                                        Picture("plain.tif"), Picture("portrait.bmp")};
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpeg"}) {
        CopyFileOrFail(Picture("plain.jpg"), host / name);
        sources.push_back(host / name);
    }
    for (const unsigned format : {IDS_ORIGINAL_FILE, IDS_JPG}) {
        const std::vector<std::string> together = Prepare(format, "320", sources);
        ASSERT_EQ(together.size(), sources.size());
        const std::vector<std::string> made = Contents(together);
        for (size_t i = 0; i < sources.size(); ++i) {
            SCOPED_TRACE(sources[i]);
            EXPECT_EQ(Prepare(format, "320", {sources[i]}), std::vector<std::string>{together[i]});
            EXPECT_EQ(ReadFile(together[i]), made[i]);
        }
    }
    EXPECT_TRUE(m_warnings.empty());
}

TEST_F(AttachmentPreparation, AShrunkPictureThatCannotBeWrittenWarnsOnTheCallersThreadAndItsCopyIsSent) {
    TempFolder host("tall");
    CopyFileOrFail(Picture("tall.jpg"), host / "thin.jpg");
    const std::vector<std::string> sources = {Picture("tall.jpg"), Picture("photo.bmp"), host / "thin.jpg"};
    const std::vector<std::string> list = Prepare(m_original, "160", sources);
    EXPECT_EQ(list, (std::vector<std::string>{Temp("tall.jpg"), Temp("photo.bmp"), Temp("thin.jpg")}));
    // At 160 pixels wide it would be 80000 tall, more than a JPEG file holds.
    EXPECT_EQ(ReadFile(list[0]), ReadFile(sources[0]));
    EXPECT_EQ(ReadFile(list[2]), ReadFile(sources[0]));
    EXPECT_EQ(ProbePicture(list[1]).width, 160u);
    EXPECT_EQ(m_warnings, std::vector<std::string>(2, Text(IDS_READ_ONLY).str()));
    EXPECT_EQ(m_warningThreads, std::vector<DWORD>(2, ::GetCurrentThreadId()));
}
