// Where every message waits until a server has accepted it: the "Outbox"
// folder in the module's per-user folder, with the log "Relay32.log" beside
// it. A message file is held open exclusively by the one sender that is
// delivering it, so no message goes out twice, and a sender that dies only
// lets go of its file.
#pragma once

#include "companions/relay/MimeMessage.h"
#include "base/Win32Handles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace relay {

struct OutboxPlace {
    std::wstring folder;  // ends with a backslash
    std::wstring logPath;
};

// The per-user folder that Userpath.dll reports, or %APPDATA%\Email32\ when
// that library or its entry is missing.
[[nodiscard]] OutboxPlace FindOutbox();

class OutboxMessage {
public:
    OutboxMessage() = default;
    OutboxMessage(email32::AutoCloseHandle file, std::wstring path)
        : m_file(std::move(file)), m_path(std::move(path)) {}

    // Opens a waiting message for delivery; empty when another sender holds
    // it or it is gone.
    [[nodiscard]] static OutboxMessage Claim(const std::wstring& path);

    [[nodiscard]] bool valid() const noexcept { return m_file.valid(); }
    [[nodiscard]] const std::wstring& path() const noexcept { return m_path; }
    [[nodiscard]] HANDLE handle() const noexcept { return m_file.get(); }
    [[nodiscard]] uint64_t Size() const;
    // Back to the first byte, for another delivery attempt.
    [[nodiscard]] bool Rewind() const;
    // Deletes the file through the open handle (no other sender can have
    // opened it in between) and lets it go.
    [[nodiscard]] bool Remove();

private:
    email32::AutoCloseHandle m_file;
    std::wstring m_path;
};

// Writes a new message as NAME.part and renames it NAME.eml only when it is
// complete, so the outbox never holds half a message; the result holds it
// exclusively. Empty, with `problem` saying why, when a file cannot be read
// or the outbox cannot be written; nothing is left behind then.
[[nodiscard]] OutboxMessage CreateOutboxMessage(const OutboxPlace& place, const MessageHeaders& headers,
                                                const std::vector<AttachmentFile>& attachments, std::string& problem);

// The waiting messages, oldest first.
[[nodiscard]] std::vector<std::wstring> QueuedMessages(const OutboxPlace& place);

}  // namespace relay
