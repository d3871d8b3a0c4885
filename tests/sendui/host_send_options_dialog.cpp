// The send options dialog as a host shows it: the real dialog on this thread,
// driven from a second one.
#include "public/framework/Collections.h"
#include "public/AttachmentItem.h"
#include "public/EmailComponent.h"
#include "tests/sendui/DialogDriver.h"
#include "tests/support/PictureProbe.h"

#include <gtest/gtest.h>

using namespace email32::test;

namespace {

int g_destroyed = 0;

// A host's own item class: the module must delete it through its destructor.
class HostItem : public CAttachmentItem {
public:
    explicit HostItem(const std::string& path) : CAttachmentItem(CString(path)) {}
    ~HostItem() override { ++g_destroyed; }
};

struct HostArray {
    CPtrArray array;
    explicit HostArray(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) array.Add(new HostItem(path));
    }
    ~HostArray() {
        for (int i = 0; i < array.GetSize(); ++i) delete static_cast<CAttachmentItem*>(array.GetAt(i));
    }
    [[nodiscard]] std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (int i = 0; i < array.GetSize(); ++i)
            paths.push_back(static_cast<CAttachmentItem*>(array.GetAt(i))->m_strPath.str());
        return paths;
    }
    [[nodiscard]] std::vector<void*> Items() const {
        std::vector<void*> items;
        for (int i = 0; i < array.GetSize(); ++i) items.push_back(array.GetAt(i));
        return items;
    }
};

class SendOptionsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        m_alive = AppDataFolder() + "AliveDB.ini";
        ::CreateDirectoryA(AppDataFolder().c_str(), nullptr);
        m_catalogue = BinFolder() + "EmailDB.ini";
        // Beta has no program file and so no icon.
        WriteFile(m_alive,
                  "[AliveEmailSys]\r\nCount=3\r\n1=Alpha\r\n2=Beta\r\n3=Gamma\r\n[DefaultEmailSys]\r\nDefault=Beta\r\n"
                  "[Alpha]\r\nPath=C:\\windows\\notepad.exe\r\n[Gamma]\r\nPath=C:\\windows\\regedit.exe\r\n");
        WriteFile(m_catalogue,
                  "[Alpha]\r\nTitle=Alpha Mail\r\n[Beta]\r\nTitle=Beta Mail\r\n[Gamma]\r\nTitle=Gamma Mail\r\n");
        ASSERT_EQ(m_component.InitEmailSysDB(false), 3);
        g_destroyed = 0;
    }
    void TearDown() override {
        ::DeleteFileA(m_alive.c_str());
        ::DeleteFileA(m_catalogue.c_str());
    }

    // Shows the dialog over the files; script drives it. Whether it closed
    // with OK.
    bool Show(HostArray& items, const std::function<void(DialogSession&)>& script) {
        m_component.PutItemArray(&items.array);
        bool ok = false;
        EXPECT_TRUE(DriveDialog([&] { ok = m_component.SelectDefaultEmailSys(nullptr); }, script)) << "no dialog";
        return ok;
    }
    std::string DefaultKey() const {
        std::string key;
        m_component.GetDefaultEmailSys(key);
        return key;
    }

    std::string m_alive;
    std::string m_catalogue;
    EmailComponent m_component{false};
};

const DialogTexts kTexts = ExpectedDialogTexts();
const std::string kOriginal = Ansi(kTexts.original);

}  // namespace

