// Relay32.dll as the module loads it: from a host folder with its Relay32.ini,
// called through MailSvr_SendFiles with "^"-joined short paths. Delivery goes
// to a real SMTP server on 127.0.0.1 (started by the test fixture, folder in
// RELAY32_SMTP_FOLDER); the received message and the outbox copy are checked
// natively by check_message.py afterwards.
#include "framework/Win32Handles.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <winsock2.h>

#include <chrono>
#include <set>

using namespace email32;
using namespace email32::test;

namespace {

using SendFilesFn = int(__cdecl*)(int, const char*);

// The shared folder of the SMTP fixture, with a trailing backslash; empty
// when the test runs without it.
std::string SmtpFolder() {
    char value[MAX_PATH] = {};
    if (!::GetEnvironmentVariableA("RELAY32_SMTP_FOLDER", value, MAX_PATH)) return {};
    std::string folder(value);
    for (char& c : folder) {
        if (c == '/') c = '\\';
    }
    return folder.back() == '\\' ? folder : folder + "\\";
}

int SmtpPort() { return std::atoi(ReadFile(SmtpFolder() + "state\\port").c_str()); }

std::string ShortPath(const std::wstring& path) {
    char shortPath[MAX_PATH] = {};
    std::wstring wideShort(MAX_PATH, L'\0');
    const DWORD length = ::GetShortPathNameW(path.c_str(), wideShort.data(), MAX_PATH);
    EXPECT_GT(length, 0u);
    ::WideCharToMultiByte(CP_ACP, 0, wideShort.c_str(), -1, shortPath, MAX_PATH, nullptr, nullptr);
    return shortPath;
}

void WriteWide(const std::wstring& path, const std::string& bytes) {
    const AutoCloseHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

std::wstring Wide(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                                          wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

// The two pictures every send carries: every byte value, 1.5 MB, lines that start
// with a dot, and a name outside ASCII whose short form differs from it.
std::string WritePictures(const std::string& folder) {
    ::CreateDirectoryA(folder.c_str(), nullptr);
    // A picture-sized file: many socket sends and DATA lines.
    std::string first = "\xFF\xD8\xFF\xE0";
    unsigned state = 12345;
    for (int i = 0; i < 1500000; ++i) {
        state = state * 1103515245u + 12345u;
        first += static_cast<char>(state >> 24);
    }
    std::string second = ".\r\n.\r\n..\n";
    for (int i = 0; i < 256; ++i) second += static_cast<char>(i);
    const std::wstring firstPath = Wide(folder) + L"Sunset at sea.jpg";
    const std::wstring secondPath = Wide(folder) + L"Stra\u00DFe \u5915\u967D.png";
    WriteWide(firstPath, first);
    WriteWide(secondPath, second);
    return ShortPath(firstPath) + "^" + ShortPath(secondPath);
}

std::set<std::string> OutboxFiles() {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((AppDataFolder() + "Outbox\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

// A host folder with the plug-in and its settings file, and what the plug-in
// adds to the outbox and the log while the object lives.
class RelayPlugin : public ::testing::Test {
protected:
    void SetUp() override {
        CopyFileOrFail(BinFolder() + "Relay32.dll", m_host / "Relay32.dll");
        m_outboxBefore = OutboxFiles();
        m_logPath = AppDataFolder() + "Relay32.log";
        m_logBefore = FileExists(m_logPath) ? ReadFile(m_logPath).size() : 0;
    }
    void TearDown() override {
        for (const std::string& name : NewOutboxFiles()) ::DeleteFileA((AppDataFolder() + "Outbox\\" + name).c_str());
    }

    void WriteSettings(const std::string& server) {
        WriteFile(m_host / "Relay32.ini", "[Server]\r\n" + server + "Sender=Email32 Test <tests@email32.example>\r\n");
    }

    int Send(const std::string& joined) {
        const AutoLibrary plugin(::LoadLibraryA((m_host / "Relay32.dll").c_str()));
        const auto send = ProcAddress<SendFilesFn>(plugin.get(), "MailSvr_SendFiles");
        EXPECT_NE(send, nullptr);
        return send ? send(1, joined.c_str()) : -1;
    }

    std::vector<std::string> NewOutboxFiles() const {
        std::vector<std::string> added;
        for (const std::string& name : OutboxFiles()) {
            if (!m_outboxBefore.count(name)) added.push_back(name);
        }
        return added;
    }

    // The one message this test left in the outbox.
    std::string OnlyNewMessage() const {
        const std::vector<std::string> added = NewOutboxFiles();
        EXPECT_EQ(added.size(), 1u);
        if (added.size() != 1) return {};
        EXPECT_EQ(added[0].substr(added[0].size() - 4), ".eml");
        return ReadFile(AppDataFolder() + "Outbox\\" + added[0]);
    }

    std::string NewLogText() const {
        const std::string log = FileExists(m_logPath) ? ReadFile(m_logPath) : std::string();
        return log.size() > m_logBefore ? log.substr(m_logBefore) : std::string();
    }

    TempFolder m_host{"relayhost"};
    TempFolder m_files{"relayfiles"};
    std::set<std::string> m_outboxBefore;
    std::string m_logPath;
    size_t m_logBefore = 0;
};

void ExpectCompleteMessageWithBothPictures(const std::string& message) {
    EXPECT_EQ(message.rfind("From: ", 0), 0u);
    EXPECT_NE(message.find("filename=\"Sunset at sea.jpg\""), std::string::npos);
    EXPECT_NE(message.find("filename*0*=UTF-8''Stra%C3%9Fe%20%E5%A4%95%E9%99%BD.png"), std::string::npos);
    const size_t boundary = message.find("boundary=\"");
    ASSERT_NE(boundary, std::string::npos);
    const std::string name = message.substr(boundary + 10, message.find('"', boundary + 10) - boundary - 10);
    EXPECT_EQ(message.substr(message.size() - name.size() - 6), "--" + name + "--\r\n");
}

// A loopback port on which nothing listens: bound, so no one else takes it.
struct ClosedPort {
    ClosedPort() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int size = sizeof address;
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    ~ClosedPort() {
        ::closesocket(socket);
        ::WSACleanup();
    }
    SOCKET socket = INVALID_SOCKET;
    int port = 0;
};

}  // namespace

TEST_F(RelayPlugin, TwoPicturesReachTheSmtpServer) {
    const std::string shared = SmtpFolder();
    if (shared.empty()) GTEST_SKIP() << "needs the SMTP fixture";
    ASSERT_GT(SmtpPort(), 0);
    // Settings in UTF-16, so that the subject can hold any character.
    const std::wstring settings = L"\xFEFF[Server]\r\nHost=127.0.0.1\r\nPort=" + std::to_wstring(SmtpPort()) +
                                  L"\r\nRecipient=Pictures <pictures@email32.example>, second@email32.example\r\n"
                                  L"Subject=Fotos \u2013 \u5915\u967D\r\n";
    WriteFile(m_host / "Relay32.ini",
              std::string(reinterpret_cast<const char*>(settings.data()), settings.size() * sizeof(wchar_t)));

    EXPECT_EQ(Send(WritePictures(shared + "sent\\")), 1);
    EXPECT_TRUE(NewOutboxFiles().empty());
    EXPECT_EQ(NewLogText(), "");
}

TEST_F(RelayPlugin, RefusedDeliveryKeepsOneCompleteMessageInTheOutbox) {
    const ClosedPort closed;
    WriteSettings("Host=127.0.0.1\r\nPort=" + std::to_string(closed.port) + "\r\nRecipient=a@email32.example\r\n");
    const std::string shared = SmtpFolder();
    const std::string joined = WritePictures(shared.empty() ? m_files.path() : shared + "sent\\");

    EXPECT_EQ(Send(joined), 2);
    const std::string message = OnlyNewMessage();
    ExpectCompleteMessageWithBothPictures(message);
    EXPECT_EQ(message.rfind("From: Email32 Test <tests@email32.example>\r\n", 0), 0u);
    const std::string log = NewLogText();
    EXPECT_NE(log.find("delivery failed: 127.0.0.1:" + std::to_string(closed.port) + " connect"), std::string::npos)
        << log;
    EXPECT_NE(log.find("message kept in " + AppDataFolder() + "Outbox\\"), std::string::npos) << log;
    EXPECT_EQ(log.find('\n'), log.size() - 1) << "one log line";
    // For the native check: the outbox copy must parse like a delivered one.
    if (!shared.empty()) {
        ::CreateDirectoryA((shared + "outbox").c_str(), nullptr);
        WriteFile(shared + "outbox\\refused.eml", message);
    }
}

TEST_F(RelayPlugin, WithoutServerOrRecipientTheMessageWaitsInTheOutbox) {
    const std::string joined = WritePictures(m_files.path());
    // No settings file at all.
    EXPECT_EQ(Send(joined), 2);
    ExpectCompleteMessageWithBothPictures(OnlyNewMessage());
    EXPECT_NE(NewLogText().find("no server set (Host in " + (m_host / "Relay32.ini") + ")"), std::string::npos);
    TearDown();
    SetUp();

    WriteSettings("Host=127.0.0.1\r\nPort=1\r\n");
    EXPECT_EQ(Send(joined), 2);
    const std::string message = OnlyNewMessage();
    EXPECT_NE(message.find("To: undisclosed-recipients:;\r\n"), std::string::npos);
    EXPECT_NE(NewLogText().find("no recipient set"), std::string::npos);
}

TEST_F(RelayPlugin, ASilentServerTimesOutInsteadOfHanging) {
    // Accepts connections (the system completes them) but never greets.
    ClosedPort silent;
    ASSERT_EQ(::listen(silent.socket, 4), 0);
    WriteSettings("Host=127.0.0.1\r\nPort=" + std::to_string(silent.port) + "\r\nRecipient=a@x.example\r\nTimeout=1\r\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Send(WritePictures(m_files.path())), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    ExpectCompleteMessageWithBothPictures(OnlyNewMessage());
    EXPECT_NE(NewLogText().find("greeting: timed out"), std::string::npos) << NewLogText();
}

TEST_F(RelayPlugin, ARecipientTheServerRefusesKeepsTheMessage) {
    const std::string shared = SmtpFolder();
    if (shared.empty()) GTEST_SKIP() << "needs the SMTP fixture";
    WriteSettings("Host=127.0.0.1\r\nPort=" + std::to_string(SmtpPort()) + "\r\nRecipient=refused@email32.example\r\n");
    EXPECT_EQ(Send(WritePictures(m_files.path())), 2);
    ExpectCompleteMessageWithBothPictures(OnlyNewMessage());
    const std::string log = NewLogText();
    EXPECT_NE(log.find("RCPT TO:<refused@email32.example>: refused: 550"), std::string::npos) << log;
}

TEST_F(RelayPlugin, UnreadableFilesAreLeftOutAndNamedInTheLog) {
    WriteFile(m_files / "kept.gif", "GIF89a");
    const std::string missing = m_files / "missing.jpg";
    EXPECT_EQ(Send(missing + "^" + ShortPath(Wide(m_files / "kept.gif"))), 2);
    const std::string message = OnlyNewMessage();
    EXPECT_NE(message.find("filename=\"kept.gif\""), std::string::npos);
    EXPECT_NE(message.find("Content-Type: image/gif;"), std::string::npos);
    EXPECT_EQ(message.find("missing.jpg\""), std::string::npos);
    EXPECT_NE(NewLogText().find("cannot read " + missing + "; the file is left out"), std::string::npos);
}

TEST_F(RelayPlugin, NothingToSendMakesNoMessage) {
    EXPECT_EQ(Send(""), 0);
    EXPECT_EQ(Send("^^"), 0);
    EXPECT_EQ(Send(m_files / "absent.jpg"), 0);
    const AutoLibrary plugin(::LoadLibraryA((m_host / "Relay32.dll").c_str()));
    const auto send = ProcAddress<SendFilesFn>(plugin.get(), "MailSvr_SendFiles");
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send(1, nullptr), 0);
    EXPECT_TRUE(NewOutboxFiles().empty());
    EXPECT_NE(NewLogText().find("no file to send"), std::string::npos);
}
