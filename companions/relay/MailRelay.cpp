#include "companions/relay/MailRelay.h"

#include "companions/relay/Outbox.h"
#include "companions/relay/PathList.h"
#include "companions/relay/RelayLog.h"
#include "companions/relay/RelaySettings.h"
#include "message/AddressList.h"
#include "message/MimeMessage.h"
#include "base/Path.h"
#include "base/Text.h"

#include <windows.h>

#include <tuple>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::message;
using namespace email32::base;
namespace {

// The text of a message the user wrote nothing for: what it carries.
std::string ListingText(const std::vector<AttachmentFile>& attachments) {
    std::string text = "Sent with Email32: " + std::to_string(attachments.size()) +
                       (attachments.size() == 1 ? " file" : " files") + " attached.\r\n";
    for (const AttachmentFile& a : attachments) text += "\r\n  " + a.fileName;
    return text + "\r\n";
}

std::string NameOf(const std::wstring& path) { return Utf8(email32::base::NameOf(path)); }

// "Name <address>", as a person reads it.
std::string Shown(const Mailbox& mailbox) {
    return mailbox.name.empty() ? mailbox.address : mailbox.name + " <" + mailbox.address + ">";
}

// The compose window, when the settings allow windows and ask for it
// (Compose=1), or when neither the caller nor the settings name anyone.
// False when the user cancelled; `fields` hold what they wrote.
bool AskedFirst(const std::vector<std::wstring>& files, MessageFields& fields, const SettingsFiles& settingsFiles,
                const SendWindows& windows) {
    if (!windows.compose) return true;
    const RelaySettings settings = LoadRelaySettings(settingsFiles);
    if (settings.quiet) return true;
    const bool callerNamed = !fields.to.empty() || !fields.cc.empty();
    const bool settingsName = !ParseAddressList(settings.recipient).mailboxes.empty();
    if (!settings.compose && (callerNamed || settingsName)) return true;

    ComposeDraft draft;
    const ParsedAddresses from = ParseAddressList(settings.sender);
    draft.from = from.mailboxes.size() == 1 ? Shown(from.mailboxes.front()) : settings.sender;
    draft.fields = fields;
    if (!callerNamed) draft.fields.to = settings.recipient;
    if (draft.fields.subject.empty()) draft.fields.subject = settings.subject;
    draft.files = files;
    if (!windows.compose(draft)) return false;
    fields = draft.fields;
    return true;
}

// Delivers what waits, then the new message, which the caller holds; true
// when the server took the new one. `attention`: what the user must do,
// about the new message first.
bool Delivered(OutboxMessage& own, const Prepared& prepared, const OutboxPlace& outbox, Attention& attention) {
    const std::string ownPath = Utf8(own.path());
    OutboxDelivery delivery(prepared, outbox);
    delivery.Waiting(&own);
    if (own.valid()) delivery.Own(own);
    const OutboxRun& run = delivery.run();
    attention = run.ownAttention.trouble != Trouble::Wait ? run.ownAttention : run.attention;
    if (run.ownDelivered) return true;
    if (!run.ownReported) AppendLog(outbox.logPath, run.ownKept + "; message kept in " + ownPath);
    return false;
}

}  // namespace

RelayResult RelayFiles(const char* joinedShortPaths, const SettingsFiles& settingsFiles, const SendWindows& windows) {
    const NamedFiles named = ResolveJoinedPaths(joinedShortPaths);
    if (!named.unreadable.empty()) {
        std::string names;
        for (const std::string& n : named.unreadable) names += (names.empty() ? "" : ", ") + Utf8(Widen(n));
        AppendLog(FindOutbox().logPath, "cannot read " + names + "; nothing sent");
        return RelayResult::NothingSent;
    }
    return RelayMessage(named.files, MessageFields(), settingsFiles, windows);
}

