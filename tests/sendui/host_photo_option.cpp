// The photo option in the send options dialog as a host shows it: the check
// box that photos among the attachments bring, what ticking it offers and
// prepares, and that the user's choice is kept in AliveDB.ini.
#include "public/framework/Collections.h"
#include "public/AttachmentItem.h"
#include "public/EmailComponent.h"
#include "tests/sendui/DialogDriver.h"

#include <gtest/gtest.h>

using namespace email32::test;

namespace {

struct Attachments {
    CPtrArray array;
    explicit Attachments(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) array.Add(new CAttachmentItem(CString(path)));
    }
    ~Attachments() {
        for (int i = 0; i < array.GetSize(); ++i) delete static_cast<CAttachmentItem*>(array.GetAt(i));
    }
    [[nodiscard]] std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (int i = 0; i < array.GetSize(); ++i)
            paths.push_back(static_cast<CAttachmentItem*>(array.GetAt(i))->m_strPath.str());
        return paths;
    }
};

class PhotoOption : public ::testing::Test {
protected:
    void SetUp() override {
        m_alive = AppDataFolder() + "AliveDB.ini";
        ::CreateDirectoryA(AppDataFolder().c_str(), nullptr);
        m_catalogue = BinFolder() + "EmailDB.ini";
        WriteFile(m_catalogue, "[Alpha]\r\nTitle=Alpha Mail\r\n");
        WriteAlive("");
    }
    void TearDown() override {
        ::DeleteFileA(m_alive.c_str());
        ::DeleteFileA(m_catalogue.c_str());
    }
    void WriteAlive(const std::string& options) {
        WriteFile(m_alive, "[AliveEmailSys]\r\nCount=1\r\n1=Alpha\r\n[DefaultEmailSys]\r\nDefault=Alpha\r\n" + options);
    }
    bool Show(Attachments& items, const std::function<void(DialogSession&)>& script) {
        EmailComponent component(false);
        EXPECT_EQ(component.InitEmailSysDB(false), 1);
        component.PutItemArray(&items.array);
        bool ok = false;
        EXPECT_TRUE(DriveDialog([&] { ok = component.SelectDefaultEmailSys(nullptr); }, script)) << "no dialog";
        return ok;
    }
    [[nodiscard]] int StoredShrinkPhotos() const {
        return static_cast<int>(::GetPrivateProfileIntA("Options", "ShrinkPhotos", -1, m_alive.c_str()));
    }

    std::string m_alive;
    std::string m_catalogue;
};

