#include "companions/relay/ui/AccountForm.h"

#include "base/Text.h"

#include <cstdlib>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::base;
namespace {

constexpr const char* kSecurityNames[] = {"auto", "starttls", "tls", "none"};
constexpr Security kSecurities[] = {Security::Auto, Security::StartTls, Security::Tls, Security::None};

}  // namespace

int SecurityIndex(const std::string& text) {
    for (int i = 0; i < 4; ++i) {
        if (text == kSecurityNames[i]) return i;
    }
    return 0;
}

AccountForm FormFromSettings(const RelaySettings& settings) {
    AccountForm form;
    form.address = settings.address.empty() ? settings.user : settings.address;
    form.host = settings.host;
    if (!settings.host.empty()) form.port = std::to_string(settings.port);
    for (int i = 0; i < 4; ++i) {
        if (settings.security == kSecurities[i]) form.security = i;
    }
    form.oauth = settings.authMethod == "OAUTH2";
    form.user = settings.user;
    if (!form.oauth) form.authMethod = settings.authMethod;
    return form;
}

SettingValues ValuesFromForm(const AccountForm& form) {
    return {
        {L"Address", FromUtf8(form.address)},
        {L"Host", FromUtf8(form.host)},
        {L"Port", FromUtf8(form.port)},
        {L"Security", FromUtf8(kSecurityNames[form.security])},
        {L"User", FromUtf8(form.user)},
        {L"AuthMethod", form.oauth ? std::wstring(L"OAUTH2") : FromUtf8(form.authMethod)},
    };
}

RelaySettings SettingsWithForm(RelaySettings settings, const AccountForm& form) {
    settings.address = form.address;
    settings.host = form.host;
    settings.security = kSecurities[form.security];
    const int port = std::atoi(form.port.c_str());
    settings.port = static_cast<unsigned short>(port > 0 && port < 65536 ? port : form.security == 2 ? 465 : 25);
    settings.user = form.user;
    settings.authMethod = form.oauth ? "OAUTH2" : form.authMethod;
    if (settings.authMethod == "OAUTH2" && settings.user.empty()) settings.user = form.address;
    return settings;
}

}  // namespace relay
