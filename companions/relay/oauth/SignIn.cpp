#include "companions/relay/oauth/SignIn.h"

#include "companions/relay/RelaySettings.h"
#include "companions/relay/net/HttpsClient.h"
#include "companions/relay/oauth/LoopbackListener.h"
#include "companions/relay/oauth/Pkce.h"
#include "companions/relay/oauth/TokenClient.h"
#include "base/Text.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <chrono>
#include <thread>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::base;
namespace {

// How long a person has to finish signing in at the browser.
constexpr int kBrowserSeconds = 300;

std::string Pair(const char* name, const std::string& value) { return std::string(name) + "=" + FormEncoded(value); }

bool OpenBrowser(const std::string& url) {
    const std::wstring wide = FromUtf8(url);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = L"open";
    info.lpFile = wide.c_str();
    info.nShow = SW_SHOWNORMAL;
    // The shell needs COM on this thread for some handlers.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const bool opened = ::ShellExecuteExW(&info) != FALSE;
    if (SUCCEEDED(com)) ::CoUninitialize();
    return opened;
}

TokenAnswer BrowserFlow(const TokenClient& client, const std::string& address, std::string& problem, bool& noBrowser) {
    const OAuthEndpoints& e = client.endpoints();
    LoopbackListener listener;
    if (!listener.listening()) return problem = "cannot listen on 127.0.0.1 for the browser's answer", TokenAnswer{};
    std::string verifier = RandomUrlText(48);
    const std::string state = RandomUrlText(16);
    if (verifier.empty() || state.empty()) return problem = "no random numbers for the sign-in", TokenAnswer{};
    const std::string url = e.authorizeUrl + (e.authorizeUrl.find('?') == std::string::npos ? "?" : "&") +
                            Pair("response_type", "code") + "&" + Pair("client_id", e.clientId) + "&" +
                            Pair("redirect_uri", listener.RedirectUri()) + "&" + Pair("scope", e.scope) + "&" +
                            Pair("state", state) + "&" + Pair("code_challenge", CodeChallenge(verifier)) +
                            "&code_challenge_method=S256&" + Pair("login_hint", address);
    if (e.authorizeUrl.empty() || !OpenBrowser(url)) {
        noBrowser = true;
        return TokenAnswer{};
    }
    const Redirect redirect = listener.Wait(state, kBrowserSeconds);
    if (!redirect.received) return problem = redirect.problem, TokenAnswer{};
    if (redirect.code.empty()) {
        problem = "the provider did not sign in: " + (redirect.error.empty() ? "no code" : redirect.error);
        return TokenAnswer{};
    }
    TokenAnswer answer = client.ExchangeCode(redirect.code, listener.RedirectUri(), verifier);
    WipeText(verifier);
    if (!answer.ok) problem = answer.problem;
    return answer;
}

TokenAnswer DeviceFlow(const TokenClient& client, const SignInNotice& notice, std::string& problem) {
    const DeviceCode device = client.StartDevice();
    if (!device.ok) return problem = device.problem, TokenAnswer{};
    if (notice) notice("To sign in, visit " + device.verificationUri + " and enter the code " + device.userCode);
    int interval = device.interval;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(device.expiresIn);
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::seconds(interval));
        TokenAnswer answer = client.PollDevice(device.deviceCode);
        if (answer.ok) return answer;
        if (answer.error == "authorization_pending") continue;
        if (answer.error == "slow_down") {
            interval += 5;
            continue;
        }
        problem = answer.problem;
        return answer;
    }
    problem = "the code was not entered in time";
    return TokenAnswer{};
}

}  // namespace

SignInResult SignIn(const SettingsFiles& files, HMODULE plugin, const std::string& address, bool deviceFlow,
                    const SignInNotice& notice) {
    SignInResult result;
    const RelaySettings settings = LoadRelaySettings(files);
    OAuthEndpoints endpoints;
    if (!ResolveOAuthEndpoints(settings, address, endpoints, result.message)) return result;
    const TokenClient client(endpoints, settings.caFile);
    std::string problem;
    TokenAnswer answer;
    bool noBrowser = deviceFlow;
    if (!deviceFlow) answer = BrowserFlow(client, address, problem, noBrowser);
    if (noBrowser) answer = DeviceFlow(client, notice, problem);
    if (!answer.ok) return result.message = "not signed in: " + problem, result;
    if (answer.refreshToken.empty()) {
        result.message = "not signed in: the provider gave no refresh token (is offline access in OAuthScope?)";
        return result;
    }
    if (!StoreRefreshToken(address, answer.refreshToken, problem)) return result.message = problem, result;
    StoreAccessToken(address, answer.access);
    if (!WriteUserSettings({{L"Address", FromUtf8(address)}, {L"AuthMethod", L"OAUTH2"}}, plugin, problem)) {
        return result.message = "signed in, but " + problem, result;
    }
    result.signedIn = true;
    result.message = "signed in as " + address;
    return result;
}

bool CurrentAccessToken(const RelaySettings& settings, std::string& token, std::string& problem, bool* signInNeeded) {
    if (signInNeeded) *signInNeeded = false;
    const std::string address = settings.address.empty() ? settings.user : settings.address;
    const std::string again = "; sign-in is needed: email32 relay-signin " + address;
    AccessToken cached = ReadAccessToken(address);
    if (!cached.token.empty() && cached.expiresAt - 60 > NowSeconds()) {
        token = cached.token;
        return true;
    }
    std::string refresh = ReadRefreshToken(address);
    if (refresh.empty()) {
        if (signInNeeded) *signInNeeded = true;
        return problem = "no sign-in is stored for " + address + again, false;
    }
    OAuthEndpoints endpoints;
    if (!ResolveOAuthEndpoints(settings, address, endpoints, problem)) return WipeText(refresh), false;
    const TokenAnswer answer = TokenClient(endpoints, settings.caFile).Refresh(refresh);
    WipeText(refresh);
    if (!answer.ok) {
        if (!answer.error.empty()) {
            ForgetAccessToken(address);
            if (signInNeeded) *signInNeeded = true;
            problem = answer.problem + " for the stored sign-in of " + address + again;
        } else {
            problem = "the sign-in of " + address + " cannot be renewed: " + answer.problem;
        }
        return false;
    }
    std::string ignored;
    if (!answer.refreshToken.empty()) (void)StoreRefreshToken(address, answer.refreshToken, ignored);
    StoreAccessToken(address, answer.access);
    token = answer.access.token;
    return true;
}

}  // namespace relay
