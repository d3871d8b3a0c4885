#include "companions/relay/SmtpTranscript.h"

#include <cctype>
#include <cstdlib>

namespace relay {
namespace {

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return line;
}

std::string FirstWord(std::string_view text) {
    std::string word;
    for (const char c : text) {
        if (c == ' ') break;
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return word;
}

// The command a client line starts with, when it is one of these; empty for
// anything else (a login answer), which is looked at in place and never
// copied, as it carries the password.
std::string KnownVerb(std::string_view text) {
    static constexpr std::string_view kVerbs[] = {"EHLO", "HELO", "STARTTLS", "MAIL", "RCPT",
                                                  "DATA", "QUIT", "RSET",     "NOOP", "AUTH"};
    for (const std::string_view verb : kVerbs) {
        if (text.size() < verb.size() || (text.size() > verb.size() && text[verb.size()] != ' ')) continue;
        bool same = true;
        for (size_t i = 0; i < verb.size() && same; ++i) {
            same = std::toupper(static_cast<unsigned char>(text[i])) == verb[i];
        }
        if (same) return std::string(verb);
    }
    return {};
}

}  // namespace

void SmtpTranscript::Sent(std::string_view line) {
    const std::string_view text = WithoutLineEnd(line);
    const std::string verb = KnownVerb(text);
    // The goodbye after a failure must not hide what failed.
    if (verb == "QUIT") {
        m_quitting = true;
        return;
    }
    if (verb == "AUTH") {
        // The mechanism only: an initial response carries the password.
        const size_t blank = text.find(' ');
        m_command = "AUTH " + FirstWord(blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1));
    } else if (!verb.empty()) {
        m_command = std::string(text);
    }
    // Anything else answers a login challenge: the command stays "AUTH ...".
    if (verb == "MAIL") m_messageStarted = true;
    m_ehlo = verb == "EHLO";
    if (m_ehlo) m_sizeLimit = 0;
    m_reply.clear();
    m_code = 0;
    m_replyComplete = false;
}

void SmtpTranscript::Received(std::string_view line) {
    if (m_quitting) return;
    const std::string text(WithoutLineEnd(line));
    if (m_replyComplete) {
        // A reply with no command before it: after "354", the message went
        // out as data and this is the server's word on it.
        if (m_code == 354) m_command = "end of message";
        m_reply.clear();
        m_replyComplete = false;
        m_ehlo = false;
    }
    if (!m_reply.empty()) m_reply += " / ";
    m_reply += text;
    if (text.size() >= 3) m_code = std::atoi(text.substr(0, 3).c_str());
    m_replyComplete = text.size() < 4 || text[3] != '-';
    if (m_ehlo && text.size() > 9 && FirstWord(std::string_view(text).substr(4)) == "SIZE") {
        m_sizeLimit = std::strtoull(text.c_str() + 9, nullptr, 10);
    }
}

void SmtpTranscript::StartMessage() {
    // A new connection begins with the greeting; a reused one goes on with
    // MAIL FROM. The server's SIZE stays until its next EHLO.
    m_command = "greeting";
    m_reply.clear();
    m_code = 0;
    m_replyComplete = false;
    m_ehlo = false;
    m_messageStarted = false;
    m_quitting = false;
}

}  // namespace relay
