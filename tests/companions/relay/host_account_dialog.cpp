// The plug-in's account dialog (MailSvr_Configure), driven as a user would:
// its texts whole in the user's language under any code page (this test
// runs again under zh_TW, code page 950), settings found for an address,
// and Save into the per-user file. Leaves a screenshot among the artifacts.
#include "companions/relay/ui/AccountDialogIds.h"
#include "base/Win32Handles.h"
#include "tests/companions/relay/AccountScene.h"
#include "tests/sendui/DialogDriver.h"

#include <chrono>
#include <thread>

using namespace email32::test;

namespace {

using AccountDialog = AccountScene;
using ConfigureFn = int(__cdecl*)(HWND);

struct Texts {
    std::wstring caption, find, save, security;
};
Texts ExpectedTexts() {
    if (PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_CHINESE)
        return {L"郵件帳號", L"尋找設定", L"儲存", L"安全性:"};
    return {L"Mail Account", L"Find settings", L"Save", L"Security:"};
}

BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
    wchar_t text[256] = {};
    ::GetWindowTextW(child, text, 256);
    reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(text);
    for (LRESULT i = 0, n = ::SendMessageW(child, CB_GETCOUNT, 0, 0); i < n && n != CB_ERR; ++i) {
        ::SendMessageW(child, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(text);
    }
    return TRUE;
}

}  // namespace

TEST_F(AccountDialog, ShowsItsTextsWholeFindsTheSettingsAndSavesThemPerUser) {
    const email32::base::AutoLibrary plugin(::LoadLibraryA((BinFolder() + "Relay32.dll").c_str()));
    const auto configure = email32::base::ProcAddress<ConfigureFn>(plugin.get(), "MailSvr_Configure");
    ASSERT_TRUE(configure);
    const Texts expected = ExpectedTexts();
    int saved = -1;
    const bool seen = DriveDialog(
        [&] { saved = configure(nullptr); },
        [&](DialogSession& d) {
            EXPECT_EQ(d.Caption(), expected.caption);
            EXPECT_EQ(d.WideText(IDC_FIND), expected.find);
            EXPECT_EQ(d.WideText(IDOK), expected.save);
            EXPECT_EQ(d.WideText(IDC_SECURITY_LABEL), expected.security);

            ::SetDlgItemTextW(d.window(), IDC_ADDRESS, L"someone@gmail.com");
            d.Click(IDC_FIND);
            for (int waited = 0; d.Text(IDC_HOST) != "smtp.gmail.com" && waited < 15000; waited += 50)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_EQ(d.Text(IDC_HOST), "smtp.gmail.com");
            EXPECT_EQ(d.Text(IDC_PORT), "465");
            EXPECT_EQ(d.ComboText(IDC_SECURITY), "SSL/TLS");
            EXPECT_TRUE(d.Enabled(IDC_SIGNIN));
            EXPECT_FALSE(d.Enabled(IDC_PASSWORD));

            std::vector<std::wstring> texts;
            ::EnumChildWindows(d.window(), CollectText, reinterpret_cast<LPARAM>(&texts));
            for (const std::wstring& text : texts) EXPECT_EQ(text.find(L'?'), std::wstring::npos) << text.size();
            ::CreateDirectoryA((BinFolder() + "..\\artifacts").c_str(), nullptr);
            d.SaveScreenshot(BinFolder() + "..\\artifacts\\account-dialog-cp" + std::to_string(::GetACP()) + ".bmp");
            d.Click(IDOK);
        });
    EXPECT_TRUE(seen);
    EXPECT_EQ(saved, 1);
    std::string written;
    for (const char c : ReadFile(UserSettingsFile()))
        if (c > 0 && c < 0x7F) written += c;
    for (const char* line :
         {"Address=someone@gmail.com", "Host=smtp.gmail.com", "Port=465", "Security=tls", "AuthMethod=OAUTH2"}) {
        EXPECT_NE(written.find(line), std::string::npos) << line << " in " << written;
    }
    char folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    ASSERT_EQ(
        ::RegGetValueA(HKEY_CURRENT_USER, "Software\\Email32\\Relay", "Folder", RRF_RT_REG_SZ, nullptr, folder, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(std::string(folder) + "\\", BinFolder());
}
