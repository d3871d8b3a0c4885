// Where every message waits until a server has accepted it: the "Outbox"
// folder in the module's per-user folder, with the log "Relay32.log" beside
// it. Each message NAME.eml has its envelope NAME.env beside it. A message
// file is held open exclusively by the one sender that is delivering it, so
// no message goes out twice, and a sender that dies only lets go of its
// file. A damaged message is moved aside into "Outbox\Damaged" and never
// sent.
#pragma once

#include "message/MimeMessage.h"
#include "companions/relay/OutboxEnvelope.h"
#include "base/Win32Handles.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace relay {

struct OutboxPlace {
    std::wstring folder;  // ends with a backslash
    std::wstring logPath;
};

// The per-user folder that Userpath.dll reports, or %APPDATA%\Email32\ when
// that library or its entry is missing or reports no full path.
[[nodiscard]] OutboxPlace FindOutbox();

// Why the outbox can be neither read nor changed (it is no folder, cannot
// be listed or cannot be written: a delivered message could not leave it);
// empty when it can, or when it does not exist yet.
[[nodiscard]] std::string OutboxProblem(const OutboxPlace& place);

enum class Claim {
    Taken,
    Busy,        // another sender holds it: it is being delivered or written
    Gone,        // delivered by another sender meanwhile
    Unreadable,  // it cannot be opened
};

class OutboxMessage {
public:
    OutboxMessage() = default;
    OutboxMessage(email32::base::AutoCloseHandle file, std::wstring path)
        : m_file(std::move(file)), m_path(std::move(path)) {}

    // Opens a waiting message for delivery; empty unless Taken.
    [[nodiscard]] static OutboxMessage Take(const std::wstring& path, Claim& claim);

    [[nodiscard]] bool valid() const noexcept { return m_file.valid(); }
    [[nodiscard]] const std::wstring& path() const noexcept { return m_path; }
    [[nodiscard]] std::wstring envelopePath() const;
    [[nodiscard]] HANDLE handle() const noexcept { return m_file.get(); }
    [[nodiscard]] uint64_t Size() const;
    // The stored envelope, once the message has been found whole; nullopt
    // with `damage` saying what is wrong otherwise. Leaves the message at
    // its first byte.
    [[nodiscard]] std::optional<StoredEnvelope> Check(std::string& damage) const;
    // Back to the first byte, for another delivery attempt.
    [[nodiscard]] bool Rewind() const;
    // Deletes the file through the open handle (no other sender can have
    // opened it in between), then its envelope, and lets it go.
    [[nodiscard]] bool Remove();
    // Moves the message and its envelope into the outbox's subfolder
    // `folderName` ("Damaged" or "Failed"), where no sender looks; that
    // folder, or empty when it stays.
    [[nodiscard]] std::wstring MoveAside(const OutboxPlace& place, const wchar_t* folderName = L"Damaged");
    // Rewrites the envelope (the message is held, so no sender reads it
    // meanwhile); false when it cannot be written, which leaves the old one.
    bool WriteEnvelope(const StoredEnvelope& envelope) const;

private:
    email32::base::AutoCloseHandle m_file;
    std::wstring m_path;
};

// Writes a new message as NAME.part, then its envelope NAME.env, and renames
// the message NAME.eml only when both are complete, so the outbox never
// holds half a message or one without its envelope; the result holds it
// exclusively. Empty, with `problem` saying why, when a file cannot be read
// or the outbox cannot be written; nothing is left behind then.
// `envelope`'s size is filled in.
[[nodiscard]] OutboxMessage CreateOutboxMessage(const OutboxPlace& place,
                                                const email32::message::MessageHeaders& headers, std::string_view text,
                                                const std::vector<email32::message::AttachmentFile>& attachments,
                                                StoredEnvelope envelope, std::string& problem);

// The waiting messages, oldest first.
[[nodiscard]] std::vector<std::wstring> QueuedMessages(const OutboxPlace& place);

// The envelope beside a message, read without taking the message; nullopt
// with `problem` saying why when there is none or it is not whole.
[[nodiscard]] std::optional<StoredEnvelope> ReadStoredEnvelope(const std::wstring& messagePath, std::string& problem);

// The outbox's folder of messages that a server refused for good.
[[nodiscard]] OutboxPlace FailedPlace(const OutboxPlace& place);

// Removes envelopes whose message is gone (a sender died between removing
// the two).
void ClearOrphanEnvelopes(const OutboxPlace& place);

}  // namespace relay
