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
// to the recipients set when it is delivered.
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
};

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
