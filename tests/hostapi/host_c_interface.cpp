// The C interface as hosts of other languages use it: a host written in C
// alone, deployed with a catalogue and a recording mail program, and the
// entries called in-process for their result codes, texts and lists.
#include "public/email32.h"
#include "tests/dispatch/SendScene.h"
#include "tests/sendui/DialogDriver.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace email32::test;

namespace {

std::string Lines(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

std::wstring Wide(const std::string& ansi) {
    std::wstring wide(ansi.size() + 1, L'\0');
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(chars > 0 ? static_cast<size_t>(chars) - 1 : 0);
    return wide;
}

std::string Utf8(const std::wstring& text) {
    std::string utf8(text.size() * 4 + 1, '\0');
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()),
                                            nullptr, nullptr);
    utf8.resize(bytes > 0 ? static_cast<size_t>(bytes) - 1 : 0);
    return utf8;
}

std::vector<std::string> CommandLines(const std::string& log) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(log));
    std::string line;
    while (std::getline(in, line)) lines.push_back(SplitFields(line).at(2));
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace

TEST(CHost, ListsTheDetectedSystemsSendsTwoFilesAndRefusesAnUnknownKey) {
    ::CreateDirectoryA(AppDataFolder().c_str(), nullptr);
    Deployment deployment(Deployment::Userpath::Real, "c_host.exe");
    deployment.Add("record_mail.exe", "mail.exe");
    const auto folderValue = ScratchText(HKEY_CURRENT_USER, "Software\\Email32Tests\\CHost", "Folder",
                                         deployment.folder().substr(0, deployment.folder().size() - 1));
    const std::string detectedBy =
        "PathType=15\r\nRegKey=HKCU\r\nSection=Software\\Email32Tests\\CHost\r\nKey=Folder\r\n";
    deployment.WriteCatalogue(
        "[LinkEntry]\r\nCount=2\r\n0=Mail\r\n1=Missing\r\n"
        "[Mail]\r\nTitle=Recording Mail\r\n" +
        detectedBy +
        "ExeName=mail.exe\r\nLinkType=1\r\nCommandOption=/a\r\nMultiplePage=1\r\n"
        "CommandFileList=0\r\n"
        "[Missing]\r\nTitle=Not Here\r\n" +
        detectedBy + "ExeName=absent.exe\r\nLinkType=1\r\n");
    TempFolder files("files");
    WriteFile(files / "a.jpg", "a");
    WriteFile(files / "b.jpg", "b");
    ::SetEnvironmentVariableA("E32_DOUBLE_LOG", (files / "record.log").c_str());

    const ProcessResult list = deployment.Run("list");
    EXPECT_EQ(Lines(list.output), "Mail\tRecording Mail\ndefault: Mail\n");
    EXPECT_EQ(list.exitCode, 0u) << list.errors;

    const ProcessResult sent = deployment.Run("send \"\" " + (files / "a.jpg") + " " + (files / "b.jpg"));
    EXPECT_EQ(Lines(sent.output), "EMAIL32_OK\n");
    EXPECT_EQ(sent.exitCode, 0u);
    std::vector<std::string> started;
    for (int tries = 0; tries < 200 && started.size() < 2; ++tries) {
        ::Sleep(25);
        started = CommandLines(files / "record.log");
    }
    const std::string program = deployment.folder() + "mail.exe /a ";
    EXPECT_EQ(started, (std::vector<std::string>{program + (files / "a.jpg"), program + (files / "b.jpg")}));

    const ProcessResult unknown = deployment.Run("send NoSuchSystem " + (files / "a.jpg"));
    EXPECT_EQ(Lines(unknown.output), "EMAIL32_NOT_INSTALLED\n");
    EXPECT_EQ(unknown.exitCode, 3u);
    ::SetEnvironmentVariableA("E32_DOUBLE_LOG", nullptr);
    ::DeleteFileA((AppDataFolder() + "AliveDB.ini").c_str());
}