TEST_F(SendOptionsDialog, StartsWithTheDefaultSelectedAlignedIconsAndTheSizeOfTheSources) {
    const std::vector<std::string> sources = {Picture("photo.bmp"), Picture("page.htm"), Picture("README")};
    HostArray items(sources);
    const bool ok = Show(items, [&](DialogSession& d) {
        // Every caption whole, in the user's language, whatever the code page.
        EXPECT_EQ(d.Caption(), kTexts.options);
        EXPECT_EQ(d.WideText(IDOK), kTexts.ok);
        EXPECT_EQ(d.WideText(IDCANCEL), kTexts.cancel);
        EXPECT_EQ(d.WideText(IDC_FORMAT_LABEL), kTexts.format);
        EXPECT_EQ(d.WideText(IDC_RESOLUTION_LABEL), kTexts.resolution);
        EXPECT_EQ(d.WideText(IDC_SIZE_LABEL), kTexts.size);
        EXPECT_EQ(d.Text(IDC_SIZE_TEXT), SizeTextOf(sources));
        EXPECT_TRUE(d.Enabled(IDC_FORMAT_COMBO));
        EXPECT_TRUE(d.Enabled(IDC_RESOLUTION_COMBO));
        EXPECT_EQ(d.ComboText(IDC_FORMAT_COMBO), kOriginal);
        EXPECT_EQ(d.ComboText(IDC_RESOLUTION_COMBO), kOriginal);
        EXPECT_EQ(d.ComboCount(IDC_FORMAT_COMBO), 2);
        EXPECT_EQ(d.ComboCount(IDC_RESOLUTION_COMBO), 10);
        EXPECT_EQ(d.SelectedSystem(), 1);

        const HWND list = d.Item(IDC_SYSTEM_LIST);
        const auto images = reinterpret_cast<HIMAGELIST>(::SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        EXPECT_EQ(::ImageList_GetImageCount(images), 3);
        const char* titles[] = {"Alpha Mail", "Beta Mail", "Gamma Mail"};
        for (int i = 0; i < 3; ++i) {
            char text[64] = {};
            LVITEMA item{};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = i;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            ::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
            EXPECT_STREQ(text, titles[i]);
            EXPECT_EQ(item.iImage, i);
        }
        ::CreateDirectoryA((BinFolder() + "..\\artifacts").c_str(), nullptr);
        d.SaveScreenshot(BinFolder() + "..\\artifacts\\dialog-cp" + std::to_string(::GetACP()) + ".bmp");
        d.SelectSystem(2);
        d.Click(IDCANCEL);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(items.Paths(), sources);
    EXPECT_EQ(g_destroyed, 0);
    EXPECT_EQ(DefaultKey(), "Beta");
}

TEST_F(SendOptionsDialog, ChoicesAreOfferedAsTheAttachmentsAllow) {
    struct Case {
        std::vector<const char*> files;
        bool format;
        bool resolution;
    };
    const Case cases[] = {
        {{}, false, false},
        {{"exif.jpg", "exif.jpg"}, false, false},
        {{"plain.jpg", "photo.jpe"}, false, true},
        {{"exif.jpg", "photo.bmp"}, true, true},
        {{"exif.tif"}, false, false},
        {{"animated.gif"}, false, false},
        {{"single.gif"}, true, true},
        {{"damaged.gif"}, false, false},
        {{"damaged.gif", "photo.bmp"}, true, true},
        {{"page.htm", "README"}, false, false},
        {{"page.htm", "plain.jpg"}, false, true},
        {{"plain.jpg", "photo.bmp"}, true, true},
        {{"exif.jpg", "page.htm"}, false, false},
        {{"exif.jpg", "plain.jpg"}, false, true},
        {{"plain.tif", "picture.png"}, true, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> sources;
        std::string names;
        for (const char* name : c.files) {
            sources.push_back(Picture(name));
            names += std::string(name) + " ";
        }
        HostArray items(sources);
        Show(items, [&](DialogSession& d) {
            EXPECT_EQ(d.Enabled(IDC_FORMAT_COMBO), c.format) << names;
            EXPECT_EQ(d.Enabled(IDC_RESOLUTION_COMBO), c.resolution) << names;
            EXPECT_EQ(d.Text(IDC_SIZE_TEXT), SizeTextOf(sources)) << names;
            d.Click(IDCANCEL);
        });
    }
}

TEST_F(SendOptionsDialog, SizeTextFollowsEveryChoiceAndReturningToOriginalLeavesTheArray) {
    const std::vector<std::string> sources = {Picture("photo.bmp"), Picture("picture.png"), Picture("plain.jpg"),
                                              Picture("page.htm")};
    const std::string temp = PreparedFolder();
    HostArray items(sources);
    const std::vector<void*> before = items.Items();
    const bool ok = Show(items, [&](DialogSession& d) {
        d.Select(IDC_FORMAT_COMBO, 1);
        EXPECT_EQ(d.ComboText(IDC_FORMAT_COMBO), "JPG");
        const std::vector<std::string> jpegs = {temp + "photo.jpg", temp + "picture.jpg", temp + "plain.jpg",
                                                sources[3]};
        EXPECT_EQ(d.Text(IDC_SIZE_TEXT), SizeTextOf(jpegs));
        d.Select(IDC_RESOLUTION_COMBO, 5);
        EXPECT_EQ(d.ComboText(IDC_RESOLUTION_COMBO), "640");
        EXPECT_EQ(ProbePicture(temp + "photo.jpg").width, 640u);
        EXPECT_EQ(d.Text(IDC_SIZE_TEXT), SizeTextOf(jpegs));
        d.Select(IDC_FORMAT_COMBO, 0);
        const std::vector<std::string> copies = {temp + "photo.bmp", temp + "picture.png", temp + "plain.jpg",
                                                 sources[3]};
        EXPECT_EQ(d.Text(IDC_SIZE_TEXT), SizeTextOf(copies));
        d.Select(IDC_RESOLUTION_COMBO, 0);
        EXPECT_EQ(d.Text(IDC_SIZE_TEXT), SizeTextOf(sources));
        d.Click(IDOK);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(items.Items(), before);
    EXPECT_EQ(g_destroyed, 0);
}

TEST_F(SendOptionsDialog, OkRebuildsTheArrayWithThePreparedFilesAndStoresTheDefault) {
    const std::vector<std::string> sources = {Picture("photo.bmp"), Picture("exif.jpg"), Picture("animated.gif")};
    const std::vector<std::string> before = Contents(sources);
    HostArray items(sources);
    const bool ok = Show(items, [&](DialogSession& d) {
        d.Select(IDC_FORMAT_COMBO, 1);
        d.Select(IDC_RESOLUTION_COMBO, 3);
        d.SelectSystem(2);
        d.Click(IDOK);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(g_destroyed, 3);
    EXPECT_EQ(items.Paths(), (std::vector<std::string>{PreparedFolder() + "photo.jpg", sources[1], sources[2]}));
    EXPECT_EQ(ProbePicture(items.Paths()[0]).width, 320u);
    EXPECT_EQ(Contents(sources), before);
    EXPECT_EQ(DefaultKey(), "Gamma");
    EXPECT_NE(ReadFile(m_alive).find("Default=Gamma"), std::string::npos);
}

TEST_F(SendOptionsDialog, ReselectingTheSameChoiceDoesNotPrepareAgain) {
    const std::string prepared = PreparedFolder() + "photo.jpg";
    HostArray items({Picture("photo.bmp")});
    Show(items, [&](DialogSession& d) {
        d.Select(IDC_FORMAT_COMBO, 1);
        EXPECT_TRUE(FileExists(prepared));
        ::DeleteFileA(prepared.c_str());
        d.Select(IDC_FORMAT_COMBO, 1);
        EXPECT_FALSE(FileExists(prepared));
        d.Select(IDC_RESOLUTION_COMBO, 1);
        EXPECT_TRUE(FileExists(prepared));
        EXPECT_EQ(ProbePicture(prepared).width, 160u);
        d.Click(IDCANCEL);
    });
    // Cancel leaves the array alone; the prepared file stays.
    EXPECT_EQ(items.Paths(), std::vector<std::string>{Picture("photo.bmp")});
    EXPECT_EQ(g_destroyed, 0);
    EXPECT_TRUE(FileExists(prepared));
}

TEST_F(SendOptionsDialog, WithoutAttachmentsOkOnlyStoresTheDefaultAndWithoutASelectionKeepsIt) {
    HostArray items({});
    EXPECT_TRUE(Show(items, [&](DialogSession& d) {
        EXPECT_FALSE(d.Enabled(IDC_FORMAT_COMBO));
        EXPECT_FALSE(d.Enabled(IDC_RESOLUTION_COMBO));
        EXPECT_EQ(d.Text(IDC_SIZE_TEXT), "0 KB");
        d.SelectSystem(0);
        d.Click(IDOK);
    }));
    EXPECT_EQ(DefaultKey(), "Alpha");
    EXPECT_EQ(items.array.GetSize(), 0);

    EXPECT_TRUE(Show(items, [&](DialogSession& d) {
        EXPECT_EQ(d.SelectedSystem(), 0);
        d.SelectSystem(-1);
        d.Click(IDOK);
    }));
    EXPECT_EQ(DefaultKey(), "Alpha");
}

TEST_F(SendOptionsDialog, NothingIsShownWithoutInstalledSystems) {
    EmailComponent empty(false);
    HostArray items({Picture("photo.bmp")});
    empty.PutItemArray(&items.array);
    EXPECT_THROW(empty.SelectDefaultEmailSys(nullptr), EmailDBEmpty);
    EXPECT_EQ(WaitForDialog(::GetCurrentThreadId(), 0, 200), nullptr);
}

TEST_F(SendOptionsDialog, CodePage950ShowsChineseTextsAndPreparesBig5Names) {
    if (::GetACP() != 950) GTEST_SKIP() << "needs the zh_TW locale (code page 950)";
    TempFolder host("big5");
    const std::string folder = host.path() + Ansi(L"許功蓋") + "\\";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    const std::string source = folder + Ansi(L"蓋許.bmp");
    CopyFileOrFail(Picture("photo.bmp"), source);
    HostArray items({source});
    EXPECT_TRUE(Show(items, [&](DialogSession& d) {
        EXPECT_EQ(d.Caption(), std::wstring(L"選項"));
        EXPECT_EQ(d.ComboText(IDC_FORMAT_COMBO), kOriginal);
        d.Select(IDC_FORMAT_COMBO, 1);
        d.Select(IDC_RESOLUTION_COMBO, 2);
        d.Click(IDOK);
    }));
    ASSERT_EQ(items.Paths(), std::vector<std::string>{PreparedFolder() + Ansi(L"蓋許.jpg")});
    EXPECT_EQ(ProbePicture(items.Paths()[0]).width, 240u);
}
