// What every connection of the plug-in through libcurl shares, whatever its
// protocol: libcurl started once with memory that is wiped as it is given
// back, TLS 1.2 at least, and the server's certificates checked by
// CheckServerCertificates (the plug-in's own check) rather than by libcurl,
// every later connection held to the key checked there.
#pragma once

#include <curl/curl.h>

#include <string>
#include <vector>

namespace relay {

// Starts libcurl once per process; false when it cannot start.
[[nodiscard]] bool CurlReady();

// TLS 1.2 or newer, and libcurl's own certificate checks off: the caller
// checks the certificates (ServerCertificates, CheckServerCertificates) or
// holds the connection to a checked key (PinToCheckedKey).
void SecureTls(CURL* easy);

// Asks a connection to keep the server's certificates for ServerCertificates.
void KeepServerCertificates(CURL* easy);
// The certificates (DER) the server of a finished connection sent.
[[nodiscard]] std::vector<std::string> ServerCertificates(CURL* easy);

// Holds every connection of the handle to the key CheckServerCertificates
// checked ("sha256//BASE64"); the text must live as long as the handle.
void PinToCheckedKey(CURL* easy, const std::string& pinnedKey);

}  // namespace relay
