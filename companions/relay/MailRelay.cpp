#include "companions/relay/MailRelay.h"

#include "companions/relay/AddressList.h"
#include "companions/relay/MimeMessage.h"
#include "companions/relay/Outbox.h"
#include "companions/relay/PathList.h"
#include "companions/relay/RelayCredentials.h"
#include "companions/relay/RelayLog.h"
#include "companions/relay/RelaySettings.h"
#include "companions/relay/SmtpSession.h"
#include "companions/relay/TextCodec.h"

#include <windows.h>

namespace relay {
namespace {

// The settings with their addresses read, and why nothing can be delivered
// with them, if anything.
struct Prepared {
    RelaySettings settings;
    Mailbox sender{"Email32", "email32@localhost"};
    std::vector<Mailbox> recipients;
    std::string problem;
};

Prepared Prepare(const std::wstring& settingsPath) {
    Prepared prepared;
    prepared.settings = LoadRelaySettings(settingsPath);
    const RelaySettings& s = prepared.settings;
    const std::string where = " in " + Utf8FromWide(settingsPath);
    std::string& problem = prepared.problem;
    problem = s.problem.empty() ? std::string() : s.problem + where;

    const ParsedAddresses from = ParseAddressList(s.sender);
    if (from.problem.empty() && from.mailboxes.size() == 1) {
        prepared.sender = from.mailboxes.front();
    } else if (problem.empty()) {
        problem = "Sender=" + s.sender + " is not one address" +
                  (from.problem.empty() ? "" : " (" + from.problem + ")") + where;
    }
    const ParsedAddresses to = ParseAddressList(s.recipient);
    if (to.problem.empty()) prepared.recipients = to.mailboxes;
    if (!problem.empty()) return prepared;
    if (s.host.empty()) problem = "no server set (Host" + where + ")";
    else if (!to.problem.empty()) problem = "Recipient: " + to.problem + where;
    else if (prepared.recipients.empty()) problem = "no recipient set (Recipient" + where + ")";
    return prepared;
}

std::string NameOf(const std::wstring& path) { return Utf8FromWide(path.substr(path.find_last_of(L"\\/") + 1)); }

struct OutboxRun {
    int delivered = 0;
    bool ownDelivered = false;
    bool ownRefused = false;  // the server refused the new message itself; the log says so
    std::string stopped;      // why delivery stopped before the end
};

OutboxRun DeliverOutbox(const Prepared& prepared, const OutboxPlace& outbox, OutboxMessage* own) {
    OutboxRun run;
    const RelaySettings& s = prepared.settings;
    if (!prepared.problem.empty()) return run.stopped = prepared.problem, run;
    StoredSecret secret;
    if (!s.user.empty()) {
        secret = ReadSecret(s.host);
        if (!secret.found || secret.secret.empty()) {
            run.stopped = "no password stored for " + s.user + " at " + s.host + " (email32 relay-password " + s.host +
                          " " + s.user + ")";
            return run;
        }
        if (!secret.user.empty() && secret.user != s.user) {
            run.stopped = "the password stored for " + s.host + " is " + secret.user + "'s, not " + s.user + "'s";
            return run;
        }
    }
    SmtpSession session(s, std::move(secret.secret));
    Envelope envelope{prepared.sender.address, {}};
    for (const Mailbox& m : prepared.recipients) envelope.recipients.push_back(m.address);

    // True to go on with the next message.
    const auto deliver = [&](OutboxMessage& message, bool isOwn) {
        const Delivery delivery = session.Deliver(message.handle(), message.Size(), envelope);
        switch (delivery.status) {
        case DeliveryStatus::Delivered:
            ++run.delivered;
            if (isOwn) run.ownDelivered = true;
            if (!message.Remove()) {
                AppendLog(outbox.logPath, "delivered " + NameOf(message.path()) +
                                              ", but it cannot be removed from the outbox and may go out again");
            } else if (!isOwn) {
                AppendLog(outbox.logPath, "delivered " + NameOf(message.path()) + " from the outbox");
            }
            return true;
        case DeliveryStatus::MessageRefused:
            if (isOwn) run.ownRefused = true;
            AppendLog(outbox.logPath, delivery.problem + "; " + Utf8FromWide(message.path()) + " stays in the outbox");
            return true;
        case DeliveryStatus::ServerUnusable: break;
        }
        run.stopped = delivery.problem;
        return false;
    };
    for (const std::wstring& path : QueuedMessages(outbox)) {
        if (own != nullptr && path == own->path()) continue;
        // Held by another sender that is delivering it or still writing it.
        OutboxMessage queued = OutboxMessage::Claim(path);
        if (queued.valid() && !deliver(queued, false)) return run;
    }
    if (own != nullptr) {
        if (own->Rewind()) (void)deliver(*own, true);
        else run.stopped = "the new message cannot be read back from the outbox";
    }
    return run;
}

}  // namespace

RelayResult RelayFiles(const char* joinedShortPaths, const std::wstring& settingsPath) {
    const OutboxPlace outbox = FindOutbox();
    const NamedFiles named = ResolveJoinedPaths(joinedShortPaths);
    if (!named.unreadable.empty()) {
        std::string names;
        for (const std::string& n : named.unreadable)
            names += (names.empty() ? "" : ", ") + Utf8FromWide(WideFromAnsi(n));
        AppendLog(outbox.logPath, "cannot read " + names + "; nothing sent");
        return RelayResult::NothingSent;
    }
    if (named.files.empty()) {
        AppendLog(outbox.logPath, "no file to send; no message made");
        return RelayResult::NothingSent;
    }

    const Prepared prepared = Prepare(settingsPath);
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    const MessageHeaders headers{prepared.sender, prepared.recipients, prepared.settings.subject, MessageDate(now),
                                 NewMessageId(prepared.sender.address)};
    std::vector<AttachmentFile> attachments;
    for (const std::wstring& file : named.files) attachments.push_back({file, NameOf(file)});

    std::string problem;
    OutboxMessage own = CreateOutboxMessage(outbox, headers, attachments, problem);
    if (!own.valid()) {
        AppendLog(outbox.logPath, problem + "; nothing sent");
        return RelayResult::NothingSent;
    }
    const OutboxRun run = DeliverOutbox(prepared, outbox, &own);
    if (run.ownDelivered) return RelayResult::Delivered;
    if (!run.ownRefused) AppendLog(outbox.logPath, run.stopped + "; message kept in " + Utf8FromWide(own.path()));
    return RelayResult::KeptInOutbox;
}

FlushCounts FlushOutbox(const std::wstring& settingsPath) {
    const OutboxPlace outbox = FindOutbox();
    FlushCounts counts;
    if (QueuedMessages(outbox).empty()) return counts;
    const OutboxRun run = DeliverOutbox(Prepare(settingsPath), outbox, nullptr);
    counts.delivered = run.delivered;
    counts.kept = static_cast<int>(QueuedMessages(outbox).size());
    if (!run.stopped.empty() && counts.kept > 0) {
        AppendLog(outbox.logPath, run.stopped + "; " + std::to_string(counts.kept) +
                                      (counts.kept == 1 ? " message stays" : " messages stay") + " in the outbox");
    }
    return counts;
}

}  // namespace relay
