#include "companions/relay/SmtpClient.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace relay {
namespace {

// Replies longer than this are not a mail server talking.
constexpr size_t kMaximumReply = 64 * 1024;

class WinsockSession {
public:
    WinsockSession() noexcept {
        WSADATA data;
        m_started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    ~WinsockSession() {
        if (m_started) ::WSACleanup();
    }
    [[nodiscard]] bool started() const noexcept { return m_started; }

private:
    bool m_started = false;
};

class Socket {
public:
    Socket() noexcept = default;
    explicit Socket(SOCKET s) noexcept : m_socket(s) {}
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    Socket(Socket&& other) noexcept : m_socket(std::exchange(other.m_socket, INVALID_SOCKET)) {}
    Socket& operator=(Socket&& other) noexcept {
        if (this != &other) {
            close();
            m_socket = std::exchange(other.m_socket, INVALID_SOCKET);
        }
        return *this;
    }
    ~Socket() { close(); }
    [[nodiscard]] SOCKET get() const noexcept { return m_socket; }
    [[nodiscard]] bool valid() const noexcept { return m_socket != INVALID_SOCKET; }

private:
    void close() noexcept {
        if (m_socket != INVALID_SOCKET) ::closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
    SOCKET m_socket = INVALID_SOCKET;
};

struct AddressInfo {
    addrinfo* list = nullptr;
    AddressInfo() = default;
    AddressInfo(const AddressInfo&) = delete;
    AddressInfo& operator=(const AddressInfo&) = delete;
    ~AddressInfo() {
        if (list) ::freeaddrinfo(list);
    }
};

std::string ErrorText(const char* what, int code) {
    char text[96];
    if (code == WSAETIMEDOUT) std::snprintf(text, sizeof text, "%s: timed out", what);
    else if (code == WSAECONNREFUSED) std::snprintf(text, sizeof text, "%s: connection refused", what);
    else std::snprintf(text, sizeof text, "%s: socket error %d", what, code);
    return text;
}

// Waits until the socket can be read (or written); false on timeout.
bool Wait(SOCKET s, bool forWriting, int seconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(s, &failed);
    timeval limit{seconds, 0};
    const int ready = ::select(0, forWriting ? nullptr : &set, forWriting ? &set : nullptr, &failed, &limit);
    return ready > 0;
}

class Conversation {
public:
    Conversation(Socket socket, int timeoutSeconds) : m_socket(std::move(socket)), m_timeout(timeoutSeconds) {}

    // Reads one reply, multi-line ones whole; returns its code, 0 on failure
    // (m_problem then says why).
    int Reply(const char* step) {
        m_reply.clear();
        for (;;) {
            const size_t end = m_buffer.find("\r\n");
            if (end != std::string::npos) {
                const std::string line = m_buffer.substr(0, end);
                m_buffer.erase(0, end + 2);
                if (!m_reply.empty()) m_reply += " / ";
                m_reply += line;
                if (line.size() < 3 || (line.size() > 3 && line[3] == '-')) continue;
                const int code = std::atoi(line.substr(0, 3).c_str());
                if (code < 100 || code > 599) return Fail(step, "malformed reply: " + m_reply);
                return code;
            }
            if (m_buffer.size() + m_reply.size() > kMaximumReply) return Fail(step, "reply too long");
            if (!Wait(m_socket.get(), false, m_timeout)) return Fail(step, "timed out waiting for the server");
            char chunk[1024];
            const int got = ::recv(m_socket.get(), chunk, sizeof chunk, 0);
            if (got == 0) return Fail(step, "the server closed the connection");
            if (got < 0) return Fail(step, ErrorText("receive", ::WSAGetLastError()));
            m_buffer.append(chunk, static_cast<size_t>(got));
        }
    }

    [[nodiscard]] bool Send(const char* step, std::string_view text) {
        while (!text.empty()) {
            if (!Wait(m_socket.get(), true, m_timeout)) return Fail(step, "timed out sending"), false;
            const int part = static_cast<int>(text.size() < 65536 ? text.size() : 65536);
            const int sent = ::send(m_socket.get(), text.data(), part, 0);
            if (sent <= 0) return Fail(step, ErrorText("send", ::WSAGetLastError())), false;
            text.remove_prefix(static_cast<size_t>(sent));
        }
        return true;
    }

    // Sends a command line and expects a reply in [low, high].
    [[nodiscard]] bool Command(const std::string& line, int low, int high) {
        if (!Send(line.c_str(), line + "\r\n")) return false;
        return Expect(line.c_str(), low, high);
    }

    [[nodiscard]] bool Expect(const char* step, int low, int high) {
        const int code = Reply(step);
        if (code == 0) return false;
        if (code < low || code > high) return Fail(step, "refused: " + m_reply), false;
        return true;
    }

    [[nodiscard]] const std::string& problem() const noexcept { return m_problem; }

private:
    int Fail(const char* step, const std::string& why) {
        m_problem = std::string(step) + ": " + why;
        return 0;
    }

