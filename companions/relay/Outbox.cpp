#include "companions/relay/Outbox.h"

#include "companions/relay/MimeMessage.h"
#include "companions/relay/TextCodec.h"
#include "base/Win32Handles.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace relay {
namespace {

using GetAppDataPathFn = int(__cdecl*)(char*);

std::wstring WithBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

std::wstring UserFolder() {
    const email32::AutoLibrary userpath(::LoadLibraryA("Userpath.dll"));
    if (const auto entry = email32::ProcAddress<GetAppDataPathFn>(userpath.get(), "GetAppDataPath")) {
        char buffer[MAX_PATH + 1] = {};  // the entry fills at most 260 bytes
        entry(buffer);
        buffer[MAX_PATH] = '\0';
        if (buffer[0] != '\0') return WithBackslash(WideFromAnsi(buffer));
    }
    std::vector<wchar_t> appData(32768);
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", appData.data(), static_cast<DWORD>(appData.size()));
    if (length == 0 || length >= appData.size()) return {};
    const std::wstring folder = WithBackslash(std::wstring(appData.data(), length)) + L"Email32\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// Collects the message in large pieces: one WriteFile per megabyte.
class BufferedFile {
public:
    explicit BufferedFile(HANDLE file) : m_file(file) { m_buffer.reserve(kPiece); }
    bool Write(std::string_view bytes) {
        m_buffer.append(bytes);
        return m_buffer.size() < kPiece || Flush();
    }
    bool Flush() {
        size_t done = 0;
        while (done < m_buffer.size()) {
            DWORD written = 0;
            if (!::WriteFile(m_file, m_buffer.data() + done, static_cast<DWORD>(m_buffer.size() - done), &written,
                             nullptr) ||
                written == 0) {
                return false;
            }
            done += written;
        }
        m_buffer.clear();
        return true;
    }

private:
    static constexpr size_t kPiece = 1 << 20;
    HANDLE m_file;
    std::string m_buffer;
};

bool DeleteThroughHandle(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool RenameThroughHandle(HANDLE file, const std::wstring& target) {
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
    std::copy(target.begin(), target.end(), rename->FileName);
    return ::SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}

bool HasEmlExtension(const std::wstring& name) {
    return name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".eml") == 0;
}

}  // namespace

OutboxPlace FindOutbox() {
    const std::wstring user = UserFolder();
    // Without a per-user folder there is no outbox: never the current folder.
    if (user.empty()) return {};
    return OutboxPlace{user + L"Outbox\\", user + L"Relay32.log"};
}

OutboxMessage OutboxMessage::Claim(const std::wstring& path) {
    // No sharing at all: a second sender cannot open it while this one
    // delivers, and this one cannot open it while a sender still writes it.
    email32::AutoCloseHandle file(::CreateFileW(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return {};
    return OutboxMessage(std::move(file), path);
}

uint64_t OutboxMessage::Size() const {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(m_file.get(), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
}

bool OutboxMessage::Rewind() const {
    LARGE_INTEGER start{};
    return ::SetFilePointerEx(m_file.get(), start, nullptr, FILE_BEGIN) != FALSE;
}

bool OutboxMessage::Remove() {
    if (DeleteThroughHandle(m_file.get())) {
        m_file.reset();
        return true;
    }
    // Without delete-on-close, by name: another sender could open it in the
    // moment between, which at worst sends it twice, never loses it.
    m_file.reset();
    return ::DeleteFileW(m_path.c_str()) != FALSE;
}

OutboxMessage CreateOutboxMessage(const OutboxPlace& place, const MessageHeaders& headers,
                                  const std::vector<AttachmentFile>& attachments, std::string& problem) {
    problem.clear();
    if (place.folder.empty()) {
        problem = "there is no per-user folder for the outbox";
        return {};
    }
    if (!::CreateDirectoryW(place.folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        problem = "the outbox " + Utf8FromWide(place.folder) + " cannot be made";
        return {};
    }
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    wchar_t stamp[32];
    std::swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u-", unsigned(now.wYear), unsigned(now.wMonth),
                  unsigned(now.wDay), unsigned(now.wHour), unsigned(now.wMinute), unsigned(now.wSecond));
    const std::wstring base = place.folder + stamp + WideFromUtf8(UniqueToken());
    const std::wstring partial = base + L".part";
    email32::AutoCloseHandle file(::CreateFileW(partial.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        problem = "the outbox " + Utf8FromWide(place.folder) + " cannot be written";
        return {};
    }
    BufferedFile out(file.get());
    const bool written = WriteMessage(
                             headers, attachments, [&](std::string_view bytes) { return out.Write(bytes); }, problem) &&
                         out.Flush() && ::FlushFileBuffers(file.get());
    // Renamed through the handle, which this sender keeps: nobody else can
    // take the new message before this send has tried to deliver it.
    if (!written || !RenameThroughHandle(file.get(), base + L".eml")) {
        if (problem.empty()) problem = "the outbox " + Utf8FromWide(place.folder) + " cannot be written";
        if (!DeleteThroughHandle(file.get())) {
            file.reset();
            ::DeleteFileW(partial.c_str());
        }
        return {};
    }
    return OutboxMessage(std::move(file), base + L".eml");
}

std::vector<std::wstring> QueuedMessages(const OutboxPlace& place) {
    struct Found {
        ULONGLONG created;
        std::wstring name;
    };
    std::vector<Found> found;
    if (place.folder.empty()) return {};
    WIN32_FIND_DATAW data;
    const HANDLE search = ::FindFirstFileW((place.folder + L"*.eml").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && HasEmlExtension(data.cFileName)) {
                const ULONGLONG created = (static_cast<ULONGLONG>(data.ftCreationTime.dwHighDateTime) << 32) |
                                          data.ftCreationTime.dwLowDateTime;
                found.push_back({created, data.cFileName});
            }
        } while (::FindNextFileW(search, &data));
        ::FindClose(search);
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.created != b.created ? a.created < b.created : a.name < b.name;
    });
    std::vector<std::wstring> paths;
    for (const Found& f : found) paths.push_back(place.folder + f.name);
    return paths;
}

}  // namespace relay
