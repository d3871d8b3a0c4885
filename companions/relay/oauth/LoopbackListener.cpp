#include "companions/relay/oauth/LoopbackListener.h"

#include <ws2tcpip.h>

#include <chrono>
#include <cstdlib>

namespace relay {
namespace {

bool SocketsReady() {
    static const bool ready = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

struct Connection {
    SOCKET s;
    ~Connection() { ::closesocket(s); }
};

void Answer(SOCKET s, const char* status, const std::string& text) {
    const std::string page =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Relay32</title></head><body><p>" + text +
        "</p></body></html>";
    const std::string reply = std::string("HTTP/1.1 ") + status +
                              "\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\nContent-Length: " +
                              std::to_string(page.size()) + "\r\n\r\n" + page;
    ::send(s, reply.data(), static_cast<int>(reply.size()), 0);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string QueryValue(const std::string& query, const std::string& name) {
    size_t at = 0;
    while (at <= query.size()) {
        size_t end = query.find('&', at);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(at, end - at);
        if (pair.compare(0, name.size() + 1, name + "=") == 0) {
            std::string value;
            for (size_t i = name.size() + 1; i < pair.size(); ++i) {
                if (pair[i] == '+') value += ' ';
                else if (pair[i] == '%' && i + 2 < pair.size() && HexValue(pair[i + 1]) >= 0 &&
                         HexValue(pair[i + 2]) >= 0) {
                    value += static_cast<char>(HexValue(pair[i + 1]) * 16 + HexValue(pair[i + 2]));
                    i += 2;
                } else {
                    value += pair[i];
                }
            }
            return value;
        }
        at = end + 1;
    }
    return {};
}

LoopbackListener::LoopbackListener() {
    if (!SocketsReady()) return;
    m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_socket == INVALID_SOCKET) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int size = sizeof address;
    if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(m_socket, 4) != 0 ||
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::closesocket(m_socket);
        m_socket = INVALID_SOCKET;
        return;
    }
    m_port = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() {
    if (m_socket != INVALID_SOCKET) ::closesocket(m_socket);
}

std::string LoopbackListener::RedirectUri() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }

Redirect LoopbackListener::Wait(const std::string& state, int seconds) {
    Redirect redirect;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (listening()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(m_socket, &ready);
        timeval wait{static_cast<long>(left.count() / 1000), static_cast<long>(left.count() % 1000) * 1000};
        if (::select(0, &ready, nullptr, nullptr, &wait) <= 0) continue;
        const Connection connection{::accept(m_socket, nullptr, nullptr)};
        if (connection.s == INVALID_SOCKET) continue;
        // The request line and headers; a redirect is short.
        DWORD timeout = 5000;
        ::setsockopt(connection.s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        std::string request;
        char buffer[2048];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
            const int got = ::recv(connection.s, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            request.append(buffer, static_cast<size_t>(got));
        }
        const size_t lineEnd = request.find("\r\n");
        const std::string line = request.substr(0, lineEnd == std::string::npos ? 0 : lineEnd);
        const size_t target = line.find(' ');
        const size_t targetEnd = line.find(' ', target + 1);
        if (line.compare(0, 4, "GET ") != 0 || targetEnd == std::string::npos) {
            Answer(connection.s, "400 Bad Request", "Not a sign-in answer.");
            continue;
        }
        const std::string path = line.substr(target + 1, targetEnd - target - 1);
        const size_t question = path.find('?');
        const std::string query = question == std::string::npos ? "" : path.substr(question + 1);
        if (path.compare(0, question, "/") != 0 || QueryValue(query, "state") != state) {
            Answer(connection.s, "404 Not Found", "Not a sign-in answer.");
            continue;
        }
        redirect.received = true;
        redirect.code = QueryValue(query, "code");
        redirect.error = QueryValue(query, "error");
        Answer(connection.s, "200 OK",
               redirect.code.empty() ? "Sign-in did not complete. You can close this window."
                                     : "Signed in. You can close this window and return to the program.");
        ::closesocket(m_socket);
        m_socket = INVALID_SOCKET;
        return redirect;
    }
    redirect.problem = "no answer from the browser within " + std::to_string(seconds) + " s";
    return redirect;
}

}  // namespace relay
