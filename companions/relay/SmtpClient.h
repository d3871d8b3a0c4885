// Delivers one message to an SMTP server over plain TCP (RFC 5321): greeting,
// EHLO (HELO when refused), MAIL FROM, RCPT TO, DATA, QUIT. Every wait on the
// server is bounded, so a silent or slow server cannot hold the caller.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace relay {

struct SmtpServer {
    std::string host;
    unsigned short port = 25;
    int timeoutSeconds = 30;  // for connecting and for each reply or send
};

struct SmtpOutcome {
    bool delivered = false;
    std::string problem;  // what went wrong, with the server's reply if any
};

[[nodiscard]] SmtpOutcome DeliverBySmtp(const SmtpServer& server, const std::string& mailFrom,
                                        const std::vector<std::string>& recipients, const std::string& message);

// The message as DATA carries it: lines ending in CRLF, a dot doubled at the
// start of a line, ending with the "." line.
[[nodiscard]] std::string DataTransparent(std::string_view message);

// The address inside "Name <address>", or the trimmed text itself.
[[nodiscard]] std::string AddressOf(std::string_view mailbox);

// The addresses of a list separated by commas or semicolons; empty entries
// are dropped.
[[nodiscard]] std::vector<std::string> AddressList(std::string_view list);

}  // namespace relay
