#include "companions/relay/OutboxListing.h"

#include "base/Text.h"

#include <windows.h>

namespace relay {
namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

void AddMessages(const OutboxPlace& place, const std::wstring& prefix, bool failed,
                 std::vector<ListedMessage>& listed) {
    for (const std::wstring& path : QueuedMessages(place)) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) continue;  // gone meanwhile
        ListedMessage message;
        message.path = path;
        message.file = prefix + path.substr(place.folder.size());
        message.written = data.ftCreationTime;
        message.bytes = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        message.failed = failed;
        std::string problem;
        if (const std::optional<StoredEnvelope> envelope = ReadStoredEnvelope(path, problem)) {
            message.recipients = envelope->recipients;
            message.lastReason = envelope->lastReason;
        } else {
            // The next send moves it aside into "Damaged" and never sends it.
            message.lastReason = "damaged: " + problem;
        }
        listed.push_back(std::move(message));
    }
}

// The full path of the message `file` names in the outbox or its "Failed"
// folder; empty when it names nothing there.
std::wstring MessagePath(const OutboxPlace& place, std::wstring file) {
    for (wchar_t& c : file) {
        if (c == L'/') c = L'\\';
    }
    std::wstring folder = place.folder;
    const size_t slash = file.find_last_of(L'\\');
    std::wstring name = slash == std::wstring::npos ? file : file.substr(slash + 1);
    if (slash != std::wstring::npos) {
        const std::wstring given = file.substr(0, slash + 1);
        const std::wstring failed = FailedPlace(place).folder;
        if (SameText(given, L"Failed\\") || SameText(given, failed)) folder = failed;
        else if (!SameText(given, place.folder)) return {};
    }
    if (name.size() <= 4 || !SameText(name.substr(name.size() - 4), L".eml")) name += L".eml";
    if (name.find_first_of(L":*?\"<>|") != std::wstring::npos || name.rfind(L"..", 0) == 0) return {};
    return folder + name;
}

}  // namespace

std::optional<std::vector<ListedMessage>> ListOutbox(const OutboxPlace& place, std::string& problem) {
    if (place.folder.empty()) return problem = "there is no per-user folder for the outbox", std::nullopt;
    const std::wstring folder = place.folder.substr(0, place.folder.size() - 1);
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return problem = "the outbox " + email32::base::Utf8(place.folder) + " is a file, not a folder", std::nullopt;
    }
    std::vector<ListedMessage> listed;
    AddMessages(place, L"", false, listed);
    AddMessages(FailedPlace(place), L"Failed\\", true, listed);
    return listed;
}

Removal RemoveOutboxMessage(const OutboxPlace& place, const std::wstring& file) {
    if (place.folder.empty() || file.empty()) return Removal::NoSuchMessage;
    const std::wstring path = MessagePath(place, file);
    if (path.empty()) return Removal::NoSuchMessage;
    Claim claim = Claim::Gone;
    OutboxMessage message = OutboxMessage::Take(path, claim);
    switch (claim) {
    case Claim::Taken: return message.Remove() ? Removal::Removed : Removal::NotRemoved;
    case Claim::Busy: return Removal::Busy;
    case Claim::Gone: return Removal::NoSuchMessage;
    case Claim::Unreadable: break;
    }
    return Removal::NotRemoved;
}

}  // namespace relay
