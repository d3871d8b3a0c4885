// What the outbox keeps beside each message (NAME.env beside NAME.eml), and
// the check a waiting message passes before any server sees it.
//
// The envelope says who the message goes to as it was when the message was
// written, so that a later change of the settings concerns new messages
// only; and how many bytes the message has, so that a message cut short is
// told from a whole one. It is a small UTF-8 text, one field a line:
//
//   Email32-Envelope: 1
//   Message-Bytes: 48213
//   Mail-From: <me@example.org>
//   Rcpt-To: <family@example.net>
//   Rcpt-To: <friend@example.com>
//
// A message written while no recipient was set has no Rcpt-To line: it goes
// to the recipients set when it is delivered. Once an attempt has left the
// message waiting (or refused it for good), two more lines say when and why,
// for the people who manage the outbox:
//
//   Last-Attempt: 2026-12-07T08:22:18Z
//   Last-Reason: smtp.example.org:587 login failed for me@example.org: 535 ...
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace relay {

struct StoredEnvelope {
    std::string sender;                   // bare address
    std::vector<std::string> recipients;  // bare addresses
    uint64_t messageBytes = 0;
    std::string lastAttempt;  // UTC, "YYYY-MM-DDTHH:MM:SSZ"; empty before the first attempt
    std::string lastReason;   // one line of UTF-8
};

// The envelope with the attempt of this moment and its reason (made one
// line, and cut at a length no log reader needs more of).
[[nodiscard]] StoredEnvelope WithAttempt(StoredEnvelope envelope, const std::string& reason);

[[nodiscard]] std::string EnvelopeText(const StoredEnvelope& envelope);

// nullopt, with `problem` saying why, for a text that is not a whole
// envelope of this kind.
[[nodiscard]] std::optional<StoredEnvelope> ParseEnvelope(std::string_view text, std::string& problem);

// Whether the message file (read from its start; the position is left
// anywhere) is whole: as long as its envelope says, a header that ends in a
// blank line, and, for a multipart message, the closing delimiter of its
// boundary at the end. Empty when whole; else what is wrong with it.
[[nodiscard]] std::string MessageDamage(HANDLE message, uint64_t size, const StoredEnvelope& envelope);

}  // namespace relay
