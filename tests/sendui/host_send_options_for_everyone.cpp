// The send options dialog for every user: the texts of the user's language
// whole under any code page, and every title of the list whole.
#include "public/framework/Collections.h"
#include "public/AttachmentItem.h"
#include "public/EmailComponent.h"
#include "tests/sendui/DialogDriver.h"

#include <gtest/gtest.h>

using namespace email32::test;

namespace {

class SendOptionsForEveryone : public ::testing::Test {
protected:
    void SetUp() override {
        ::CreateDirectoryA(AppDataFolder().c_str(), nullptr);
        WriteFile(m_alive,
                  "[AliveEmailSys]\r\nCount=3\r\n1=Short\r\n2=Mapi\r\n3=Long\r\n"
                  "[DefaultEmailSys]\r\nDefault=Mapi\r\n");
        WriteFile(m_catalogue,
                  "[Short]\r\nTitle=Mail\r\n[Mapi]\r\nTitle=Default mail program (Simple MAPI)\r\n"
                  "[Long]\r\nTitle=The mail program of the whole office, sent through its own server\r\n");
        ASSERT_EQ(m_component.InitEmailSysDB(false), 3);
    }
    void TearDown() override {
        for (int i = 0; i < m_items.GetSize(); ++i) delete static_cast<CAttachmentItem*>(m_items.GetAt(i));
        ::DeleteFileA(m_alive.c_str());
        ::DeleteFileA(m_catalogue.c_str());
    }
    bool Show(const std::vector<std::string>& files, const std::function<void(DialogSession&)>& script) {
        for (const std::string& file : files) m_items.Add(new CAttachmentItem(CString(file)));
        m_component.PutItemArray(&m_items);
        bool ok = false;
        EXPECT_TRUE(DriveDialog([&] { ok = m_component.SelectDefaultEmailSys(nullptr); }, script)) << "no dialog";
        return ok;
    }

    const std::string m_alive = AppDataFolder() + "AliveDB.ini";
    const std::string m_catalogue = BinFolder() + "EmailDB.ini";
    EmailComponent m_component{false};
    CPtrArray m_items;
};

RECT ClientRectOf(HWND window, HWND dialog) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

TEST_F(SendOptionsForEveryone, AChineseUserReadsTheChineseTextsUnderAWesternCodePage) {
    if (::GetACP() == 950) GTEST_SKIP() << "the zh_TW pass shows them under its own code page";
    // Windows picks the resources' language by the thread's UI language, Wine
    // by the thread's locale: both say Traditional Chinese here.
    const LANGID chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);
    const LANGID savedLanguage = ::GetThreadUILanguage();
    const LCID savedLocale = ::GetThreadLocale();
    ::SetThreadUILanguage(chinese);
    ::SetThreadLocale(MAKELCID(chinese, SORT_DEFAULT));
    const bool ok = Show({Picture("photo.bmp")}, [](DialogSession& d) {
        EXPECT_EQ(d.Caption(), L"選項");
        EXPECT_EQ(d.WideText(IDOK), L"確定");
        EXPECT_EQ(d.WideText(IDC_FORMAT_LABEL), L"檔案格式");
        EXPECT_EQ(d.WideComboText(IDC_FORMAT_COMBO, 0), L"原始檔");
        EXPECT_EQ(d.WideComboText(IDC_RESOLUTION_COMBO, 0), L"原始檔");
        // The choices still tell "original" from the others when the code
        // page turns the Chinese texts into question marks.
        d.Select(IDC_FORMAT_COMBO, 1);
        d.Click(IDOK);
    });
    ::SetThreadUILanguage(savedLanguage);
    ::SetThreadLocale(savedLocale);
    EXPECT_TRUE(ok);
    ASSERT_EQ(m_items.GetSize(), 1);
    EXPECT_EQ(static_cast<CAttachmentItem*>(m_items.GetAt(0))->m_strPath.str(), PreparedFolder() + "photo.jpg");
}

TEST_F(SendOptionsForEveryone, EveryTitleShowsWholeBesideTheChoices) {
    Show({}, [](DialogSession& d) {
        const HWND list = d.Item(IDC_SYSTEM_LIST);
        EXPECT_EQ(::GetWindowLongPtrW(list, GWL_STYLE) & WS_HSCROLL, 0) << "a horizontal scroll bar";
        RECT client{};
        ::GetClientRect(list, &client);
        for (int i = 0; i < 3; ++i) {
            RECT item{LVIR_LABEL, 0, 0, 0};
            ::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
            wchar_t text[128] = {};
            LVITEMW query{};
            query.pszText = text;
            query.cchTextMax = 128;
            ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&query));
            SIZE needed{};
            const HDC dc = ::GetDC(list);
            const HGDIOBJ font = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(list, WM_GETFONT, 0, 0)));
            ::GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &needed);
            ::SelectObject(dc, font);
            ::ReleaseDC(list, dc);
            EXPECT_GE(item.right - item.left, needed.cx) << "title " << i << " is cut";
            EXPECT_LE(item.right, client.right) << "title " << i << " runs past the list";
        }
        // Nothing overlaps: the choices lie right of the list, inside the dialog.
        const RECT listRect = ClientRectOf(list, d.window());
        const RECT group = ClientRectOf(d.Item(IDC_FORMAT_LABEL), d.window());
        RECT dialog{};
        ::GetClientRect(d.window(), &dialog);
        EXPECT_GT(group.left, listRect.right);
        EXPECT_LE(ClientRectOf(d.Item(IDCANCEL), d.window()).right, dialog.right);
        d.Click(IDCANCEL);
    });
}
