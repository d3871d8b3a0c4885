// The encodings an Internet message needs for binary files and for texts
// outside ASCII: base64 bodies, encoded words in headers and RFC 2231 file
// name parameters.
#pragma once

#include <string>
#include <string_view>

namespace email32::message {

// True when every byte is ASCII (below 0x80).
[[nodiscard]] bool IsAscii(std::string_view text) noexcept;

// Base64 of the bytes in lines of at most 76 characters, each ending in CRLF.
// Empty input gives the empty text. Pieces of a multiple of
// kBase64PieceBytes encode to the same lines as the whole.
[[nodiscard]] std::string Base64Lines(std::string_view bytes);
inline constexpr size_t kBase64PieceBytes = 57 * 1024;

// An unstructured header value (a subject) for a header whose name and
// colon-blank take `prefixLength` characters: folded at blanks so that no
// line passes 78 characters; text outside ASCII, or with a word too long to
// fold, as encoded words on lines of their own. Line breaks and other control
// characters become blanks, so a value can never add a header of its own.
[[nodiscard]] std::string HeaderText(std::string_view utf8, size_t prefixLength);

// UTF-8 text as RFC 2047 encoded words ("=?UTF-8?B?...?="), each at most 64
// characters and never cutting a character, joined by `separator`.
[[nodiscard]] std::string EncodedWords(std::string_view utf8, std::string_view separator);

// The parameter `attribute` carrying a UTF-8 file name, to follow "; " in a
// Content-Type or Content-Disposition header: a quoted string for ASCII names,
// RFC 2231 continuations (attribute*0*=UTF-8''...) otherwise. `folded`
// continuation lines start with CRLF and a blank.
[[nodiscard]] std::string FileNameParameter(std::string_view attribute, std::string_view utf8Name);

// The same name as one quoted value with encoded words, for mail readers that
// look only at Content-Type's "name".
[[nodiscard]] std::string LegacyNameParameter(std::string_view utf8Name);

// The media type for a file name, from its extension (case-insensitive).
[[nodiscard]] std::string ContentTypeForFileName(std::string_view fileName);

}  // namespace email32::message
