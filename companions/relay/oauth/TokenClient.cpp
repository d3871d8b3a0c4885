#include "companions/relay/oauth/TokenClient.h"

#include "companions/relay/net/HttpsClient.h"

#include <nlohmann/json.hpp>

namespace relay {
namespace {

constexpr size_t kMaxAnswer = 64 * 1024;
constexpr long kTimeLimitMs = 30000;

using Json = nlohmann::json;

std::string Field(const Json& json, const char* name) {
    const auto found = json.find(name);
    return found != json.end() && found->is_string() ? found->get<std::string>() : std::string();
}

int Number(const Json& json, const char* name, int fallback) {
    const auto found = json.find(name);
    if (found == json.end()) return fallback;
    if (found->is_number_integer()) return found->get<int>();
    // Some providers send numbers as strings.
    if (found->is_string()) {
        const std::string text = found->get<std::string>();
        if (!text.empty() && text.size() < 10 && text.find_first_not_of("0123456789") == std::string::npos)
            return std::stoi(text);
    }
    return fallback;
}

std::string Pair(const char* name, const std::string& value) { return std::string(name) + "=" + FormEncoded(value); }

}  // namespace

TokenAnswer::~TokenAnswer() { WipeText(refreshToken); }

TokenAnswer TokenClient::Ask(std::string form) const {
    TokenAnswer result;
    form += "&" + Pair("client_id", m_endpoints.clientId);
    if (!m_endpoints.clientSecret.empty()) form += "&" + Pair("client_secret", m_endpoints.clientSecret);
    HttpsRequest request;
    request.url = m_endpoints.tokenUrl;
    request.form = form;
    request.caFile = m_caFile;
    request.maxBytes = kMaxAnswer;
    request.timeLimitMs = kTimeLimitMs;
    HttpsAnswer answer = HttpsFetch(request);
    WipeText(request.form);
    WipeText(form);
    if (!answer.received) return result.problem = answer.problem, result;
    const Json json = Json::parse(answer.body, nullptr, false);
    WipeText(answer.body);
    if (json.is_discarded() || !json.is_object()) {
        result.problem = "the token endpoint answered HTTP " + std::to_string(answer.status) + " without JSON";
        return result;
    }
    result.error = Field(json, "error");
    if (answer.status != 200 || !result.error.empty()) {
        const std::string description = Field(json, "error_description");
        result.problem =
            "the provider refused: " + (result.error.empty() ? "HTTP " + std::to_string(answer.status) : result.error) +
            (description.empty() ? "" : " (" + description.substr(0, 200) + ")");
        return result;
    }
    result.access.token = Field(json, "access_token");
    if (result.access.token.empty()) return result.problem = "the token endpoint sent no access token", result;
    result.access.expiresAt = NowSeconds() + Number(json, "expires_in", 3600);
    result.refreshToken = Field(json, "refresh_token");
    result.ok = true;
    return result;
}

TokenAnswer TokenClient::ExchangeCode(const std::string& code, const std::string& redirectUri,
                                      const std::string& verifier) const {
    return Ask(Pair("grant_type", "authorization_code") + "&" + Pair("code", code) + "&" +
               Pair("redirect_uri", redirectUri) + "&" + Pair("code_verifier", verifier));
}

TokenAnswer TokenClient::Refresh(const std::string& refreshToken) const {
    return Ask(Pair("grant_type", "refresh_token") + "&" + Pair("refresh_token", refreshToken));
}

TokenAnswer TokenClient::PollDevice(const std::string& deviceCode) const {
    return Ask(Pair("grant_type", "urn:ietf:params:oauth:grant-type:device_code") + "&" +
               Pair("device_code", deviceCode));
}

DeviceCode TokenClient::StartDevice() const {
    DeviceCode device;
    if (m_endpoints.deviceUrl.empty()) return device.problem = "no device endpoint is known (OAuthDeviceUrl=)", device;
    HttpsRequest request;
    request.url = m_endpoints.deviceUrl;
    request.form = Pair("client_id", m_endpoints.clientId) + "&" + Pair("scope", m_endpoints.scope);
    if (!m_endpoints.clientSecret.empty()) request.form += "&" + Pair("client_secret", m_endpoints.clientSecret);
    request.caFile = m_caFile;
    request.maxBytes = kMaxAnswer;
    request.timeLimitMs = kTimeLimitMs;
    const HttpsAnswer answer = HttpsFetch(request);
    if (!answer.received) return device.problem = answer.problem, device;
    const Json json = Json::parse(answer.body, nullptr, false);
    if (json.is_discarded() || !json.is_object() || answer.status != 200) {
        const std::string error = json.is_object() ? Field(json, "error") : std::string();
        device.problem =
            "the device endpoint refused: " + (error.empty() ? "HTTP " + std::to_string(answer.status) : error);
        return device;
    }
    device.deviceCode = Field(json, "device_code");
    device.userCode = Field(json, "user_code");
    device.verificationUri = Field(json, "verification_uri");
    // An older name some providers still send.
    if (device.verificationUri.empty()) device.verificationUri = Field(json, "verification_url");
    device.interval = std::max(1, Number(json, "interval", 5));
    device.expiresIn = std::max(1, Number(json, "expires_in", 900));
    if (device.deviceCode.empty() || device.userCode.empty() || device.verificationUri.empty()) {
        return device.problem = "the device endpoint's answer lacks the code or the address to visit", device;
    }
    device.ok = true;
    return device;
}

}  // namespace relay