bool Visible(const DialogSession& d, int id) { return ::IsWindowVisible(d.Item(id)) != FALSE; }
bool Ticked(const DialogSession& d) {
    return ::SendMessageA(d.Item(IDC_SHRINK_PHOTOS), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
// Ticks or clears the check box as a click does; returns once the dialog has
// handled it.
void SetTicked(const DialogSession& d, bool ticked) {
    ::SendMessageA(d.Item(IDC_SHRINK_PHOTOS), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
    ::SendMessageA(d.window(), WM_COMMAND, MAKEWPARAM(IDC_SHRINK_PHOTOS, BN_CLICKED),
                   reinterpret_cast<LPARAM>(d.Item(IDC_SHRINK_PHOTOS)));
}

std::wstring ExpectedCheckBoxText() {
    if (PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_CHINESE) {
        return L"相片也一併縮小（保留拍攝日期與相機資訊，移除位置）";
    }
    return L"Shrink photos too (keeps date and camera, removes location)";
}

}  // namespace

TEST_F(PhotoOption, APhotoBringsTheCheckBoxAndTickingItShrinksThePhotoAtOnceAndIsKept) {
    Attachments none({Picture("photo.bmp"), Picture("plain.jpg")});
    Show(none, [&](DialogSession& d) {
        EXPECT_FALSE(Visible(d, IDC_SHRINK_PHOTOS)) << "no photo, no check box";
        d.Click(IDCANCEL);
    });

    const std::string temp = PreparedFolder();
    const std::vector<std::string> sources = {Picture("exif.jpg"), Picture("photo.bmp")};
    Attachments items(sources);
    std::string before, after;
    const bool ok = Show(items, [&](DialogSession& d) {
        EXPECT_TRUE(Visible(d, IDC_SHRINK_PHOTOS));
        EXPECT_EQ(d.WideText(IDC_SHRINK_PHOTOS), ExpectedCheckBoxText());
        EXPECT_FALSE(Ticked(d));
        d.Select(IDC_RESOLUTION_COMBO, 5);  // 640
        before = d.Text(IDC_SIZE_TEXT);
        EXPECT_EQ(before, SizeTextOf({sources[0], temp + "photo.bmp"})) << "the photo counts at its own size";
        SetTicked(d, true);
        after = d.Text(IDC_SIZE_TEXT);
        EXPECT_EQ(after, SizeTextOf({temp + "exif.jpg", temp + "photo.bmp"})) << "the shrunk photo counts at once";
        ::CreateDirectoryA((BinFolder() + "..\\artifacts").c_str(), nullptr);
        d.SaveScreenshot(BinFolder() + "..\\artifacts\\dialog-photos-cp" + std::to_string(::GetACP()) + ".bmp");
        d.Click(IDOK);
    });
    EXPECT_TRUE(ok);
    EXPECT_NE(before, after);
    EXPECT_EQ(items.Paths(), (std::vector<std::string>{temp + "exif.jpg", temp + "photo.bmp"}));
    EXPECT_EQ(StoredShrinkPhotos(), 1);
}

TEST_F(PhotoOption, PhotosAloneGetTheWidthChoiceOnlyWhileTheBoxIsTickedAndCancelKeepsTheStoredChoice) {
    WriteAlive("[Options]\r\nShrinkPhotos=1\r\n");
    const std::vector<std::string> sources = {Picture("exif.jpg"), Picture("exif.jpg")};
    Attachments items(sources);
    Show(items, [&](DialogSession& d) {
        EXPECT_TRUE(Ticked(d)) << "as the user left it";
        EXPECT_FALSE(d.Enabled(IDC_FORMAT_COMBO)) << "they are JPEG files already";
        EXPECT_TRUE(d.Enabled(IDC_RESOLUTION_COMBO));
        d.Select(IDC_RESOLUTION_COMBO, 1);  // 160
        EXPECT_NE(d.Text(IDC_SIZE_TEXT), SizeTextOf(sources));
        SetTicked(d, false);
        EXPECT_FALSE(d.Enabled(IDC_RESOLUTION_COMBO));
        EXPECT_EQ(d.ComboText(IDC_RESOLUTION_COMBO), Ansi(ExpectedDialogTexts().original));
        EXPECT_EQ(d.Text(IDC_SIZE_TEXT), SizeTextOf(sources));
        d.Click(IDCANCEL);
    });
    EXPECT_EQ(items.Paths(), sources);
    EXPECT_EQ(StoredShrinkPhotos(), 1);
}

TEST_F(PhotoOption, PhonePicturesAreConvertibleUnlessAnimated) {
    for (const char* name : {"phone.heic", "phone.webp"}) {
        Attachments items({Picture(name)});
        Show(items, [&](DialogSession& d) {
            EXPECT_TRUE(d.Enabled(IDC_FORMAT_COMBO)) << name;
            EXPECT_TRUE(d.Enabled(IDC_RESOLUTION_COMBO)) << name;
            EXPECT_FALSE(Visible(d, IDC_SHRINK_PHOTOS)) << name;
            d.Click(IDCANCEL);
        });
    }
    Attachments animated({Picture("animated.webp")});
    Show(animated, [&](DialogSession& d) {
        EXPECT_FALSE(d.Enabled(IDC_FORMAT_COMBO));
        EXPECT_FALSE(d.Enabled(IDC_RESOLUTION_COMBO));
        d.Click(IDCANCEL);
    });
}
