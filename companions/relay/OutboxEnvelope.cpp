#include "companions/relay/OutboxEnvelope.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace relay {
namespace {

constexpr std::string_view kFirstLine = "Email32-Envelope: 1";
constexpr size_t kReadPiece = 64 * 1024;
constexpr size_t kTailBytes = 1024;
constexpr size_t kLongestReason = 1000;

bool IsBareAddress(std::string_view address) {
    if (address.empty() || address.find('@') == std::string_view::npos) return false;
    for (const char c : address) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= ' ' || c == '<' || c == '>' || u == 0x7F) return false;
    }
    return true;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool ReadAt(HANDLE file, uint64_t offset, std::string& bytes) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
    size_t filled = 0;
    while (filled < bytes.size()) {
        DWORD got = 0;
        if (!::ReadFile(file, bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled), &got, nullptr)) {
            return false;
        }
        if (got == 0) break;
        filled += got;
    }
    bytes.resize(filled);
    return true;
}

// The boundary of a multipart message's Content-Type; empty for any other.
std::string MultipartBoundary(const std::string& header) {
    // Unfolded, so that a parameter on a continuation line is found.
    std::string unfolded;
    for (size_t i = 0; i < header.size(); ++i) {
        if (header[i] == '\r' && i + 2 < header.size() && header[i + 1] == '\n' &&
            (header[i + 2] == ' ' || header[i + 2] == '\t')) {
            i += 1;
            continue;
        }
        unfolded += header[i];
    }
    const std::string lower = Lower(unfolded);
    size_t field = lower.rfind("\ncontent-type:", std::string::npos);
    if (field == std::string::npos && lower.rfind("content-type:", 0) == 0) field = 0;
    else if (field != std::string::npos) ++field;
    if (field == std::string::npos) return {};
    const size_t end = lower.find("\r\n", field);
    const std::string value = lower.substr(field, end - field);
    if (value.find("multipart/") == std::string::npos) return {};
    const size_t parameter = value.find("boundary=");
    if (parameter == std::string::npos) return {};
    size_t start = field + parameter + 9;
    std::string boundary;
    if (start < unfolded.size() && unfolded[start] == '"') {
        const size_t close = unfolded.find('"', start + 1);
        if (close == std::string::npos || close > end) return {};
        boundary = unfolded.substr(start + 1, close - start - 1);
    } else {
        while (start < end && unfolded[start] != ';' && unfolded[start] != ' ' && unfolded[start] != '\t') {
            boundary += unfolded[start++];
        }
    }
    return boundary;
}

}  // namespace

std::string EnvelopeText(const StoredEnvelope& envelope) {
    std::string text = std::string(kFirstLine) + "\r\n";
    text += "Message-Bytes: " + std::to_string(envelope.messageBytes) + "\r\n";
    text += "Mail-From: <" + envelope.sender + ">\r\n";
    for (const std::string& recipient : envelope.recipients) text += "Rcpt-To: <" + recipient + ">\r\n";
    if (!envelope.lastAttempt.empty()) text += "Last-Attempt: " + envelope.lastAttempt + "\r\n";
    if (!envelope.lastReason.empty()) text += "Last-Reason: " + envelope.lastReason + "\r\n";
    return text;
}

StoredEnvelope WithAttempt(StoredEnvelope envelope, const std::string& reason) {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02uT%02u:%02u:%02uZ", unsigned(now.wYear), unsigned(now.wMonth),
                  unsigned(now.wDay), unsigned(now.wHour), unsigned(now.wMinute), unsigned(now.wSecond));
    envelope.lastAttempt = stamp;
    std::string line = reason.substr(0, kLongestReason);
    for (char& c : line) {
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    }
    envelope.lastReason = line;
    return envelope;
}

