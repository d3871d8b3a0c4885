#include "companions/relay/MailRelay.h"

#include "companions/relay/MimeMessage.h"
#include "companions/relay/Outbox.h"
#include "companions/relay/RelaySettings.h"
#include "companions/relay/SmtpClient.h"
#include "companions/relay/TextCodec.h"
#include "framework/Win32Handles.h"

#include <windows.h>

namespace relay {
namespace {

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    const email32::AutoCloseHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr)) {
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return true;
}

std::string NameOf(const std::wstring& path) {
    return Utf8FromWide(path.substr(path.find_last_of(L"\\/") + 1));
}

}  // namespace

std::vector<std::string> SplitJoinedPaths(const char* joined) {
    std::vector<std::string> paths;
    if (joined == nullptr) return paths;
    const std::string text(joined);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('^', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) paths.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

std::wstring LongPathOf(const std::string& ansiPath) {
    const std::wstring shortPath = WideFromAnsi(ansiPath);
    const DWORD needed = ::GetLongPathNameW(shortPath.c_str(), nullptr, 0);
    if (needed == 0) return shortPath;
    std::wstring longPath(needed, L'\0');
    const DWORD length = ::GetLongPathNameW(shortPath.c_str(), longPath.data(), needed);
    if (length == 0 || length >= needed) return shortPath;
    longPath.resize(length);
    return longPath;
}

RelayResult RelayFiles(const char* joinedShortPaths, const std::wstring& settingsPath) {
    const OutboxPlace outbox = FindOutbox();

    std::vector<Attachment> attachments;
    for (const std::string& shortPath : SplitJoinedPaths(joinedShortPaths)) {
        const std::wstring path = LongPathOf(shortPath);
        Attachment attachment{NameOf(path), {}};
        if (!ReadWholeFile(path, attachment.bytes)) {
            AppendLog(outbox, "cannot read " + Utf8FromWide(path) + "; the file is left out of the message");
            continue;
        }
        attachments.push_back(std::move(attachment));
    }
    if (attachments.empty()) {
        AppendLog(outbox, "no file to send; no message made");
        return RelayResult::NothingSent;
    }

    const RelaySettings settings = LoadRelaySettings(settingsPath);
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    const MessageHeaders headers{settings.sender, settings.recipient, settings.subject, MessageDate(now),
                                 NewMessageId(AddressOf(settings.sender))};
    const std::string message = ComposeMessage(headers, attachments);

    std::string problem;
    const std::vector<std::string> recipients = AddressList(settings.recipient);
    if (settings.host.empty()) {
        problem = "no server set (Host in " + Utf8FromWide(settingsPath) + ")";
    } else if (recipients.empty()) {
        problem = "no recipient set (Recipient in " + Utf8FromWide(settingsPath) + ")";
    } else {
        const SmtpServer server{settings.host, settings.port, settings.timeoutSeconds};
        const SmtpOutcome outcome = DeliverBySmtp(server, AddressOf(settings.sender), recipients, message);
        if (outcome.delivered) return RelayResult::Delivered;
        problem = "delivery failed: " + outcome.problem;
    }

    std::wstring saved;
    if (!SaveToOutbox(outbox, message, saved)) {
        AppendLog(outbox, problem + "; the outbox " + Utf8FromWide(outbox.folder) +
                              " cannot be written, the message is lost");
        return RelayResult::NothingSent;
    }
    AppendLog(outbox, problem + "; message kept in " + Utf8FromWide(saved));
    return RelayResult::KeptInOutbox;
}

}  // namespace relay
