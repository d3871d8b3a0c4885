// What one SMTP connection said, as far as the log and the plug-in's
// decisions need it: the last command (login data never kept) with the
// server's whole reply to it, and what the server offered after EHLO.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace relay {

class SmtpTranscript {
public:
    // A command line the client sent (with its CRLF).
    void Sent(std::string_view line);
    // A reply line the server sent (with its CRLF).
    void Received(std::string_view line);
    // A new message begins on the connection.
    void StartMessage();

    // "greeting" before any command; "AUTH PLAIN" for a login; "end of
    // message" for the reply after the message's last line.
    [[nodiscard]] const std::string& command() const noexcept { return m_command; }
    // The reply lines joined by " / "; empty when none came.
    [[nodiscard]] const std::string& reply() const noexcept { return m_reply; }
    [[nodiscard]] int replyCode() const noexcept { return m_code; }
    // MAIL FROM went out for the current message: a refusal from here on
    // concerns this message, not the server.
    [[nodiscard]] bool messageStarted() const noexcept { return m_messageStarted; }
    // The server's SIZE limit in bytes, 0 when it names none.
    [[nodiscard]] uint64_t sizeLimit() const noexcept { return m_sizeLimit; }

private:
    std::string m_command = "greeting";
    std::string m_reply;
    int m_code = 0;
    bool m_replyComplete = false;
    bool m_messageStarted = false;
    bool m_ehlo = false;
    bool m_quitting = false;
    uint64_t m_sizeLimit = 0;
};

}  // namespace relay
