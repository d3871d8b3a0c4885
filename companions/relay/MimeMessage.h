// A standard Internet message (RFC 5322 headers, MIME multipart/mixed) with a
// short text part and each file as a base64 attachment.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace relay {

struct Attachment {
    std::string fileName;  // UTF-8, without folders
    std::string bytes;
};

struct MessageHeaders {
    std::string from;       // "Name <address>" or a bare address, ASCII
    std::string to;         // one address list, ASCII; empty: undisclosed
    std::string subject;    // UTF-8
    std::string date;       // RFC 5322 date-time
    std::string messageId;  // with its angle brackets
};

// "Mon, 07 Dec 2026 08:22:18 +0000" for a UTC time.
[[nodiscard]] std::string MessageDate(const SYSTEMTIME& utc);

// A text that no other call in this process returns: time, process and a
// counter, in hexadecimal.
[[nodiscard]] std::string UniqueToken();

// "<token@domain>" with the domain of the sender's address, "localhost"
// when it has none.
[[nodiscard]] std::string NewMessageId(const std::string& sender);

// The whole message with CRLF line ends, ready for SMTP or an .eml file.
[[nodiscard]] std::string ComposeMessage(const MessageHeaders& headers, const std::vector<Attachment>& attachments);

}  // namespace relay
