// The compose window of a send: From (the account, with a button to the
// account dialog), To and Cc (recipients used before are offered as the user
// types), Subject, the text, and the attachments with their total size; Send
// and Cancel. To has the focus, Send is the default button, Escape cancels.
// Its texts come from the plug-in's resources in the language the resource
// loader picks for the user, as the module's own dialog does.
#pragma once

#include "companions/relay/MailRelay.h"

#include <windows.h>

namespace relay {

// Modal over `owner` (may be null); `plugin` holds the resources. On Send,
// `draft.fields` hold what the user wrote (To or Cc names someone) and the
// recipients are remembered for the next time; false when cancelled.
[[nodiscard]] bool ShowComposeWindow(HWND owner, HMODULE plugin, ComposeDraft& draft);

}  // namespace relay