std::optional<StoredEnvelope> ParseEnvelope(std::string_view text, std::string& problem) {
    StoredEnvelope envelope;
    bool first = true, bytes = false, sender = false, attempt = false, reason = false;
    while (!text.empty()) {
        const size_t end = text.find("\r\n");
        if (end == std::string_view::npos) return problem = "its envelope is cut short", std::nullopt;
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 2);
        if (first) {
            if (line != kFirstLine) return problem = "its envelope is not one this plug-in wrote", std::nullopt;
            first = false;
            continue;
        }
        const size_t colon = line.find(": ");
        const std::string name = colon == std::string_view::npos ? std::string() : Lower(line.substr(0, colon));
        const std::string_view value = colon == std::string_view::npos ? line : line.substr(colon + 2);
        const bool angled = value.size() >= 2 && value.front() == '<' && value.back() == '>';
        const std::string_view address = angled ? value.substr(1, value.size() - 2) : std::string_view();
        if (name == "message-bytes" && !bytes && !value.empty() && value.size() <= 19 &&
            value.find_first_not_of("0123456789") == std::string_view::npos) {
            envelope.messageBytes = std::strtoull(std::string(value).c_str(), nullptr, 10);
            bytes = true;
        } else if (name == "mail-from" && !sender && IsBareAddress(address)) {
            envelope.sender = address;
            sender = true;
        } else if (name == "rcpt-to" && IsBareAddress(address)) {
            envelope.recipients.emplace_back(address);
        } else if (name == "last-attempt" && !attempt && !value.empty()) {
            envelope.lastAttempt = value;
            attempt = true;
        } else if (name == "last-reason" && !reason) {
            envelope.lastReason = value;
            reason = true;
        } else {
            return problem = "its envelope holds the line \"" + std::string(line.substr(0, 80)) + "\"", std::nullopt;
        }
    }
    if (first || !bytes || !sender) return problem = "its envelope is incomplete", std::nullopt;
    return envelope;
}

std::string MessageDamage(HANDLE message, uint64_t size, const StoredEnvelope& envelope) {
    if (size == 0) return "it is empty";
    if (size < envelope.messageBytes) {
        return "it is cut short (" + std::to_string(size) + " of " + std::to_string(envelope.messageBytes) + " bytes)";
    }
    if (size > envelope.messageBytes) {
        return "it has grown (" + std::to_string(size) + " bytes, written with " +
               std::to_string(envelope.messageBytes) + ")";
    }
    // The header, however long (a subject is never cut), and the start of
    // the body after it.
    std::string head;
    size_t headerEnd = std::string::npos;
    for (uint64_t at = 0; at < size && headerEnd == std::string::npos; at += kReadPiece) {
        std::string piece(static_cast<size_t>(std::min<uint64_t>(size - at, kReadPiece)), '\0');
        if (!ReadAt(message, at, piece)) return "it cannot be read";
        head += piece;
        headerEnd = head.find("\r\n\r\n", head.size() - piece.size() < 3 ? 0 : head.size() - piece.size() - 3);
    }
    const size_t colon = head.find(':');
    const bool fieldFirst = colon != std::string::npos && colon > 0 && head.find_first_of(" \t\r\n") > colon;
    if (!fieldFirst || headerEnd == std::string::npos) return "it has no message header";
    if (head.size() < size) {
        std::string more(static_cast<size_t>(std::min<uint64_t>(size - head.size(), kReadPiece)), '\0');
        if (!ReadAt(message, head.size(), more)) return "it cannot be read";
        head += more;
    }
    const std::string boundary = MultipartBoundary(head.substr(0, headerEnd + 2));
    if (boundary.empty()) return {};
    if (head.find("\r\n--" + boundary + "\r\n", headerEnd) == std::string::npos) return "its first part is missing";
    std::string tail(static_cast<size_t>(std::min<uint64_t>(size, kTailBytes)), '\0');
    if (!ReadAt(message, size - tail.size(), tail)) return "it cannot be read";
    while (!tail.empty() && (tail.back() == '\r' || tail.back() == '\n' || tail.back() == ' ')) tail.pop_back();
    const std::string closing = "\r\n--" + boundary + "--";
    if (tail.size() < closing.size() || tail.compare(tail.size() - closing.size(), closing.size(), closing) != 0) {
        return "its MIME structure does not end";
    }
    return {};
}

}  // namespace relay
