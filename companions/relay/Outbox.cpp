#include "companions/relay/Outbox.h"

#include "message/MimeMessage.h"
#include "base/LoadableLibrary.h"
#include "base/Win32Handles.h"
#include "base/Path.h"
#include "base/Text.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::message;
using namespace email32::base;
namespace {

using GetAppDataPathFn = int(__cdecl*)(char*);

std::wstring WithBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

std::wstring UserFolder() {
    // From where the product put it, never from the current folder or PATH.
    const email32::base::AutoLibrary userpath(email32::base::LoadLocatedLibrary(std::wstring(L"Userpath.dll")));
    if (const auto entry = email32::base::ProcAddress<GetAppDataPathFn>(userpath.get(), "GetAppDataPath")) {
        char buffer[MAX_PATH + 1] = {};  // the entry fills at most 260 bytes
        entry(buffer);
        buffer[MAX_PATH] = '\0';
        // An empty or relative folder would put the outbox wherever the
        // current folder is.
        const std::wstring folder = Widen(buffer);
        if (email32::base::IsFullyQualifiedPath(folder)) return WithBackslash(folder);
    }
    std::vector<wchar_t> appData(32768);
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", appData.data(), static_cast<DWORD>(appData.size()));
    if (length == 0 || length >= appData.size()) return {};
    if (!email32::base::IsFullyQualifiedPath(std::wstring(appData.data(), length))) return {};
    const std::wstring folder = WithBackslash(std::wstring(appData.data(), length)) + L"Email32\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool WriteNewFile(const std::wstring& path, const std::string& bytes) {
    const email32::base::AutoCloseHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && ::FlushFileBuffers(file.get());
}

// An envelope: small, though a message for thousands of recipients has a
// long one. Larger files are not envelopes; they read as empty.
std::string ReadEnvelopeFile(const std::wstring& path, bool& found) {
    const email32::base::AutoCloseHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                                            FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    found = file.valid();
    LARGE_INTEGER size{};
    if (!found || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > (16 << 20)) return {};
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() && !::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
        return {};
    }
    bytes.resize(got);
    return bytes;
}

std::wstring WithExtension(const std::wstring& path, const wchar_t* extension) {
    return path.substr(0, path.find_last_of(L'.')) + extension;
}

std::string SystemText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    if (text != nullptr) ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.')) {
        message.pop_back();
    }
    char code[32];
    std::snprintf(code, sizeof code, "error %lu", error);
    return message.empty() ? std::string(code) : Utf8(message) + " (" + code + ")";
}

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

