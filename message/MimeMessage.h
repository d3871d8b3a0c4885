// A standard Internet message (RFC 5322 headers, MIME multipart/mixed) with a
// text part and each file as a base64 attachment, written piece by piece so
// that no file is ever held in memory whole. The mail-server plug-in writes
// the messages it sends with it, the module the drafts it hands to mail
// programs.
#pragma once

#include "message/AddressList.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace email32::message {

struct AttachmentFile {
    std::wstring path;     // read when the message is written
    std::string fileName;  // UTF-8, without folders
};

struct MessageHeaders {
    std::vector<Mailbox> from;  // empty: no From header (a draft: the mail program puts in its account)
    std::vector<Mailbox> to;    // empty: "undisclosed-recipients:;", no header at all in a draft
    std::vector<Mailbox> cc;    // empty: no Cc header
    std::string subject;        // UTF-8; empty in a draft: no Subject header
    std::string date;           // RFC 5322 date-time
    std::string messageId;      // with its angle brackets; empty: none
    std::string mailer;         // X-Mailer; empty: none
    // "X-Unsent: 1": a message still to be sent, which mail programs open in
    // their compose window rather than as a received one.
    bool draft = false;
};

// Takes the message's bytes in order; false stops the writing.
using MessageSink = std::function<bool(std::string_view)>;

// "Mon, 07 Dec 2026 08:22:18 +0000" for a UTC time.
[[nodiscard]] std::string MessageDate(const SYSTEMTIME& utc);

// The date of the present moment, in that form.
[[nodiscard]] std::string MessageDateNow();

// A text that no other call in this process returns: time, process and a
// counter, in hexadecimal.
[[nodiscard]] std::string UniqueToken();

// "<token@domain>" with the domain of the sender's address, "localhost"
// when it has none.
[[nodiscard]] std::string NewMessageId(const std::string& senderAddress);

// The text part's content: UTF-8 with every line end (CR, LF or CR LF) made
// CR LF, as a MIME text part carries them, and ending in one.
[[nodiscard]] std::string TextPartContent(std::string_view utf8);

// Writes the whole message with CRLF line ends, ready for SMTP or an .eml
// file: the headers, then a text part holding `text` (UTF-8, any line ends;
// may be empty) and every file as an attachment. False when a file cannot be
// read (`problem` names it) or the sink refused a piece (`problem` is left
// empty).
[[nodiscard]] bool WriteMessage(const MessageHeaders& headers, std::string_view text,
                                const std::vector<AttachmentFile>& attachments, const MessageSink& sink,
                                std::string& problem);

// The same into a file opened for writing, in pieces of a megabyte; false
// also when the file cannot be written. `bytes`, when given, receives the
// number of bytes written.
[[nodiscard]] bool WriteMessageToFile(HANDLE file, const MessageHeaders& headers, std::string_view text,
                                      const std::vector<AttachmentFile>& attachments, std::string& problem,
                                      uint64_t* bytes = nullptr);

}  // namespace email32::message
