// Whether a mail server's certificate may be trusted, decided by the
// platform's own chain engine and SSL policy against the Windows certificate
// store, plus the extra trust anchors of a CaFile. Done by the plug-in itself
// because not every Schannel checks chains on its own (Wine's does not).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace relay {

struct ServerTrust {
    bool trusted = false;
    std::string problem;    // why not, for the log
    std::string pinnedKey;  // "sha256//BASE64" of the server key, to hold the delivery connection to it
};

// `certificates`: DER, as the server sent them (its own first or not).
// `caFile`: PEM file of extra anchors; empty for none. A CaFile that cannot
// be read or holds no certificate trusts nothing.
[[nodiscard]] ServerTrust CheckServerCertificates(const std::vector<std::string>& certificates, const std::string& host,
                                                  const std::wstring& caFile);

// The DER bytes of every "-----BEGIN CERTIFICATE-----" block of a PEM text.
[[nodiscard]] std::vector<std::string> CertificatesFromPem(std::string_view pem);

}  // namespace relay
