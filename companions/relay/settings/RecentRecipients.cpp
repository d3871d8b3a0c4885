#include "companions/relay/settings/RecentRecipients.h"

#include "companions/relay/settings/SettingsFiles.h"
#include "base/Text.h"

#include <windows.h>

#include <algorithm>

namespace relay {

using namespace email32::message;
using namespace email32::base;
namespace {

constexpr wchar_t kSection[] = L"Recipients";

bool SameAddress(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           ::CompareStringOrdinal(FromUtf8(a).c_str(), -1, FromUtf8(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

std::string MailboxText(const Mailbox& mailbox) {
    if (mailbox.name.empty()) return mailbox.address;
    const bool plain = mailbox.name.find_first_of("()<>[]:;@\\,.\"") == std::string::npos;
    if (plain) return mailbox.name + " <" + mailbox.address + ">";
    std::string quoted = "\"";
    for (const char c : mailbox.name) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\" <" + mailbox.address + ">";
}

std::vector<Mailbox> RecentRecipients() {
    std::vector<Mailbox> recent;
    const std::wstring path = UserSettingsPath();
    if (path.empty()) return recent;
    std::vector<wchar_t> section(32768);
    const DWORD length =
        ::GetPrivateProfileSectionW(kSection, section.data(), static_cast<DWORD>(section.size()), path.c_str());
    for (const wchar_t* line = section.data(); line < section.data() + length && *line; line += wcslen(line) + 1) {
        const wchar_t* equals = wcschr(line, L'=');
        const ParsedAddresses parsed = ParseAddressList(Utf8(equals ? equals + 1 : line));
        if (!parsed.problem.empty() || parsed.mailboxes.size() != 1) continue;
        const Mailbox& mailbox = parsed.mailboxes.front();
        const bool known = std::any_of(recent.begin(), recent.end(),
                                       [&](const Mailbox& m) { return SameAddress(m.address, mailbox.address); });
        if (!known && recent.size() < kRecentRecipients) recent.push_back(mailbox);
    }
    return recent;
}

bool RememberRecipients(const std::vector<Mailbox>& used) {
    std::vector<Mailbox> list;
    for (const std::vector<Mailbox>& from : {used, RecentRecipients()}) {
        for (const Mailbox& mailbox : from) {
            const bool known = std::any_of(list.begin(), list.end(),
                                           [&](const Mailbox& m) { return SameAddress(m.address, mailbox.address); });
            if (!known && list.size() < kRecentRecipients) list.push_back(mailbox);
        }
    }
    const std::wstring path = UserSettingsFile();
    if (path.empty()) return false;
    // The whole section in one write: "1=...\0" ... "\0".
    std::wstring section;
    for (size_t i = 0; i < list.size(); ++i) {
        section += std::to_wstring(i + 1) + L"=" + FromUtf8(MailboxText(list[i]));
        section += L'\0';
    }
    section += L'\0';
    return ::WritePrivateProfileSectionW(kSection, section.c_str(), path.c_str()) != FALSE;
}

}  // namespace relay
