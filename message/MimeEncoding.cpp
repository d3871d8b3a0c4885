#include "message/MimeEncoding.h"

#include <cctype>
#include <cstdint>
#include <vector>

namespace email32::message {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t kBase64LineLength = 76;
// Bytes per encoded word: 39 bytes are 52 base64 characters, so that
// "=?UTF-8?B?" + 52 + "?=" stays well inside a 78-character line.
constexpr size_t kEncodedWordBytes = 39;
// Characters of percent-encoded name per RFC 2231 continuation line.
constexpr size_t kContinuationLength = 60;
// RFC 5322: lines SHOULD stay within 78 characters.
constexpr size_t kLongestHeaderLine = 78;

std::string Base64(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v = (uint32_t(uint8_t(bytes[i])) << 16) | (uint32_t(uint8_t(bytes[i + 1])) << 8) |
                           uint32_t(uint8_t(bytes[i + 2]));
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
        if (rest == 2) v |= uint32_t(uint8_t(bytes[i + 1])) << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// Length of the UTF-8 sequence that starts at text[i], at least 1 and never
// past the end, so that malformed text still advances.
size_t SequenceLength(std::string_view text, size_t i) noexcept {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = 1;
    if (lead >= 0xF0) length = 4;
    else if (lead >= 0xE0) length = 3;
    else if (lead >= 0xC0) length = 2;
    return i + length <= text.size() ? length : text.size() - i;
}

std::string WithoutControls(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    return out;
}

bool IsAttributeChar(unsigned char c) noexcept {
    if (std::isalnum(c)) return true;
    switch (c) {
    case '!':
    case '#':
    case '$':
    case '&':
    case '+':
    case '-':
    case '.':
    case '^':
    case '_':
    case '`':
    case '|':
    case '~': return true;
    default: return false;
    }
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string Base64Lines(std::string_view bytes) {
    const std::string flat = Base64(bytes);
    std::string out;
    out.reserve(flat.size() + flat.size() / kBase64LineLength * 2 + 2);
    for (size_t i = 0; i < flat.size(); i += kBase64LineLength) {
        out.append(flat, i, kBase64LineLength);
        out += "\r\n";
    }
    return out;
}

std::string HeaderText(std::string_view utf8, size_t prefixLength) {
    const std::string clean = WithoutControls(utf8);
    if (!IsAscii(clean)) return EncodedWords(clean, "\r\n ");
    // Fold before the blanks that precede a word which would pass the line.
    std::string out;
    size_t line = prefixLength;
    size_t i = 0;
    while (i < clean.size()) {
        const size_t wordStart = clean.find_first_not_of(' ', i);
        if (wordStart == std::string::npos) {
            out.append(clean, i, std::string::npos);  // trailing blanks stay on the line
            break;
        }
        size_t wordEnd = clean.find(' ', wordStart);
        if (wordEnd == std::string::npos) wordEnd = clean.size();
        const size_t piece = wordEnd - i;  // blanks and word
        if (line + piece > kLongestHeaderLine) {
            // A word that no fold can fit: encoded words can be cut anywhere.
            if (i == 0 || piece > kLongestHeaderLine) return EncodedWords(clean, "\r\n ");
            out += "\r\n";
            line = 0;
        }
        out.append(clean, i, piece);
        line += piece;
        i = wordEnd;
    }
    return out;
}

std::string EncodedWords(std::string_view utf8, std::string_view separator) {
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        size_t end = i;
        while (end < utf8.size()) {
            const size_t next = end + SequenceLength(utf8, end);
            if (next - i > kEncodedWordBytes && end > i) break;
            end = next;
        }
        if (!out.empty()) out += separator;
        out += "=?UTF-8?B?" + Base64(utf8.substr(i, end - i)) + "?=";
        i = end;
    }
    return out;
}

std::string FileNameParameter(std::string_view attribute, std::string_view utf8Name) {
    const std::string clean = WithoutControls(utf8Name);
    if (IsAscii(clean)) return std::string(attribute) + "=" + Quoted(clean);

    // Percent-encode whole characters and cut into continuations between them.
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    std::string segment = "UTF-8''";
    int index = 0;
    const auto flush = [&] {
        if (!out.empty()) out += ";\r\n ";
        out += std::string(attribute) + "*" + std::to_string(index++) + "*=" + segment;
        segment.clear();
    };
    for (size_t i = 0; i < clean.size();) {
        const size_t length = SequenceLength(clean, i);
        std::string encoded;
        for (size_t k = i; k < i + length; ++k) {
            const auto c = static_cast<unsigned char>(clean[k]);
            if (IsAttributeChar(c)) {
                encoded += static_cast<char>(c);
            } else {
                encoded += '%';
                encoded += kHex[c >> 4];
                encoded += kHex[c & 15];
            }
        }
        if (!segment.empty() && segment.size() + encoded.size() > kContinuationLength) flush();
        segment += encoded;
        i += length;
    }
    if (!segment.empty() || out.empty()) flush();
    return out;
}

std::string LegacyNameParameter(std::string_view utf8Name) {
    const std::string clean = WithoutControls(utf8Name);
    if (IsAscii(clean)) return "name=" + Quoted(clean);
    return "name=\"" + EncodedWords(clean, " ") + "\"";
}

std::string ContentTypeForFileName(std::string_view fileName) {
    const size_t dot = fileName.find_last_of('.');
    const size_t slash = fileName.find_last_of("\\/");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) {
        return "application/octet-stream";
    }
    std::string extension;
    for (const char c : fileName.substr(dot + 1)) {
        extension += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    struct Mapping {
        const char* extension;
        const char* type;
    };
    static constexpr Mapping kTypes[] = {
        {"jpg", "image/jpeg"},  {"jpeg", "image/jpeg"}, {"jpe", "image/jpeg"}, {"gif", "image/gif"},
        {"png", "image/png"},   {"bmp", "image/bmp"},   {"tif", "image/tiff"}, {"tiff", "image/tiff"},
        {"pcx", "image/x-pcx"}, {"tga", "image/x-tga"},
    };
    for (const Mapping& m : kTypes) {
        if (extension == m.extension) return m.type;
    }
    return "application/octet-stream";
}

bool IsAscii(std::string_view text) noexcept {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace email32::message
