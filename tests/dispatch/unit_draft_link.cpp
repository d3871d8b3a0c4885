// Link type 11 observed through a recording mail program: the one draft
// path it is started with, what the draft holds, and what is left behind.
#include "tests/dispatch/SendScene.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

using namespace email32;
using namespace email32::test;

namespace {

std::wstring Wide(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                                               wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

std::string ReadWideFile(const std::wstring& path) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string bytes;
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char piece[65536];
    DWORD got = 0;
    while (::ReadFile(file, piece, sizeof piece, &got, nullptr) && got > 0) bytes.append(piece, got);
    ::CloseHandle(file);
    return bytes;
}

class DraftLink : public ::testing::Test {
protected:
    void SetUp() override {
        m_program = m_scene.Add("record_mail.exe", "Mail\\mail.exe");
        m_scene.Installed("Path=" + m_program + "\r\n");
    }
    // The drafts' folders under the per-user temporary folder.
    [[nodiscard]] std::vector<std::string> DraftFolders() const {
        std::vector<std::string> folders;
        WIN32_FIND_DATAA found = {};
        const HANDLE search = ::FindFirstFileA((temp() + "Draft-*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return folders;
        do folders.emplace_back(found.cFileName);
        while (::FindNextFileA(search, &found));
        ::FindClose(search);
        return folders;
    }
    [[nodiscard]] std::string temp() const { return m_scene.folder() + "temp\\"; }

    SendScene m_scene;
    std::string m_program;
};

}  // namespace

TEST_F(DraftLink, TheProgramGetsOneQuotedDraftPathAfterItsOptionAndTheDraftHoldsEverything) {
    m_scene.Catalogue("LinkType=11\r\nExeName=mail.exe\r\nCommandOption=\"/eml \"\r\n");
    const std::string a = m_scene.Attachment("T\\a.jpg"), cafe = m_scene.Attachment("T\\caf\xE9.jpg");
    const email32::dispatch::MessageFields fields{L"Photo Club <club@example.org>", L"ann@example.org",
                                                  L"Fotos \u2013 \u5915\u967d", L"Two pictures"};
    EXPECT_EQ(m_scene.SendMessage(email32::dispatch::SendByDraft, {a, cafe}, fields).state(),
              email32::dispatch::Handover::State::kHandedOver);
    const std::vector<Fields> arguments = m_scene.Arguments(1);
    ASSERT_EQ(arguments.size(), 1u);
    ASSERT_EQ(arguments[0].size(), 2u);
    EXPECT_EQ(arguments[0][0], "/eml");
    const std::string draft = arguments[0][1];
    EXPECT_EQ(draft.rfind(temp() + "Draft-", 0), 0u) << draft;
    EXPECT_EQ(draft.substr(draft.find_last_of('\\') + 1), "Fotos \xE2\x80\x93 \xE5\xA4\x95\xE9\x99\xBD.eml")
        << "named after the subject";
    EXPECT_NE(m_scene.Runs(1).at(0).first.find(" /eml \""), std::string::npos) << "the path in quotes";

    const std::string message = ReadWideFile(Wide(temp() + DraftFolders().at(0)) + L"\\Fotos \u2013 \u5915\u967d.eml");
    EXPECT_EQ(message.rfind("X-Unsent: 1\r\n", 0), 0u);
    for (const char* header :
         {"\r\nTo: Photo Club <club@example.org>\r\n", "\r\nCc: ann@example.org\r\n", "\r\nSubject: =?UTF-8?B?",
          "\r\nMIME-Version: 1.0\r\n", "\r\nDate: ", "Content-Type: multipart/mixed;", "\r\n\r\nTwo pictures\r\n",
          "filename=\"a.jpg\"", "filename*0*=UTF-8''caf%C3%A9.jpg"}) {
        EXPECT_NE(message.find(header), std::string::npos) << header;
    }
    EXPECT_EQ(message.find("\r\nFrom:"), std::string::npos) << "the mail program puts in its account";
}

TEST_F(DraftLink, AProgramThatCannotStartIsNotHandedOverAndLeavesNoDraft) {
    m_scene.Catalogue("LinkType=11\r\nExeName=mail.exe\r\n");
    m_scene.Installed("Path=" + m_scene.folder() + "Mail\\gone.exe\r\n");
    const email32::dispatch::Handover handover =
        m_scene.SendMessage(email32::dispatch::SendByDraft, {m_scene.Attachment("T\\a.jpg")}, {});
    EXPECT_EQ(handover.state(), email32::dispatch::Handover::State::kFailed);
    EXPECT_NE(handover.reason().find("gone.exe cannot be started (Windows error 2"), std::string::npos)
        << handover.reason();
    EXPECT_TRUE(DraftFolders().empty());

    // A file that cannot be read makes no draft at all.
    m_scene.Installed("Path=" + m_program + "\r\n");
    const email32::dispatch::Handover unreadable =
        m_scene.SendMessage(email32::dispatch::SendByDraft, {m_scene.folder() + "T\\missing.jpg"}, {});
    EXPECT_EQ(unreadable.state(), email32::dispatch::Handover::State::kRefused);
    EXPECT_NE(unreadable.reason().find("cannot read"), std::string::npos) << unreadable.reason();
    EXPECT_TRUE(DraftFolders().empty());
    EXPECT_TRUE(m_scene.Records("run").empty());
}

TEST_F(DraftLink, DraftsOlderThanADayAreClearedAway) {
    m_scene.Catalogue("LinkType=11\r\nExeName=mail.exe\r\n");
    ::CreateDirectoryA(temp().c_str(), nullptr);
    for (const char* name : {"Draft-00000001", "Draft-00000002"}) {
        ::CreateDirectoryA((temp() + name).c_str(), nullptr);
        WriteFile(temp() + name + "\\Old pictures.eml", "X-Unsent: 1\r\n");
    }
    // The first is two days old.
    HANDLE folder = ::CreateFileA((temp() + "Draft-00000001").c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE);
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER old = {{now.dwLowDateTime, now.dwHighDateTime}};
    old.QuadPart -= 2ULL * 24 * 60 * 60 * 10000000;
    const FILETIME then = {old.LowPart, old.HighPart};
    ::SetFileTime(folder, nullptr, nullptr, &then);
    ::CloseHandle(folder);

    EXPECT_TRUE(m_scene.SendMessage(email32::dispatch::SendByDraft, {m_scene.Attachment("T\\a.jpg")}, {}));
    EXPECT_FALSE(FileExists(temp() + "Draft-00000001"));
    EXPECT_TRUE(FileExists(temp() + "Draft-00000002\\Old pictures.eml"));
    EXPECT_EQ(DraftFolders().size(), 2u) << "the one kept and the new one";
    EXPECT_EQ(m_scene.Runs(1).size(), 1u);
}

TEST_F(DraftLink, WithoutExeNameTheUsersProgramForMessageFilesOpensTheDraft) {
    m_scene.Catalogue("LinkType=11\r\nExeName=\r\n");
    const std::string a = m_scene.Attachment("T\\a.jpg");
    const email32::dispatch::Handover nobody = m_scene.SendMessage(email32::dispatch::SendByDraft, {a}, {});
    EXPECT_EQ(nobody.state(), email32::dispatch::Handover::State::kFailed);
    EXPECT_EQ(nobody.reason().rfind("no program opens ", 0), 0u) << nobody.reason();
    EXPECT_TRUE(DraftFolders().empty());

    const auto type = ScratchText(HKEY_CLASSES_ROOT, ".eml", "", "E32Test.Draft");
    const auto open =
        ScratchText(HKEY_CLASSES_ROOT, "E32Test.Draft\\shell\\open\\command", "", "\"" + m_program + "\" \"%1\"");
    EXPECT_EQ(m_scene.SendMessage(email32::dispatch::SendByDraft, {a}, {}).state(),
              email32::dispatch::Handover::State::kHandedOver);
    const std::vector<Fields> arguments = m_scene.Arguments(1);
    ASSERT_EQ(arguments.size(), 1u);
    EXPECT_EQ(arguments[0], (Fields{temp() + DraftFolders().at(0) + "\\a.eml"}));
}
