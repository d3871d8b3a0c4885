// A standard Internet message (RFC 5322 headers, MIME multipart/mixed) with a
// short text part and each file as a base64 attachment, written piece by
// piece so that no file is ever held in memory whole.
#pragma once

#include "companions/relay/AddressList.h"

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace relay {

struct AttachmentFile {
    std::wstring path;     // read when the message is written
    std::string fileName;  // UTF-8, without folders
};

struct MessageHeaders {
    Mailbox from;
    std::vector<Mailbox> to;  // empty: undisclosed recipients
    std::string subject;      // UTF-8
    std::string date;         // RFC 5322 date-time
    std::string messageId;    // with its angle brackets
};

// Takes the message's bytes in order; false stops the writing.
using MessageSink = std::function<bool(std::string_view)>;

// "Mon, 07 Dec 2026 08:22:18 +0000" for a UTC time.
[[nodiscard]] std::string MessageDate(const SYSTEMTIME& utc);

// A text that no other call in this process returns: time, process and a
// counter, in hexadecimal.
[[nodiscard]] std::string UniqueToken();

// "<token@domain>" with the domain of the sender's address, "localhost"
// when it has none.
[[nodiscard]] std::string NewMessageId(const std::string& senderAddress);

// Writes the whole message with CRLF line ends, ready for SMTP or an .eml
// file. False when a file cannot be read (`problem` names it) or the sink
// refused a piece (`problem` is left empty).
[[nodiscard]] bool WriteMessage(const MessageHeaders& headers, const std::vector<AttachmentFile>& attachments,
                                const MessageSink& sink, std::string& problem);

}  // namespace relay
