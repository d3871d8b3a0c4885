#include "companions/relay/net/HttpsClient.h"

#include "companions/relay/CurlTls.h"
#include "companions/relay/TlsTrust.h"

#include <curl/curl.h>

#include <chrono>
#include <cstring>
#include <memory>

namespace relay {
namespace {

struct EasyDeleter {
    void operator()(CURL* easy) const noexcept { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;
struct UrlDeleter {
    void operator()(CURLU* url) const noexcept { curl_url_cleanup(url); }
};
struct TextDeleter {
    void operator()(char* text) const noexcept { curl_free(text); }
};
using CurlText = std::unique_ptr<char, TextDeleter>;

struct Sink {
    std::string* body;
    size_t maxBytes;
    bool tooLong = false;
};

size_t Collect(char* data, size_t size, size_t count, void* context) {
    auto* sink = static_cast<Sink*>(context);
    const size_t bytes = size * count;
    if (sink->body->size() + bytes > sink->maxBytes) {
        sink->tooLong = true;
        return 0;  // ends the transfer
    }
    try {
        sink->body->append(data, bytes);
    } catch (...) {
        return 0;
    }
    return bytes;
}

std::string Part(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr) return {};
    const CurlText owner(text);
    return text;
}

std::string SizeText(size_t bytes) {
    return bytes >= (1u << 20) ? std::to_string(bytes >> 20) + " MB" : std::to_string(bytes >> 10) + " KB";
}

void CommonOptions(CURL* easy, const std::string& url, char* error, long timeoutMs) {
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    // TLS 1.2 or newer; the chain and the name are judged by
    // CheckServerCertificates, and the request is pinned to the key judged
    // there.
    SecureTls(easy);
}

std::string Describe(CURLcode code, const char* error, long timeoutMs) {
    if (code == CURLE_OPERATION_TIMEDOUT) return "no answer within " + std::to_string(timeoutMs / 1000) + " s";
    if (code == CURLE_COULDNT_RESOLVE_HOST) return "the server's name cannot be resolved";
    if (code == CURLE_SSL_PINNEDPUBKEYNOTMATCH) return "showed another key than the one checked moments before";
    return error && *error ? error : curl_easy_strerror(code);
}

}  // namespace

std::string FormEncoded(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
            std::strchr("-._~", c) != nullptr) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded;
}

HttpsAnswer HttpsFetch(const HttpsRequest& request) {
    HttpsAnswer answer;
    const std::string where = request.url.substr(0, request.url.find('?'));
    if (!CurlReady()) return answer.problem = "the HTTPS library cannot start", answer;
    const std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, request.url.c_str(), 0) != CURLUE_OK ||
        Part(url.get(), CURLUPART_SCHEME) != "https") {
        return answer.problem = where + " is not an https:// address", answer;
    }
    const std::string host = Part(url.get(), CURLUPART_HOST);
    std::string port = Part(url.get(), CURLUPART_PORT);
    if (port.empty()) port = "443";
    const auto started = std::chrono::steady_clock::now();
    const auto remaining = [&] {
        const auto spent =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        return std::max(1L, request.timeLimitMs - static_cast<long>(spent.count()));
    };

    // The probe: the handshake alone, for the certificates.
    char error[CURL_ERROR_SIZE] = {};
    const Easy probe(curl_easy_init());
    if (!probe) return answer.problem = "the HTTPS library cannot start", answer;
    CommonOptions(probe.get(), "https://" + host + ":" + port + "/", error, request.timeLimitMs);
    curl_easy_setopt(probe.get(), CURLOPT_CONNECT_ONLY, 1L);
    KeepServerCertificates(probe.get());
    const CURLcode probed = curl_easy_perform(probe.get());
    if (probed != CURLE_OK) return answer.problem = where + ": " + Describe(probed, error, request.timeLimitMs), answer;
    const ServerTrust trust = CheckServerCertificates(ServerCertificates(probe.get()), host, request.caFile);
    if (!trust.trusted) return answer.problem = where + " is not trusted: " + trust.problem, answer;

    const Easy easy(curl_easy_init());
    if (!easy) return answer.problem = "the HTTPS library cannot start", answer;
    CommonOptions(easy.get(), request.url, error, remaining());
    PinToCheckedKey(easy.get(), trust.pinnedKey);
    curl_easy_setopt(easy.get(), CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBytes));
    curl_easy_setopt(easy.get(), CURLOPT_USERAGENT, "Relay32");
    Sink sink{&answer.body, request.maxBytes};
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
    if (!request.form.empty()) {
        curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDS, request.form.c_str());
        curl_easy_setopt(easy.get(), CURLOPT_POSTFIELDSIZE, static_cast<long>(request.form.size()));
    }
    const CURLcode done = curl_easy_perform(easy.get());
    if (sink.tooLong || done == CURLE_FILESIZE_EXCEEDED) {
        answer.body.clear();
        return answer.problem = where + " answered more than " + SizeText(request.maxBytes), answer;
    }
    if (done != CURLE_OK) {
        answer.body.clear();
        return answer.problem = where + ": " + Describe(done, error, request.timeLimitMs), answer;
    }
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &answer.status);
    answer.received = true;
    return answer;
}

}  // namespace relay
