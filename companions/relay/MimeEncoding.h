// The encodings an Internet message needs for binary files and for texts
// outside ASCII: base64 bodies, encoded words in headers and RFC 2231 file
// name parameters.
#pragma once

#include <string>
#include <string_view>

namespace relay {

// Base64 of the bytes in lines of at most 76 characters, each ending in CRLF.
// Empty input gives the empty text.
[[nodiscard]] std::string Base64Lines(std::string_view bytes);

// A header value: ASCII text as it is, other UTF-8 text as encoded words
// folded onto continuation lines. Line breaks and other control characters
// become blanks, so a value can never add a header of its own.
[[nodiscard]] std::string HeaderText(std::string_view utf8);

// An address list header value ("Name <address>, ..."): display names outside
// ASCII become encoded words, addresses stay as they are.
[[nodiscard]] std::string AddressHeaderText(std::string_view utf8List);

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

}  // namespace relay
