// The plug-in's entries for hosts that manage its outbox: the list of the
// messages that wait (or were refused for good) and the removal of one.
#include "companions/relay/OutboxListing.h"
#include "public/relay32.h"
#include "base/Text.h"

#include <windows.h>

extern "C" int __cdecl MailSvr_ListOutbox(MailSvrOutboxVisitor visit, void* context) {
    try {
        std::string problem;
        const auto listed = relay::ListOutbox(relay::FindOutbox(), problem);
        if (!listed) return -1;
        int visited = 0;
        for (const relay::ListedMessage& message : *listed) {
            std::wstring recipients;
            for (const std::string& address : message.recipients) {
                recipients += (recipients.empty() ? L"" : L", ") + email32::base::FromUtf8(address);
            }
            const std::wstring reason = email32::base::FromUtf8(message.lastReason);
            MailSvrOutboxMessageW entry{};
            entry.structSize = sizeof entry;
            entry.file = message.file.c_str();
            entry.path = message.path.c_str();
            entry.written = message.written;
            entry.bytes = message.bytes;
            entry.recipients = recipients.c_str();
            entry.lastReason = reason.c_str();
            entry.failed = message.failed ? 1 : 0;
            ++visited;
            if (visit != nullptr && visit(&entry, context) == 0) break;
        }
        return visited;
    } catch (...) {
        return -1;
    }
}

extern "C" int __cdecl MailSvr_RemoveOutboxMessage(const wchar_t* file) {
    if (file == nullptr) return MAILSVR_NO_SUCH_MESSAGE;
    try {
        switch (relay::RemoveOutboxMessage(relay::FindOutbox(), file)) {
        case relay::Removal::Removed: return MAILSVR_REMOVED;
        case relay::Removal::NoSuchMessage: return MAILSVR_NO_SUCH_MESSAGE;
        case relay::Removal::Busy: return MAILSVR_BUSY;
        case relay::Removal::NotRemoved: break;
        }
        return MAILSVR_NOT_REMOVED;
    } catch (...) {
        return MAILSVR_NOT_REMOVED;
    }
}
