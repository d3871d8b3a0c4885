// The request a send hands to the Simple MAPI helper of the other bitness:
// one file per send in the per-user temporary folder, written by the link
// and read by the helper. UTF-8 text, one field a line:
//
//   Email32 Simple MAPI request 1
//   library<TAB>C:\Program Files\Mail\mapi.dll
//   window<TAB>0
//   subject<TAB>...            (at most once)
//   text<TAB>...               (at most once)
//   to<TAB>name<TAB>address    (any number, also "cc")
//   file<TAB>C:\Pictures\a.jpg (any number, in order)
//
// Every line ends in LF. In the values a backslash, tab, CR and LF are
// written \\, \t, \r and \n; no other control character appears. The reader
// takes nothing else: unknown or repeated fields, a bad escape, text that is
// no UTF-8, a library path that is not fully qualified or sizes beyond the
// caps are refused, so that a damaged or planted file makes no call at all.
// No Windows header here: the format is tested and fuzzed natively too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace email32::dispatch {

inline constexpr std::size_t kMapiRequestMaxBytes = 8u << 20;
inline constexpr std::size_t kMapiRequestMaxValue = 256u << 10;
inline constexpr std::size_t kMapiRequestMaxFiles = 10000;
inline constexpr std::size_t kMapiRequestMaxRecipients = 1000;

struct MapiRequestRecipient {
    bool cc = false;      // MAPI_CC, else MAPI_TO
    std::string name;     // UTF-8; may be empty
    std::string address;  // the bare address
};

struct MapiRequest {
    std::string library;       // the Simple MAPI library's full path, UTF-8
    std::uint64_t window = 0;  // the caller's window, as a number (0: none)
    std::string subject;       // UTF-8; empty when not given
    std::string text;
    std::vector<MapiRequestRecipient> recipients;
    std::vector<std::string> files;  // full paths, UTF-8, in the caller's order
};

// The request as the file holds it.
[[nodiscard]] std::string WriteMapiRequest(const MapiRequest& request);

// The request a file holds; nullopt, with `problem` naming the line, when it
// is not exactly a request of the form above.
[[nodiscard]] std::optional<MapiRequest> ReadMapiRequest(std::string_view data, std::string& problem);

}  // namespace email32::dispatch
