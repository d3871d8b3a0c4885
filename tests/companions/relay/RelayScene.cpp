#include "tests/companions/relay/RelayScene.h"

#include <winsock2.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>

namespace email32::test {
namespace {

using SendFilesFn = int(__cdecl*)(int, const char*);
using StorePasswordFn = int(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*);

void ClearFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ::DeleteFileA((folder + found.cFileName).c_str());
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

std::string LogPath() { return RelayLogPath(); }

std::string Base64(const std::string& bytes) {
    DWORD length = 0;
    const auto* data = reinterpret_cast<const BYTE*>(bytes.data());
    const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    ::CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, nullptr, &length);
    std::string text(length, '\0');
    ::CryptBinaryToStringA(data, static_cast<DWORD>(bytes.size()), flags, text.data(), &length);
    text.resize(length);
    return text;
}

}  // namespace

std::string OutboxFolder() { return AppDataFolder() + "Outbox\\"; }
std::string RelayLogPath() { return AppDataFolder() + "Relay32.log"; }

void ClearOutbox() {
    ClearFolder(OutboxFolder());
    ClearFolder(OutboxFolder() + "Damaged\\");
    ClearFolder(OutboxFolder() + "Failed\\");
}

ClosedPort::ClosedPort() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET bound = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    socket = bound;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(bound, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int size = sizeof address;
    ::getsockname(bound, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
}

ClosedPort::~ClosedPort() {
    ::closesocket(static_cast<SOCKET>(socket));
    ::WSACleanup();
}

bool StoreRelayPassword(const std::wstring& host, const std::wstring& user, const std::wstring& password) {
    const base::AutoLibrary plugin(::LoadLibraryA((BinFolder() + "Relay32.dll").c_str()));
    const auto store = base::ProcAddress<StorePasswordFn>(plugin.get(), "MailSvr_StorePassword");
    return store != nullptr && store(host.c_str(), user.c_str(), password.c_str()) == 1;
}

std::string ServerFolder() {
    char value[MAX_PATH] = {};
    if (!::GetEnvironmentVariableA("RELAY32_SMTP_FOLDER", value, MAX_PATH)) return {};
    std::string folder(value);
    for (char& c : folder) {
        if (c == '/') c = '\\';
    }
    return folder.back() == '\\' ? folder : folder + "\\";
}

int ServerPort(const std::string& name) { return std::atoi(ReadFile(ServerFolder() + name + ".port").c_str()); }

std::string ServerTranscript(const std::string& name) { return ReadFile(ServerFolder() + name + "\\transcript"); }

int ServerMessageCount(const std::string& name) {
    int count = 0;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((ServerFolder() + name + "\\*.eml").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do ++count;
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return count;
}

std::string ServerPassword() { return ReadFile(ServerFolder() + "password"); }

std::string KeepNewestForChecks(const std::string& server, const std::string& name) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", ServerMessageCount(server));
    const std::string from = ServerFolder() + server + "\\" + number;
    ::CreateDirectoryA((ServerFolder() + "received").c_str(), nullptr);
    const std::string to = ServerFolder() + "received\\" + name;
    CopyFileOrFail(from + ".eml", to + ".eml");
    CopyFileOrFail(from + ".json", to + ".json");
    return ReadFile(to + ".eml");
}

std::string ShortPath(const std::wstring& path) {
    std::wstring wideShort(MAX_PATH, L'\0');
    const DWORD length = ::GetShortPathNameW(path.c_str(), wideShort.data(), MAX_PATH);
    EXPECT_GT(length, 0u);
    char shortPath[MAX_PATH] = {};
    ::WideCharToMultiByte(CP_ACP, 0, wideShort.c_str(), -1, shortPath, MAX_PATH, nullptr, nullptr);
    return shortPath;
}

void WriteWide(const std::wstring& path, const std::string& bytes) {
    const base::AutoCloseHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
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

const std::string& RelayScene::HostFolder() {
    static const std::string folder = [] {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        return std::string(temp) + "e32-relayhost-" + std::to_string(::GetCurrentProcessId()) + "\\";
    }();
    if (!FileExists(folder + "Relay32.dll")) {
        ::CreateDirectoryA(folder.c_str(), nullptr);
        CopyFileOrFail(BinFolder() + "Relay32.dll", folder + "Relay32.dll");
    }
    return folder;
}

void RelayScene::SetUp() {
    ClearOutbox();
    m_logBefore = FileExists(LogPath()) ? ReadFile(LogPath()).size() : 0;
}

void RelayScene::TearDown() { ClearOutbox(); }

void RelayScene::WriteSettings(const std::string& lines) const {
    // A test process runs unattended: no window comes unless a test asks.
    WriteFile(HostFolder() + "Relay32.ini", "[Server]\r\nQuiet=1\r\n" + lines);
}

int RelayScene::Send(const std::string& joined) const {
    const base::AutoLibrary plugin(::LoadLibraryA((HostFolder() + "Relay32.dll").c_str()));
    const auto send = base::ProcAddress<SendFilesFn>(plugin.get(), "MailSvr_SendFiles");
    EXPECT_NE(send, nullptr);
    return send ? send(1, joined.c_str()) : -1;
}

bool RelayScene::StorePassword(const std::wstring& host, const std::wstring& user, const std::wstring& password) const {
    const base::AutoLibrary plugin(::LoadLibraryA((HostFolder() + "Relay32.dll").c_str()));
    const auto store = base::ProcAddress<StorePasswordFn>(plugin.get(), "MailSvr_StorePassword");
    return store != nullptr && store(host.c_str(), user.c_str(), password.c_str()) == 1;
}

std::vector<std::string> RelayScene::FailedMessages() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((OutboxFolder() + "Failed\\*.eml").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

std::set<std::string> RelayScene::OutboxFiles() const {
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((OutboxFolder() + "*.eml").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

std::string RelayScene::OnlyOutboxMessage() const {
    const std::set<std::string> files = OutboxFiles();
    EXPECT_EQ(files.size(), 1u);
    if (files.size() != 1) return {};
    EXPECT_EQ(files.begin()->substr(files.begin()->size() - 4), ".eml");
    return ReadFile(OutboxFolder() + *files.begin());
}

std::string RelayScene::NewLogText() const {
    const std::string log = FileExists(LogPath()) ? ReadFile(LogPath()) : std::string();
    return log.size() > m_logBefore ? log.substr(m_logBefore) : std::string();
}

void RelayScene::ExpectPasswordInNoFile(const std::string& password) const {
    std::wstring utf16(password.size(), L'\0');
    utf16.resize(static_cast<size_t>(::MultiByteToWideChar(
        CP_UTF8, 0, password.data(), static_cast<int>(password.size()), utf16.data(), static_cast<int>(utf16.size()))));
    const std::string wide(reinterpret_cast<const char*>(utf16.data()), utf16.size() * sizeof(wchar_t));
    const std::string forms[] = {password, Base64(password), Base64(std::string("\0relay\0", 7) + password), wide};
    std::vector<std::string> files{LogPath()};
    for (const std::string& name : OutboxFiles()) files.push_back(OutboxFolder() + name);
    for (const std::string& file : files) {
        const std::string text = ReadFile(file);
        for (const std::string& form : forms) EXPECT_EQ(text.find(form), std::string::npos) << file << ": " << form;
    }
}

}  // namespace email32::test