    Socket m_socket;
    int m_timeout;
    std::string m_buffer;
    std::string m_reply;
    std::string m_problem;
};

// Connects to the first address that answers within the timeout.
Socket Connect(const SmtpServer& server, std::string& problem) {
    AddressInfo found;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    const std::string port = std::to_string(server.port);
    if (::getaddrinfo(server.host.c_str(), port.c_str(), &hints, &found.list) != 0 || !found.list) {
        problem = "cannot resolve " + server.host;
        return Socket();
    }
    problem = "connect: no address";
    for (addrinfo* a = found.list; a; a = a->ai_next) {
        Socket s(::socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (!s.valid()) continue;
        u_long nonBlocking = 1;
        ::ioctlsocket(s.get(), FIONBIO, &nonBlocking);
        if (::connect(s.get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
            const int error = ::WSAGetLastError();
            if (error != WSAEWOULDBLOCK && error != WSAEINPROGRESS) {
                problem = ErrorText("connect", error);
                continue;
            }
            if (!Wait(s.get(), true, server.timeoutSeconds)) {
                int code = 0;
                int size = sizeof code;
                ::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &size);
                problem = code ? ErrorText("connect", code) : std::string("connect: timed out");
                continue;
            }
            int code = 0;
            int size = sizeof code;
            ::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &size);
            if (code != 0) {
                problem = ErrorText("connect", code);
                continue;
            }
        }
        problem.clear();
        return s;
    }
    return Socket();
}

std::string ClientName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (!::GetComputerNameA(name, &size) || size == 0) return "localhost";
    std::string text;
    for (DWORD i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        text += (std::isalnum(c) || c == '-') ? static_cast<char>(c) : '-';
    }
    return text;
}

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

std::string AddressOf(std::string_view mailbox) {
    const size_t open = mailbox.find('<');
    const size_t close = mailbox.find('>', open == std::string_view::npos ? 0 : open);
    if (open != std::string_view::npos && close != std::string_view::npos) {
        return Trimmed(mailbox.substr(open + 1, close - open - 1));
    }
    return Trimmed(mailbox);
}

std::vector<std::string> AddressList(std::string_view list) {
    std::vector<std::string> addresses;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find_first_of(",;", start);
        if (end == std::string_view::npos) end = list.size();
        std::string address = AddressOf(list.substr(start, end - start));
        if (!address.empty()) addresses.push_back(std::move(address));
        start = end + 1;
    }
    return addresses;
}

std::string DataTransparent(std::string_view message) {
    std::string out;
    out.reserve(message.size() + message.size() / 64 + 8);
    bool lineStart = true;
    for (size_t i = 0; i < message.size(); ++i) {
        const char c = message[i];
        if (lineStart && c == '.') out += '.';
        if (c == '\n' && (out.empty() || out.back() != '\r')) out += '\r';  // bare LF
        if (c == '\r' && (i + 1 >= message.size() || message[i + 1] != '\n')) {
            out += "\r\n";  // bare CR
            lineStart = true;
            continue;
        }
        out += c;
        lineStart = c == '\n';
    }
    if (!out.empty() && !lineStart) out += "\r\n";
    return out + ".\r\n";
}

SmtpOutcome DeliverBySmtp(const SmtpServer& server, const std::string& mailFrom,
                          const std::vector<std::string>& recipients, const std::string& message) {
    SmtpOutcome outcome;
    const std::string where = server.host + ":" + std::to_string(server.port);
    if (recipients.empty()) {
        outcome.problem = "no recipient";
        return outcome;
    }
    const WinsockSession winsock;
    if (!winsock.started()) {
        outcome.problem = "Winsock is not available";
        return outcome;
    }
    std::string problem;
    Socket socket = Connect(server, problem);
    if (!socket.valid()) {
        outcome.problem = where + " " + problem;
        return outcome;
    }
    Conversation smtp(std::move(socket), server.timeoutSeconds);
    const std::string name = ClientName();
    const bool ok = [&] {
        if (!smtp.Expect("greeting", 220, 220)) return false;
        if (!smtp.Command("EHLO " + name, 250, 250) && !smtp.Command("HELO " + name, 250, 250)) return false;
        if (!smtp.Command("MAIL FROM:<" + mailFrom + ">", 250, 251)) return false;
        for (const std::string& r : recipients) {
            if (!smtp.Command("RCPT TO:<" + r + ">", 250, 251)) return false;
        }
        if (!smtp.Command("DATA", 354, 354)) return false;
        if (!smtp.Send("message", DataTransparent(message))) return false;
        return smtp.Expect("end of message", 250, 250);
    }();
    if (!ok) {
        outcome.problem = where + " " + smtp.problem();
        return outcome;
    }
    // The message is accepted; a failed goodbye changes nothing.
    (void)smtp.Command("QUIT", 221, 221);
    outcome.delivered = true;
    return outcome;
}

}  // namespace relay