RelayResult RelayMessage(const std::vector<std::wstring>& files, const MessageFields& given,
                         const SettingsFiles& settingsFiles, const SendWindows& windows) {
    const OutboxPlace outbox = FindOutbox();
    std::string unreadable;
    for (const std::wstring& file : files) {
        const DWORD attributes = ::GetFileAttributesW(file.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            unreadable += (unreadable.empty() ? "" : ", ") + Utf8(file);
        }
    }
    if (!unreadable.empty()) {
        AppendLog(outbox.logPath, "cannot read " + unreadable + "; nothing sent");
        return RelayResult::NothingSent;
    }
    if (files.empty()) {
        AppendLog(outbox.logPath, "no file to send; no message made");
        return RelayResult::NothingSent;
    }
    MessageFields fields = given;
    if (!AskedFirst(files, fields, settingsFiles, windows)) {
        AppendLog(outbox.logPath, "the message was cancelled in the compose window; nothing sent");
        return RelayResult::NothingSent;
    }
    // The message's own recipients; a list that is none sends nothing.
    ParsedAddresses to, cc;
    for (const auto& [name, text, parsed] : {std::tuple{"To", &fields.to, &to}, std::tuple{"Cc", &fields.cc, &cc}}) {
        *parsed = ParseAddressList(*text);
        if (!parsed->problem.empty()) {
            AppendLog(outbox.logPath, std::string(name) + ": " + parsed->problem + "; nothing sent");
            return RelayResult::NothingSent;
        }
    }

    const Prepared prepared = Prepare(settingsFiles);
    MessageHeaders headers;
    headers.from = {prepared.sender};
    headers.to = fields.to.empty() ? prepared.recipients : to.mailboxes;
    headers.cc = cc.mailboxes;
    headers.subject = fields.subject.empty() ? prepared.settings.subject : fields.subject;
    headers.date = MessageDateNow();
    headers.messageId = NewMessageId(prepared.sender.address);
    headers.mailer = "Email32 Relay32";
    std::vector<AttachmentFile> attachments;
    for (const std::wstring& file : files) attachments.push_back({file, NameOf(file)});
    // The envelope stored with the message: its own recipients go with it
    // whatever the settings say later.
    StoredEnvelope envelope;
    envelope.sender = prepared.sender.address;
    for (const Mailbox& m : headers.to) envelope.recipients.push_back(m.address);
    for (const Mailbox& m : headers.cc) envelope.recipients.push_back(m.address);

    std::string problem;
    const std::string text = fields.body.empty() ? ListingText(attachments) : fields.body;
    OutboxMessage own = CreateOutboxMessage(outbox, headers, text, attachments, envelope, problem);
    if (!own.valid()) {
        AppendLog(outbox.logPath, problem + "; nothing sent");
        return RelayResult::NothingSent;
    }
    Attention attention;
    if (Delivered(own, prepared, outbox, attention)) return RelayResult::Delivered;
    // Once per send, and never for a server that is only down.
    if (attention.trouble == Trouble::Wait || !windows.notice || prepared.settings.quiet) {
        return RelayResult::KeptInOutbox;
    }
    if (windows.notice(attention)) {
        // The account was saved in the dialog the notice offers: once more
        // with it, and no second notice.
        Attention again;
        if (Delivered(own, Prepare(settingsFiles), outbox, again)) return RelayResult::Delivered;
    }
    return RelayResult::KeptInOutbox;
}

FlushCounts FlushOutbox(const SettingsFiles& settingsFiles) {
    const OutboxPlace outbox = FindOutbox();
    FlushCounts counts;
    counts.problem = OutboxProblem(outbox);
    if (!counts.problem.empty()) {
        counts.kept = static_cast<int>(QueuedMessages(outbox).size());
        counts.problem += "; nothing could be done";
        AppendLog(outbox.logPath, "flush: " + counts.problem);
        return counts;
    }
    if (QueuedMessages(outbox).empty()) return counts;
    const Prepared prepared = Prepare(settingsFiles);
    OutboxDelivery delivery(prepared, outbox);
    delivery.Waiting(nullptr);
    const OutboxRun& run = delivery.run();
    counts.delivered = run.delivered;
    counts.kept = run.kept;
    counts.busy = run.busy;
    if (counts.kept > 0) {
        AppendLog(outbox.logPath, run.keptBecause + "; " + std::to_string(counts.kept) +
                                      (counts.kept == 1 ? " message stays" : " messages stay") + " in the outbox");
    }
    return counts;
}

}  // namespace relay
