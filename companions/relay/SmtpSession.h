// Delivery of outbox messages to the SMTP server of the settings, through
// libcurl over Schannel: STARTTLS or implicit TLS, AUTH, the server's SIZE.
//
// Before the first message a probe connection (no login, no message) finds
// out whether the server speaks TLS and checks its certificate; the delivery
// connection is then held to the checked key, so a server nobody vouches for
// gets neither the login nor a message.
//
// Every exchange is bounded by Timeout (T): connecting, each TLS handshake,
// each command with the server's whole reply, and every 64 KiB of message.
// The probe ends within kProbeExchanges x T, each message within
// (kMessageExchanges + recipients + 64 KiB blocks) x T, and the goodbye
// within T.
#pragma once

#include "companions/relay/RelaySettings.h"
#include "companions/relay/Secret.h"
#include "companions/relay/SmtpTranscript.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace relay {

// TCP connect, greeting, EHLO, STARTTLS, TLS handshake, EHLO, goodbye.
inline constexpr int kProbeExchanges = 7;
// The delivery connection as far as its login (TCP connect, greeting, EHLO,
// STARTTLS, TLS handshake, EHLO, AUTH LOGIN's three steps), then MAIL FROM,
// DATA, the end of the message, and the goodbye of a connection that a
// refusal closes.
inline constexpr int kConnectExchanges = 9;
inline constexpr int kMessageExchanges = kConnectExchanges + 4;
inline constexpr uint64_t kMessageBlockBytes = 64 * 1024;

struct Envelope {
    std::string sender;                   // bare address, "local@domain"
    std::vector<std::string> recipients;  // bare addresses, "local@domain"
};

enum class DeliveryStatus {
    Delivered,
    MessageRefused,  // this message only (a recipient, its size): go on with the next
    ServerUnusable,  // no connection, no trust, no login: stop for now
};

// What the user has to do about a delivery that did not happen.
enum class Trouble {
    Wait,      // nothing: the server is down or busy, and a later send delivers the message
    Settings,  // the settings cannot work: no server, a value that cannot be used, a sender it refuses
    Login,     // the server refused the login
    SignIn,    // the sign-in with the provider has expired or was withdrawn
    Trust,     // the server cannot be trusted (its certificate, no TLS where it is needed)
    TooLarge,  // this message is larger than the server takes: never sent
    Refused,   // the server refused this message for good (5xx): never sent
};

struct Delivery {
    DeliveryStatus status = DeliveryStatus::ServerUnusable;
    std::string problem;  // "host:port what happened", for the log
    Trouble trouble = Trouble::Wait;
    uint64_t sizeLimit = 0;  // the server's SIZE, with TooLarge
};

class SmtpSession {
public:
    // `secret`: the password, or the access token with AuthMethod=XOAUTH2 or
    // OAUTH2; empty without a login. Held by reference: it must outlive the
    // session.
    SmtpSession(const RelaySettings& settings, const Secret& secret);
    ~SmtpSession();
    SmtpSession(const SmtpSession&) = delete;
    SmtpSession& operator=(const SmtpSession&) = delete;

    // Connects, checks trust and logs in, and sends nothing: Delivered when
    // all of that worked.
    [[nodiscard]] Delivery TestLogin();

    // Sends one message read from the file's current position to its end.
    [[nodiscard]] Delivery Deliver(HANDLE message, uint64_t size, const Envelope& envelope);

    // What curl calls back with; not for other callers.
    void Trace(int kind, const char* data, size_t size) noexcept;
    [[nodiscard]] bool MessageFits() noexcept;

private:
    struct Curl;
    [[nodiscard]] bool Check(std::string& problem, Trouble& trouble);
    [[nodiscard]] Trouble TroubleOf(int code) const;
    [[nodiscard]] std::string Where() const;
    [[nodiscard]] std::string Describe(int code, const char* detail) const;
    void LoginOptions(void* easy) const;

    RelaySettings m_settings;
    std::string m_login;  // empty: no login
    const Secret& m_secret;
    std::unique_ptr<Curl> m_curl;
    SmtpTranscript m_transcript;
    bool m_checked = false;
    std::string m_checkProblem;
    Trouble m_checkTrouble = Trouble::Wait;
    bool m_tls = false;
    std::string m_pinnedKey;
    uint64_t m_messageSize = 0;
    std::string m_sizeProblem;
};

}  // namespace relay
