// The one-shot listener on 127.0.0.1 that takes the provider's redirect at
// the end of a browser sign-in: it answers the browser with a short page and
// hands back the query of the one request that carries the expected state.
#pragma once

#include <winsock2.h>

#include <string>

namespace relay {

struct Redirect {
    bool received = false;
    std::string code;
    std::string error;    // the provider's error, such as "access_denied"
    std::string problem;  // for a user
};

class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    [[nodiscard]] bool listening() const noexcept { return m_socket != INVALID_SOCKET; }
    // "http://127.0.0.1:PORT/"
    [[nodiscard]] std::string RedirectUri() const;
    // Waits up to `seconds` for the redirect with this state; other requests
    // (a browser's icon request, a stale tab) are answered and ignored.
    [[nodiscard]] Redirect Wait(const std::string& state, int seconds);

private:
    SOCKET m_socket = INVALID_SOCKET;
    int m_port = 0;
};

// The value of one parameter of a URL query ("a=1&b=2"), percent-decoded.
[[nodiscard]] std::string QueryValue(const std::string& query, const std::string& name);

}  // namespace relay
