// One HTTPS request of the plug-in (autoconfig answers, sign-in endpoints),
// held to the same trust as its SMTP connections: a probe handshake reads
// the server's certificates, the plug-in's own check (TlsTrust.h) judges
// them against the Windows store and CaFile, and the request itself is then
// pinned to the key just checked. Nothing is sent to a server that fails.
// Every answer is read with a size cap and the whole exchange with a time
// limit; redirects are not followed.
#pragma once

#include <string>

namespace relay {

struct HttpsRequest {
    std::string url;            // https:// only
    std::string form;           // x-www-form-urlencoded body; empty for GET
    std::wstring caFile;        // extra trust anchors, as for SMTP
    size_t maxBytes = 1 << 20;  // a longer answer is refused
    long timeLimitMs = 10000;   // the whole exchange, probe included
};

struct HttpsAnswer {
    bool received = false;  // an HTTP answer came, whatever its status
    long status = 0;
    std::string body;
    std::string problem;  // when nothing usable came: what happened, for a user
};

[[nodiscard]] HttpsAnswer HttpsFetch(const HttpsRequest& request);

// application/x-www-form-urlencoded: letters, digits and "-._~" as they are,
// everything else as %XX of its UTF-8 bytes.
[[nodiscard]] std::string FormEncoded(const std::string& text);

}  // namespace relay