std::string OutboxProblem(const OutboxPlace& place) {
    if (place.folder.empty()) return "there is no per-user folder for the outbox";
    const std::string name = Utf8(place.folder);
    const std::wstring folder = place.folder.substr(0, place.folder.size() - 1);  // without its backslash
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {};
        return "the outbox " + name + " cannot be reached: " + SystemText(error);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return "the outbox " + name + " is a file, not a folder";
    // A message that cannot leave the outbox once delivered would go out
    // again at every send: without the right to write, nothing is sent.
    const std::wstring probe = place.folder + L"probe-" + FromUtf8(UniqueToken()) + L".tmp";
    const email32::base::AutoCloseHandle file(
        ::CreateFileW(probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (!file) return "the outbox " + name + " cannot be written: " + SystemText(::GetLastError());
    return {};
}

OutboxMessage OutboxMessage::Take(const std::wstring& path, Claim& claim) {
    // No sharing at all: a second sender cannot open it while this one
    // delivers, and this one cannot open it while a sender still writes it.
    email32::base::AutoCloseHandle file(::CreateFileW(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        claim = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? Claim::Busy
                : error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND  ? Claim::Gone
                                                                                  : Claim::Unreadable;
        return {};
    }
    claim = Claim::Taken;
    return OutboxMessage(std::move(file), path);
}

std::wstring OutboxMessage::envelopePath() const { return WithExtension(m_path, L".env"); }

std::optional<StoredEnvelope> OutboxMessage::Check(std::string& damage) const {
    bool found = false;
    const std::string text = ReadEnvelopeFile(envelopePath(), found);
    std::optional<StoredEnvelope> envelope;
    if (!found) damage = "it has no envelope, so who it is for is not known";
    else envelope = ParseEnvelope(text, damage);
    if (envelope) {
        damage = MessageDamage(m_file.get(), Size(), *envelope);
        if (!damage.empty()) envelope.reset();
    }
    if (!Rewind() && envelope) {
        damage = "it cannot be read";
        envelope.reset();
    }
    return envelope;
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
    bool removed = DeleteThroughHandle(m_file.get());
    m_file.reset();
    // Without delete-on-close, by name: another sender could open it in the
    // moment between, which at worst sends it twice, never loses it.
    if (!removed) removed = ::DeleteFileW(m_path.c_str()) != FALSE;
    if (removed) ::DeleteFileW(envelopePath().c_str());
    return removed;
}

std::wstring OutboxMessage::MoveAside(const OutboxPlace& place, const wchar_t* folderName) {
    const std::wstring folder = place.folder + folderName + L"\\";
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return {};
    const std::wstring name = NameOf(m_path);
    if (!RenameThroughHandle(m_file.get(), folder + name)) return {};
    m_file.reset();
    ::MoveFileExW(envelopePath().c_str(), WithExtension(folder + name, L".env").c_str(), 0);
    return folder;
}

bool OutboxMessage::WriteEnvelope(const StoredEnvelope& envelope) const {
    const std::wstring target = envelopePath();
    const std::wstring fresh = target + L".new";
    ::DeleteFileW(fresh.c_str());
    if (WriteNewFile(fresh, EnvelopeText(envelope)) &&
        ::MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    ::DeleteFileW(fresh.c_str());
    return false;
}

std::optional<StoredEnvelope> ReadStoredEnvelope(const std::wstring& messagePath, std::string& problem) {
    bool found = false;
    const std::string text = ReadEnvelopeFile(WithExtension(messagePath, L".env"), found);
    if (!found) return problem = "it has no envelope", std::nullopt;
    return ParseEnvelope(text, problem);
}

OutboxPlace FailedPlace(const OutboxPlace& place) {
    if (place.folder.empty()) return place;
    return OutboxPlace{place.folder + L"Failed\\", place.logPath};
}

OutboxMessage CreateOutboxMessage(const OutboxPlace& place, const MessageHeaders& headers, std::string_view text,
                                  const std::vector<AttachmentFile>& attachments, StoredEnvelope envelope,
                                  std::string& problem) {
    problem.clear();
    if (place.folder.empty()) {
        problem = "there is no per-user folder for the outbox";
        return {};
    }
    if (!::CreateDirectoryW(place.folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        problem = "the outbox " + Utf8(place.folder) + " cannot be made";
        return {};
    }
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    wchar_t stamp[32];
    std::swprintf(stamp, 32, L"%04u%02u%02u-%02u%02u%02u-", unsigned(now.wYear), unsigned(now.wMonth),
                  unsigned(now.wDay), unsigned(now.wHour), unsigned(now.wMinute), unsigned(now.wSecond));
    const std::wstring base = place.folder + stamp + FromUtf8(UniqueToken());
    const std::wstring partial = base + L".part";
    email32::base::AutoCloseHandle file(::CreateFileW(partial.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        problem = "the outbox " + Utf8(place.folder) + " cannot be written";
        return {};
    }
    const bool written = WriteMessageToFile(file.get(), headers, text, attachments, problem, &envelope.messageBytes) &&
                         ::FlushFileBuffers(file.get());
    const bool enveloped = written && WriteNewFile(base + L".env", EnvelopeText(envelope));
    // Renamed through the handle, which this sender keeps: nobody else can
    // take the new message before this send has tried to deliver it.
    if (!enveloped || !RenameThroughHandle(file.get(), base + L".eml")) {
        if (problem.empty()) problem = "the outbox " + Utf8(place.folder) + " cannot be written";
        if (!DeleteThroughHandle(file.get())) {
            file.reset();
            ::DeleteFileW(partial.c_str());
        }
        ::DeleteFileW((base + L".env").c_str());
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

void ClearOrphanEnvelopes(const OutboxPlace& place) {
    if (place.folder.empty()) return;
    WIN32_FIND_DATAW data;
    const HANDLE search = ::FindFirstFileW((place.folder + L"*.env").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring envelope = place.folder + data.cFileName;
        // A message being written has its .part while its envelope is new.
        const bool orphan = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
                            ::GetFileAttributesW(WithExtension(envelope, L".eml").c_str()) == INVALID_FILE_ATTRIBUTES &&
                            ::GetFileAttributesW(WithExtension(envelope, L".part").c_str()) == INVALID_FILE_ATTRIBUTES;
        if (orphan) ::DeleteFileW(envelope.c_str());
    } while (::FindNextFileW(search, &data));
    ::FindClose(search);
}

}  // namespace relay
