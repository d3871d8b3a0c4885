#include "companions/relay/SmtpSession.h"

#include "companions/relay/CurlTls.h"
#include "companions/relay/TlsTrust.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

namespace relay {
namespace {

struct EasyDeleter {
    void operator()(CURL* easy) const noexcept { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

struct ListDeleter {
    void operator()(curl_slist* list) const noexcept { curl_slist_free_all(list); }
};
using List = std::unique_ptr<curl_slist, ListDeleter>;

int TraceCallback(CURL*, curl_infotype kind, char* data, size_t size, void* session) {
    static_cast<SmtpSession*>(session)->Trace(static_cast<int>(kind), data, size);
    return 0;
}

int PrereqCallback(void* session, char*, char*, int, int) {
    return static_cast<SmtpSession*>(session)->MessageFits() ? CURL_PREREQFUNC_OK : CURL_PREREQFUNC_ABORT;
}

size_t ReadCallback(char* buffer, size_t size, size_t count, void* file) {
    const size_t wanted = std::min<size_t>(size * count, 1u << 30);
    DWORD got = 0;
    if (!::ReadFile(static_cast<HANDLE>(file), buffer, static_cast<DWORD>(wanted), &got, nullptr)) {
        return CURL_READFUNC_ABORT;
    }
    return got;
}

// Letters, digits, dots and hyphens, or an IPv6 address: nothing that could
// change the meaning of the URL it goes into.
bool IsServerName(const std::string& host) {
    if (host.empty()) return false;
    const bool ipv6 = host.find(':') != std::string::npos;
    for (const char c : host) {
        const bool allowed = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' ||
                             (ipv6 && (c == ':' || c == '[' || c == ']'));
        if (!allowed) return false;
    }
    return true;
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

}  // namespace

struct SmtpSession::Curl {
    Easy easy;
    char error[CURL_ERROR_SIZE] = {};
};

SmtpSession::SmtpSession(const RelaySettings& settings, const Secret& secret)
    : m_settings(settings), m_login(LoginName(settings)), m_secret(secret), m_curl(std::make_unique<Curl>()) {}

// Says goodbye to the server; libcurl's copy of the password goes with the
// handle, wiped by the allocator above.
SmtpSession::~SmtpSession() = default;

std::string SmtpSession::Where() const { return m_settings.host + ":" + std::to_string(m_settings.port); }

// Called from inside libcurl, which no exception may cross.
void SmtpSession::Trace(int kind, const char* data, size_t size) noexcept {
    try {
        if (kind == CURLINFO_HEADER_OUT) m_transcript.Sent(std::string_view(data, size));
        if (kind == CURLINFO_HEADER_IN) m_transcript.Received(std::string_view(data, size));
    } catch (...) {
        // Out of memory for a log text: the transfer goes on without it.
    }
}

bool SmtpSession::MessageFits() noexcept {
    const uint64_t limit = m_transcript.sizeLimit();
    if (limit == 0 || m_messageSize <= limit) return true;
    try {
        m_sizeProblem = "the message (" + std::to_string(m_messageSize) +
                        " bytes) is larger than the server takes (SIZE " + std::to_string(limit) + ")";
    } catch (...) {
        m_sizeProblem.clear();
    }
    return false;
}

// Options both connections share.
static void CommonOptions(CURL* easy, SmtpSession* session, char* error, const RelaySettings& settings) {
    std::string host = settings.host;
    if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
    const std::string url = std::string(settings.security == Security::Tls ? "smtps://" : "smtp://") + host + ":" +
                            std::to_string(settings.port) + "/" + ClientName();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, TraceCallback);
    curl_easy_setopt(easy, CURLOPT_DEBUGDATA, session);
    curl_easy_setopt(easy, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(settings.timeoutSeconds));
    // Nothing older than TLS 1.2; the chain and the name are checked by
    // CheckServerCertificates after the probe, and the delivery connection
    // is pinned to the key checked there.
    SecureTls(easy);
}

void SmtpSession::LoginOptions(void* handle) const {
    CURL* easy = static_cast<CURL*>(handle);
    if (m_login.empty()) return;
    curl_easy_setopt(easy, CURLOPT_USERNAME, m_login.c_str());
    const std::string& method = m_settings.authMethod;
    if (method == "XOAUTH2" || method == "OAUTH2") curl_easy_setopt(easy, CURLOPT_XOAUTH2_BEARER, m_secret.c_str());
    else curl_easy_setopt(easy, CURLOPT_PASSWORD, m_secret.c_str());
    // OAUTH2: OAUTHBEARER or XOAUTH2, whichever the server offers.
    if (!method.empty() && method != "OAUTH2") {
        curl_easy_setopt(easy, CURLOPT_LOGIN_OPTIONS, ("AUTH=" + method).c_str());
    }
}

Delivery SmtpSession::TestLogin() {
    std::string problem;
    Trouble trouble = Trouble::Wait;
    if (!Check(problem, trouble))
        return {DeliveryStatus::ServerUnusable, problem.empty() ? Where() + " cannot be used" : problem, trouble};
    const Easy easy(curl_easy_init());
    if (!easy) return {DeliveryStatus::ServerUnusable, "the SMTP library cannot start"};
    CommonOptions(easy.get(), this, m_curl->error, m_settings);
    curl_easy_setopt(easy.get(), CURLOPT_USE_SSL, static_cast<long>(m_tls ? CURLUSESSL_ALL : CURLUSESSL_NONE));
    if (m_tls) PinToCheckedKey(easy.get(), m_pinnedKey);
    curl_easy_setopt(easy.get(), CURLOPT_CONNECTTIMEOUT_MS, kConnectExchanges * m_settings.timeoutSeconds * 1000L);
    // Connecting an SMTP transfer includes its login; nothing is sent after it.
    curl_easy_setopt(easy.get(), CURLOPT_CONNECT_ONLY, 1L);
    LoginOptions(easy.get());
    m_curl->error[0] = '\0';
    const CURLcode done = curl_easy_perform(easy.get());
    if (done != CURLE_OK)
        return {DeliveryStatus::ServerUnusable, Where() + " " + Describe(done, m_curl->error), TroubleOf(done)};
    return {DeliveryStatus::Delivered, {}};
}

// What a failed transfer asks of the user; a server that is down, slow or
// busy asks nothing.
Trouble SmtpSession::TroubleOf(int code) const {
    switch (code) {
    case CURLE_LOGIN_DENIED: return Trouble::Login;
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_PEER_FAILED_VERIFICATION: return Trouble::Trust;
    default: break;
    }
    // A sender refused for good is refused for every message: the settings
    // name one the server does not take from this account.
    if (m_transcript.replyCode() >= 500 && m_transcript.command().rfind("MAIL", 0) == 0) return Trouble::Settings;
    return Trouble::Wait;
}

bool SmtpSession::Check(std::string& problem, Trouble& trouble) {
    const std::string& host = m_settings.host;
    trouble = Trouble::Settings;
    if (!CurlReady()) return trouble = Trouble::Wait, problem = "the SMTP library cannot start", false;
    if (!IsServerName(host)) return problem = "Host=" + host + " is not a server name", false;
    if (m_settings.security == Security::None) {
        if (!m_login.empty()) {
            problem = "Security=none: the password for " + m_login + " is never sent in plain text";
            return false;
        }
        return true;
    }

    trouble = Trouble::Wait;
    const long timeoutMs = m_settings.timeoutSeconds * 1000L;
    const Easy probe(curl_easy_init());
    char error[CURL_ERROR_SIZE] = {};
    if (!probe) return problem = "the SMTP library cannot start", false;
    CommonOptions(probe.get(), this, error, m_settings);
    curl_easy_setopt(probe.get(), CURLOPT_USE_SSL,
                     static_cast<long>(m_settings.security == Security::Auto ? CURLUSESSL_TRY : CURLUSESSL_ALL));
    curl_easy_setopt(probe.get(), CURLOPT_CONNECT_ONLY, 1L);
    KeepServerCertificates(probe.get());
    curl_easy_setopt(probe.get(), CURLOPT_CONNECTTIMEOUT_MS, (kProbeExchanges - 1) * timeoutMs);
    const CURLcode probed = curl_easy_perform(probe.get());
    if (probed != CURLE_OK)
        return trouble = TroubleOf(probed), problem = Where() + " " + Describe(probed, error), false;

    const std::vector<std::string> certificates = ServerCertificates(probe.get());
    // A server reached in plain text where TLS is needed cannot be trusted
    // with anything.
    trouble = Trouble::Trust;
    if (certificates.empty()) {
        if (!IsLoopbackHost(host)) {
            problem = Where() + " offers no STARTTLS, and plain text goes only to a server on this computer";
            return false;
        }
        if (!m_login.empty()) {
            problem = Where() + " offers no STARTTLS, and the password for " + m_login + " is never sent in plain text";
            return false;
        }
        return true;
    }
    const ServerTrust trust = CheckServerCertificates(certificates, host, m_settings.caFile);
    if (!trust.trusted) return problem = Where() + " is not trusted: " + trust.problem + "; nothing was sent", false;
    m_tls = true;
    m_pinnedKey = trust.pinnedKey;
    return true;
}

std::string SmtpSession::Describe(int code, const char* detail) const {
    const std::string text = detail && *detail ? detail : curl_easy_strerror(static_cast<CURLcode>(code));
    const std::string& command = m_transcript.command();
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST: return "cannot resolve " + m_settings.host;
    case CURLE_COULDNT_CONNECT: return "connect: " + text;
    case CURLE_OPERATION_TIMEDOUT: return command + ": timed out (" + text + ")";
    case CURLE_LOGIN_DENIED: return "login failed for " + m_login + ": " + m_transcript.reply();
    case CURLE_USE_SSL_FAILED: return "offers no STARTTLS; nothing was sent";
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        return "showed another key than the one checked moments before; nothing was sent";
    default: break;
    }
    if (m_transcript.replyCode() >= 400) return command + ": refused: " + m_transcript.reply();
    return command + ": " + text;
}

Delivery SmtpSession::Deliver(HANDLE message, uint64_t size, const Envelope& envelope) {
    const long timeoutMs = m_settings.timeoutSeconds * 1000L;
    if (!m_checked) {
        m_checked = true;
        if (Check(m_checkProblem, m_checkTrouble)) {
            m_curl->easy.reset(curl_easy_init());
            if (!m_curl->easy) m_checkProblem = "the SMTP library cannot start";
            m_checkTrouble = Trouble::Wait;
        } else if (m_checkProblem.empty()) {
            m_checkProblem = Where() + " cannot be used";
        }
        if (m_checkProblem.empty()) {
            CURL* easy = m_curl->easy.get();
            CommonOptions(easy, this, m_curl->error, m_settings);
            curl_easy_setopt(easy, CURLOPT_USE_SSL, static_cast<long>(m_tls ? CURLUSESSL_ALL : CURLUSESSL_NONE));
            if (m_tls) PinToCheckedKey(easy, m_pinnedKey);
            curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, kConnectExchanges * timeoutMs);
            // Under 64 KiB per Timeout for Timeout seconds: the server has stalled.
            curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT,
                             static_cast<long>(kMessageBlockBytes / static_cast<uint64_t>(m_settings.timeoutSeconds)));
            curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_settings.timeoutSeconds));
            curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, PrereqCallback);
            curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
            curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
            curl_easy_setopt(easy, CURLOPT_READFUNCTION, ReadCallback);
            LoginOptions(easy);
        }
    }
    if (!m_checkProblem.empty()) return {DeliveryStatus::ServerUnusable, m_checkProblem, m_checkTrouble};

    CURL* easy = m_curl->easy.get();
    List recipients;
    for (const std::string& r : envelope.recipients) {
        curl_slist* longer = curl_slist_append(recipients.get(), r.c_str());
        if (!longer) return {DeliveryStatus::ServerUnusable, "out of memory for the recipients"};
        (void)recipients.release();
        recipients.reset(longer);
    }
    const uint64_t blocks = (size + kMessageBlockBytes - 1) / kMessageBlockBytes;
    const uint64_t exchanges = kMessageExchanges - 1 + envelope.recipients.size() + blocks;
    curl_easy_setopt(easy, CURLOPT_MAIL_FROM, envelope.sender.c_str());
    curl_easy_setopt(easy, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(easy, CURLOPT_READDATA, message);
    curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(std::min<uint64_t>(exchanges * timeoutMs, LONG_MAX)));
    m_messageSize = size;
    m_sizeProblem.clear();
    m_transcript.StartMessage();
    m_curl->error[0] = '\0';
    const CURLcode sent = curl_easy_perform(easy);
    curl_easy_setopt(easy, CURLOPT_MAIL_RCPT, nullptr);
    if (sent == CURLE_OK) return {DeliveryStatus::Delivered, {}};

    if (sent == CURLE_ABORTED_BY_CALLBACK) {
        // Larger than the server's SIZE: no later attempt can do better.
        if (!m_sizeProblem.empty()) {
            return {DeliveryStatus::MessageRefused, Where() + " " + m_sizeProblem, Trouble::TooLarge,
                    m_transcript.sizeLimit()};
        }
        return {DeliveryStatus::MessageRefused, Where() + " the outbox file cannot be read"};
    }
    // Each message has its own recipients, so a recipient refused for good
    // concerns this message only, as does a refusal of the message itself
    // (its size, its content). A refused sender is taken as the server's
    // word on every message: it is most often the login's.
    const std::string& command = m_transcript.command();
    const bool thisMessageOnly =
        m_transcript.messageStarted() && m_transcript.replyCode() >= 500 &&
        (command == "end of message" || command.rfind("RCPT", 0) == 0 || m_transcript.replyCode() == 552);
    if (thisMessageOnly)
        return {DeliveryStatus::MessageRefused, Where() + " " + Describe(sent, m_curl->error), Trouble::Refused};
    return {DeliveryStatus::ServerUnusable, Where() + " " + Describe(sent, m_curl->error), TroubleOf(sent)};
}

}  // namespace relay
