// One send of the plug-in: the files named in the "^"-joined text become one
// message, written whole into the outbox first with its envelope; then the
// outbox is delivered to the SMTP server of the settings, oldest message
// first, each message to the envelope stored with it, each leaving the
// outbox only once the server has accepted it.
//
// Unless the settings say Quiet=1, a send may show two windows: the compose
// window, when nobody names a recipient (or Compose=1), and once per send a
// notice when a message waits for something only the user can do, or was
// refused for good.
#pragma once

#include "companions/relay/OutboxDelivery.h"
#include "companions/relay/settings/SettingsFiles.h"

#include <functional>
#include <string>
#include <vector>

namespace relay {

enum class RelayResult : int {
    NothingSent = 0,  // a file cannot be read, none was named, the user cancelled, or the outbox cannot be written
    Delivered = 1,
    KeptInOutbox = 2,
};

// What the caller wrote for one message, in UTF-8; an empty text was not
// given. Recipients (RFC 5322 address lists) and subject take the place of
// the settings' for this message alone; the text, that of the plug-in.
struct MessageFields {
    std::string to;
    std::string cc;
    std::string subject;
    std::string body;
};

// What the compose window shows, and on Send what the user wrote.
struct ComposeDraft {
    std::string from;  // the account, as the message's From shows it
    MessageFields fields;
    std::vector<std::wstring> files;
};

// The windows a send may show; an empty one is not shown.
struct SendWindows {
    // The compose window over the draft; false when the user cancelled.
    std::function<bool(ComposeDraft&)> compose;
    // The notice; true when the user saved the account in the dialog it
    // offers, after which the outbox is tried once more.
    std::function<bool(const Attention&)> notice;
};

[[nodiscard]] RelayResult RelayFiles(const char* joinedShortPaths, const SettingsFiles& settings,
                                     const SendWindows& windows = {});

// One message with the fields and the files (full paths), sent as RelayFiles
// sends. Given recipients keep the compose window away unless Compose=1.
[[nodiscard]] RelayResult RelayMessage(const std::vector<std::wstring>& files, const MessageFields& fields,
                                       const SettingsFiles& settings, const SendWindows& windows = {});

struct FlushCounts {
    int delivered = 0;
    int kept = 0;  // found waiting and still waiting afterwards
    int busy = 0;  // held by another sender, which is delivering them
    // Why nothing could be done at all (the outbox cannot be used); empty
    // when the flush ran.
    std::string problem;
};

// Delivers what the outbox holds, oldest first, and nothing else; shows no
// window.
[[nodiscard]] FlushCounts FlushOutbox(const SettingsFiles& settings);

}  // namespace relay
