// The notice a send shows once when a message waits for something only the
// user can do (a login refused, a sign-in expired, an untrusted server, no
// settings) or the server refused it for good: the reason in one sentence,
// what became of the message, the log's words, and a button that opens the
// account dialog. A task dialog of the common controls, version 6, which the
// plug-in asks for through an activation context of its own so that any host
// gets it; where there is none, a message box asking Yes or No.
#pragma once

#include "companions/relay/OutboxDelivery.h"

#include <windows.h>

#include <string>

namespace relay {

// The sentence and the rest of the text, in the user's language.
struct NoticeText {
    std::wstring caption;
    std::wstring reason;   // one sentence
    std::wstring content;  // what became of the message, and the details
};
[[nodiscard]] NoticeText NoticeTexts(HMODULE plugin, const Attention& attention);

// Modal over `owner` (may be null). True when the user opened the account
// dialog from it and saved the account.
[[nodiscard]] bool ShowSendNotice(HWND owner, HMODULE plugin, const Attention& attention);

}  // namespace relay