TEST(Utf8Host, SendsANameOutsideEveryLegacyCodePageWholeThroughBothInterfaces) {
    ::CreateDirectoryA(AppDataFolder().c_str(), nullptr);
    Deployment deployment(Deployment::Userpath::Real, "utf8_host.exe");
    deployment.Add("record_mail.exe", "mail.exe");
    deployment.WriteCatalogue("[Mail]\r\nLinkType=1\r\nCommandOption=/a\r\nMultiplePage=1\r\nCommandFileList=0\r\n");
    const std::string alive = AppDataFolder() + "AliveDB.ini";
    WriteFile(alive, "[AliveEmailSys]\r\nCount=1\r\n1=Mail\r\n[Mail]\r\nPath=" + deployment.folder() + "mail.exe\r\n");
    TempFolder files("utf8host");
    const std::wstring photo = Wide(files.path()) + L"照片 Ω.jpg";
    ::CloseHandle(::CreateFileW(photo.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ::SetEnvironmentVariableA("E32_DOUBLE_LOG", (files / "record.log").c_str());
    for (const char* entry : {"component", "c"}) {
        const ProcessResult sent = deployment.Run(std::string(entry) + " " + files.path());
        EXPECT_EQ(sent.exitCode, 0u) << entry << ": " << sent.errors;
    }
    std::vector<Fields> runs;
    for (int tries = 0; tries < 200 && runs.size() < 2; ++tries) {
        ::Sleep(25);
        runs.clear();
        std::istringstream in(ReadFile(files / "record.log"));
        for (std::string line; std::getline(in, line);) runs.push_back(SplitFields(line));
    }
    ASSERT_EQ(runs.size(), 2u);
    for (const Fields& run : runs) EXPECT_EQ(run.at(5), "/a" + Utf8(photo));
    ::SetEnvironmentVariableA("E32_DOUBLE_LOG", nullptr);
    ::DeleteFileA(alive.c_str());
}

namespace {

// The host tests' own catalogue, and an installed list of two systems: a
// recording mail program and one without a link.
class CInterface : public ::testing::Test {
protected:
    void SetUp() override {
        ::CreateDirectoryA(AppDataFolder().c_str(), nullptr);
        ::DeleteFileA(m_alive.c_str());
        CopyFileOrFail(DoublesFolder() + "record_mail.exe", m_files / "mail.exe");
        WriteFile(m_catalogue,
                  "[Mail]\r\nTitle=Recording Mail\r\nLinkType=1\r\nCommandOption=/a\r\n"
                  "MultiplePage=1\r\nCommandFileList=0\r\n[Nothing]\r\nTitle=No Link\r\nLinkType=3\r\n");
        ::SetEnvironmentVariableA("E32_DOUBLE_LOG", (m_files / "record.log").c_str());
    }
    void TearDown() override {
        if (m_context) Email32Close(m_context);
        ::DeleteFileA(m_alive.c_str());
        ::DeleteFileA(m_catalogue.c_str());
        ::SetEnvironmentVariableA("E32_DOUBLE_LOG", nullptr);
    }
    void StoreInstalledList() const {
        WriteFile(m_alive,
                  "[AliveEmailSys]\r\nCount=2\r\n1=Mail\r\n2=Nothing\r\n[DefaultEmailSys]\r\nDefault=Nothing\r\n"
                  "[Mail]\r\nPath=" +
                      (m_files / "mail.exe") + "\r\n[Nothing]\r\nPath=C:\\windows\\notepad.exe\r\n");
    }

    TempFolder m_files{"capi"};
    const std::string m_alive = AppDataFolder() + "AliveDB.ini";
    const std::string m_catalogue = BinFolder() + "EmailDB.ini";
    Email32Context* m_context = nullptr;
};

}  // namespace

TEST_F(CInterface, ReportsEveryFailureAsAResultCode) {
    m_context = Email32Open(0);
    ASSERT_NE(m_context, nullptr);
    const char* files[] = {"C:\\x.jpg"};
    wchar_t key[8] = L"x";
    EXPECT_EQ(Email32SystemCount(m_context), 0);
    EXPECT_EQ(Email32InitSystems(m_context, 0), EMAIL32_NO_STORED_LIST);
    EXPECT_EQ(Email32SendA(m_context, "", files, 1), EMAIL32_NO_SYSTEMS);
    EXPECT_EQ(Email32DefaultSystemW(m_context, key, 8), EMAIL32_NO_SYSTEMS);

    StoreInstalledList();
    ASSERT_EQ(Email32InitSystems(m_context, 0), EMAIL32_OK);
    EXPECT_EQ(Email32SystemCount(m_context), 2);
    EXPECT_EQ(Email32SendA(m_context, "mail", files, 1), EMAIL32_NOT_INSTALLED);
    EXPECT_EQ(Email32SendA(m_context, "Nothing", files, 1), EMAIL32_NOT_HANDED_OVER);
    // Full-width letters: a best-fit conversion would make them "Mail".
    EXPECT_EQ(Email32SetDefaultSystemW(m_context, L"\xFF2D\xFF41\xFF49\xFF4C"), EMAIL32_NOT_INSTALLED);
    EXPECT_EQ(Email32DefaultSystemW(m_context, key, 8), EMAIL32_OK);
    EXPECT_EQ(std::wstring(key), L"Nothing");

    EXPECT_EQ(Email32SystemW(m_context, 0, key, 4, nullptr, 0), EMAIL32_BUFFER_TOO_SMALL);
    EXPECT_EQ(std::wstring(key), L"");
    EXPECT_EQ(Email32SystemW(m_context, 2, key, 8, nullptr, 0), EMAIL32_BAD_ARGUMENT);
    EXPECT_EQ(Email32SystemW(m_context, 0, nullptr, 8, nullptr, 0), EMAIL32_BAD_ARGUMENT);
    EXPECT_EQ(Email32SendA(m_context, "", files, -1), EMAIL32_BAD_ARGUMENT);
    EXPECT_EQ(Email32SendA(m_context, "", nullptr, 1), EMAIL32_BAD_ARGUMENT);
    EXPECT_EQ(Email32SendA(nullptr, "", files, 1), EMAIL32_BAD_ARGUMENT);
    EXPECT_EQ(Email32SystemCount(nullptr), 0);
    EXPECT_FALSE(FileExists(m_files / "record.log"));
}

TEST_F(CInterface, WideAndAnsiFormsAgreeAndTheDefaultIsStored) {
    StoreInstalledList();
    m_context = Email32Open(0);
    ASSERT_NE(m_context, nullptr);
    wchar_t key[MAX_PATH] = {}, title[MAX_PATH] = {};
    char ansiKey[MAX_PATH] = {}, ansiTitle[MAX_PATH] = {};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(Email32SystemW(m_context, i, key, MAX_PATH, title, MAX_PATH), EMAIL32_OK);
        ASSERT_EQ(Email32SystemA(m_context, i, ansiKey, MAX_PATH, ansiTitle, MAX_PATH), EMAIL32_OK);
        EXPECT_EQ(Wide(ansiKey), key);
        EXPECT_EQ(Wide(ansiTitle), title);
    }
    EXPECT_EQ(std::wstring(title), L"No Link");

    EXPECT_EQ(Email32SetDefaultSystemW(m_context, L"Mail"), EMAIL32_OK);
    char stored[32] = {};
    ::GetPrivateProfileStringA("DefaultEmailSys", "Default", "", stored, sizeof stored, m_alive.c_str());
    EXPECT_STREQ(stored, "Mail");
    EXPECT_EQ(Email32DefaultSystemA(m_context, ansiKey, MAX_PATH), EMAIL32_OK);
    EXPECT_STREQ(ansiKey, "Mail");

    HICON icon = nullptr;
    EXPECT_EQ(Email32SystemIcon(m_context, 1, &icon), EMAIL32_OK);
    EXPECT_NE(icon, nullptr);
    if (icon) ::DestroyIcon(icon);
    EXPECT_EQ(Email32SystemIcon(m_context, 2, &icon), EMAIL32_BAD_ARGUMENT);
    EXPECT_EQ(icon, nullptr);
}

TEST_F(CInterface, AFileTheCodePageCannotNameReachesTheProgramsWideCommandLineExactly) {
    StoreInstalledList();
    m_context = Email32Open(0);
    ASSERT_NE(m_context, nullptr);
    // Under code page 1252 no ANSI text names it; under 950 it is Big5.
    const std::wstring photo = Wide(m_files.path()) + L"照片 Ω.jpg";
    const HANDLE file = ::CreateFileW(photo.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::CloseHandle(file);
    const wchar_t* files[] = {photo.c_str()};
    ASSERT_EQ(Email32SendW(m_context, L"Mail", files, 1), EMAIL32_OK);
    std::vector<Fields> runs;
    for (int tries = 0; tries < 200 && runs.empty(); ++tries) {
        ::Sleep(25);
        std::istringstream in(ReadFile(m_files / "record.log"));
        for (std::string line; std::getline(in, line);) runs.push_back(SplitFields(line));
    }
    ASSERT_EQ(runs.size(), 1u);
    ASSERT_GE(runs[0].size(), 6u);
    // The program's GetCommandLineW, and the argument it splits off.
    EXPECT_NE(runs[0][4].find(Utf8(photo)), std::string::npos) << runs[0][4];
    EXPECT_EQ(runs[0][5], "/a" + Utf8(photo));
    EXPECT_EQ(Email32SendW(m_context, L"Other", files, 1), EMAIL32_NOT_INSTALLED);
}

TEST_F(CInterface, SendOptionsHandsOutTheFilesToSendUnderTheNamesGiven) {
    StoreInstalledList();
    m_context = Email32Open(0);
    ASSERT_NE(m_context, nullptr);
    const std::wstring notes = Wide(m_files.path()) + L"notes \x7167\x7247\x263A.txt";
    const HANDLE file = ::CreateFileW(notes.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::CloseHandle(file);
    const std::wstring photo = Wide(Picture("photo.bmp"));
    const wchar_t* files[] = {photo.c_str(), notes.c_str()};

    wchar_t** chosen = reinterpret_cast<wchar_t**>(1);
    int count = -1;
    int result = -1;
    EXPECT_TRUE(DriveDialog([&] { result = Email32SendOptionsW(m_context, nullptr, files, 2, &chosen, &count); },
                            [](DialogSession& d) {
                                d.Select(IDC_FORMAT_COMBO, 1);
                                d.SelectSystem(0);
                                d.Click(IDOK);
                            }));
    ASSERT_EQ(result, EMAIL32_OK);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(std::wstring(chosen[0]), Wide(PreparedFolder() + "photo.jpg"));
    EXPECT_EQ(std::wstring(chosen[1]), notes);
    Email32FreeListW(chosen, count);
    wchar_t key[MAX_PATH] = {};
    EXPECT_EQ(Email32DefaultSystemW(m_context, key, MAX_PATH), EMAIL32_OK);
    EXPECT_EQ(std::wstring(key), L"Mail");

    EXPECT_TRUE(DriveDialog([&] { result = Email32SendOptionsW(m_context, nullptr, files, 2, &chosen, &count); },
                            [](DialogSession& d) { d.Click(IDCANCEL); }));
    EXPECT_EQ(result, EMAIL32_CANCELLED);
    EXPECT_EQ(chosen, nullptr);
    EXPECT_EQ(count, 0);
}

TEST_F(CInterface, SendOptionsRefusesANameTheCodePageCanOnlyImitate) {
    StoreInstalledList();
    m_context = Email32Open(0);
    ASSERT_NE(m_context, nullptr);
    // A missing file whose name the code page lacks, and the file its
    // look-alike in the code page would name.
    const std::wstring missing = Wide(m_files.path()) + L"D\x0142ugi \x263A.bmp";
    char lookAlike[MAX_PATH] = {};
    ::WideCharToMultiByte(CP_ACP, 0, missing.c_str(), -1, lookAlike, MAX_PATH, nullptr, nullptr);
    if (std::string(lookAlike).find('?') == std::string::npos) CopyFileOrFail(Picture("photo.bmp"), lookAlike);
    const wchar_t* files[] = {missing.c_str()};
    wchar_t** chosen = reinterpret_cast<wchar_t**>(1);
    int count = -1;
    // A dialog shown over the look-alike is cancelled at once.
    bool shown = false;
    const DWORD self = ::GetCurrentThreadId();
    std::thread guard([&] {
        if (const HWND dialog = WaitForDialog(self, 0, 3000)) {
            shown = true;
            DialogSession(dialog).Click(IDCANCEL);
        }
    });
    EXPECT_EQ(Email32SendOptionsW(m_context, nullptr, files, 1, &chosen, &count), EMAIL32_BAD_ARGUMENT);
    guard.join();
    EXPECT_FALSE(shown);
    EXPECT_EQ(chosen, nullptr);
    EXPECT_EQ(count, 0);
}

TEST_F(CInterface, SendMessageSaysWhyTheLibraryTookNothingAndRefusesWhatIsNoSend) {
    CopyFileOrFail(DoublesFolder() + "MapiSendFails.dll", m_files / "fails.dll");
    CopyFileOrFail(DoublesFolder() + "MapiLogonFails.dll", m_files / "cancel.dll");
    WriteFile(m_catalogue,
              "[Fails]\r\nLinkType=10\r\nMAPI32DLL=fails.dll\r\n[Cancel]\r\nLinkType=10\r\nMAPI32DLL=cancel.dll\r\n"
              "[Mail]\r\nLinkType=1\r\nCommandOption=/a\r\n");
    const std::string program = "Path=" + (m_files / "mail.exe") + "\r\n";
    WriteFile(m_alive, "[AliveEmailSys]\r\nCount=3\r\n1=Fails\r\n2=Cancel\r\n3=Mail\r\n[Fails]\r\n" + program +
                           "[Cancel]\r\n" + program + "[Mail]\r\n" + program);
    m_context = Email32Open(0);
    ASSERT_NE(m_context, nullptr);
    WriteFile(m_files / "a.jpg", "a");
    const std::wstring a = Wide(m_files / "a.jpg");
    const wchar_t* files[] = {a.c_str()};
    const Email32MessageW message = {L"Photo Club <club@example.org>", nullptr, L"Trip, day 2", L"Two pictures"};
    const auto lastError = [&] {
        wchar_t reason[1024] = L"unset";
        EXPECT_EQ(Email32LastErrorW(m_context, reason, 1024), EMAIL32_OK);
        return std::wstring(reason);
    };

    EXPECT_EQ(Email32SendMessageW(m_context, L"Fails", &message, files, 1), EMAIL32_NOT_HANDED_OVER);
    EXPECT_EQ(lastError(), L"MAPISendMailW of " + Wide(m_files / "fails.dll") + L" reported MAPI_E_FAILURE (2)");
    EXPECT_EQ(Email32SendW(m_context, L"Fails", files, 1), EMAIL32_NOT_HANDED_OVER) << "the files alone, as well";
    EXPECT_NE(lastError().find(L"MAPISendDocuments of "), std::wstring::npos);
    EXPECT_EQ(Email32SendMessageW(m_context, L"Cancel", &message, files, 1), EMAIL32_CANCELLED);
    EXPECT_NE(lastError().find(L"MAPI_USER_ABORT (1)"), std::wstring::npos) << lastError();

    // Nothing to send, or a recipient that is no address: nothing is tried.
    EXPECT_EQ(Email32SendMessageW(m_context, L"Mail", &message, files, 0), EMAIL32_BAD_ARGUMENT);
    EXPECT_EQ(lastError(), L"count is 0: there must be at least one file");
    EXPECT_EQ(Email32SendW(m_context, L"Mail", files, 0), EMAIL32_BAD_ARGUMENT);
    const Email32MessageW unaddressed = {L"Photo Club <club@example.org", nullptr, nullptr, nullptr};
    EXPECT_EQ(Email32SendMessageW(m_context, L"Mail", &unaddressed, files, 1), EMAIL32_BAD_ARGUMENT);
    EXPECT_EQ(lastError().rfind(L"to: ", 0), 0u) << lastError();
    EXPECT_EQ(ReadFile(m_files / "record.log").find("run\t"), std::string::npos) << "no program started";

    // The ANSI form, and a send that goes: no reason left.
    const char* ansiFiles[] = {(m_files / "a.jpg").c_str()};
    const Email32MessageA ansi = {"club@example.org", nullptr, "Trip", nullptr};
    EXPECT_EQ(Email32SendMessageA(m_context, "Mail", &ansi, ansiFiles, 1), EMAIL32_OK);
    EXPECT_EQ(lastError(), L"");
    EXPECT_EQ(Email32SendMessageW(m_context, L"Unknown", nullptr, files, 1), EMAIL32_NOT_INSTALLED);
    EXPECT_EQ(lastError(), L"Unknown is not installed");
}
