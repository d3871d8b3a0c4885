#include "companions/relay/MailRelay.h"

#include "message/AddressList.h"
#include "message/MimeMessage.h"
#include "companions/relay/Outbox.h"
#include "companions/relay/PathList.h"
#include "companions/relay/RelayCredentials.h"
#include "companions/relay/RelayLog.h"
#include "companions/relay/RelaySettings.h"
#include "companions/relay/SmtpSession.h"
#include "message/TextCodec.h"
#include "companions/relay/oauth/SignIn.h"
#include "companions/relay/oauth/TokenStore.h"

#include <windows.h>

#include <memory>
#include <tuple>
#include <optional>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::message;
namespace {

// The settings with their addresses read, and why nothing, or no message
// without recipients of its own, can be delivered with them.
struct Prepared {
    RelaySettings settings;
    Mailbox sender{"Email32", "email32@localhost"};
    std::vector<Mailbox> recipients;
    std::string problem;           // nothing is delivered
    std::string recipientProblem;  // a message written without recipients waits
};

Prepared Prepare(const SettingsFiles& files) {
    Prepared prepared;
    prepared.settings = LoadRelaySettings(files);
    const RelaySettings& s = prepared.settings;
    const std::string where = " in " + Utf8FromWide(s.path);
    std::string& problem = prepared.problem;
    problem = s.problem.empty() ? std::string() : s.problem + where;

    const ParsedAddresses from = ParseAddressList(s.sender);
    if (from.problem.empty() && from.mailboxes.size() == 1) {
        prepared.sender = from.mailboxes.front();
    } else if (problem.empty()) {
        problem = "Sender=" + s.sender + " is not one address" +
                  (from.problem.empty() ? "" : " (" + from.problem + ")") + where;
    }
    if (problem.empty() && s.host.empty()) problem = "no server set (Host" + where + ")";
    const ParsedAddresses to = ParseAddressList(s.recipient);
    if (to.problem.empty()) prepared.recipients = to.mailboxes;
    if (!to.problem.empty()) prepared.recipientProblem = "Recipient: " + to.problem + where;
    else if (prepared.recipients.empty()) prepared.recipientProblem = "no recipient set (Recipient" + where + ")";
    return prepared;
}

// The text of a message the user wrote nothing for: what it carries.
std::string ListingText(const std::vector<AttachmentFile>& attachments) {
    std::string text = "Sent with Email32: " + std::to_string(attachments.size()) +
                       (attachments.size() == 1 ? " file" : " files") + " attached.\r\n";
    for (const AttachmentFile& a : attachments) text += "\r\n  " + a.fileName;
    return text + "\r\n";
}

std::string NameOf(const std::wstring& path) { return Utf8FromWide(path.substr(path.find_last_of(L"\\/") + 1)); }

struct OutboxRun {
    int delivered = 0;
    int kept = 0;
    int busy = 0;
    bool ownDelivered = false;
    bool ownReported = false;  // the log already says what became of the new message
    std::string keptBecause;   // why the first message was kept, for the log
    std::string ownKept;       // why the new message was kept
};

class OutboxDelivery {
public:
    OutboxDelivery(const Prepared& prepared, const OutboxPlace& outbox)
        : m_prepared(prepared), m_outbox(outbox), m_serverProblem(prepared.problem) {}
    [[nodiscard]] const OutboxRun& run() const noexcept { return m_run; }

    // Everything waiting but the new message, oldest first.
    void Waiting(const OutboxMessage* own) {
        ClearOrphanEnvelopes(m_outbox);
        for (const std::wstring& path : QueuedMessages(m_outbox)) {
            if (own != nullptr && path == own->path()) continue;
            Claim claim = Claim::Gone;
            OutboxMessage queued = OutboxMessage::Take(path, claim);
            if (claim == Claim::Busy) ++m_run.busy;
            if (claim == Claim::Unreadable) Keep("the outbox message " + NameOf(path) + " cannot be opened", false);
            if (claim == Claim::Taken) Deliver(queued, false);
        }
    }

    void Own(OutboxMessage& own) {
        if (!own.Rewind()) return Keep("the new message cannot be read back from the outbox", true);
        Deliver(own, true);
    }

private:
    void Keep(const std::string& why, bool isOwn) {
        ++m_run.kept;
        if (m_run.keptBecause.empty()) m_run.keptBecause = why;
        if (isOwn) m_run.ownKept = why;
    }

    // The session, once per run; false, with m_serverProblem saying why,
    // when the server cannot be used.
    bool Ready() {
        if (!m_serverProblem.empty() || m_session) return m_serverProblem.empty();
        const RelaySettings& s = m_prepared.settings;
        if (s.authMethod == "OAUTH2") {
            // A current access token, renewed first when it is about to expire.
            if (LoginName(s).empty()) return m_serverProblem = "AuthMethod=OAUTH2 needs the account's Address=", false;
            std::string token;
            if (!CurrentAccessToken(s, token, m_serverProblem)) return false;
            m_secret.secret = Secret::FromBytes(token);
            WipeText(token);
        } else if (!s.user.empty()) {
            m_secret = ReadSecret(s.host);
            if (!m_secret.found || m_secret.secret.empty()) {
                m_serverProblem = "no password stored for " + s.user + " at " + s.host + " (email32 relay-password " +
                                  s.host + " " + s.user + ")";
                return false;
            }
            if (!m_secret.user.empty() && m_secret.user != s.user) {
                m_serverProblem =
                    "the password stored for " + s.host + " is " + m_secret.user + "'s, not " + s.user + "'s";
                return false;
            }
        }
        m_session = std::make_unique<SmtpSession>(s, m_secret.secret);
        return true;
    }

    void Deliver(OutboxMessage& message, bool isOwn) {
        // A damaged message is never sent, and no server is asked about it.
        std::string damage;
        const std::optional<StoredEnvelope> stored = message.Check(damage);
        if (!stored) {
            const std::wstring aside = message.MoveAside(m_outbox);
            const std::string name = NameOf(message.path());
            AppendLog(m_outbox.logPath, name + " is damaged: " + damage + "; " +
                                            (aside.empty() ? "it cannot be moved aside, stays in the outbox"
                                                           : "moved to " + Utf8FromWide(aside)) +
                                            " and not sent");
            if (aside.empty()) ++m_run.kept;
            if (isOwn) m_run.ownReported = true;
            return;
        }
        if (!m_serverProblem.empty()) return Keep(m_serverProblem, isOwn);
        // To the people it was written for; one written while no recipient
        // was set goes to those set now.
        Envelope envelope{stored->sender, stored->recipients};
        if (envelope.recipients.empty()) {
            if (!m_prepared.recipientProblem.empty()) return Keep(m_prepared.recipientProblem, isOwn);
            for (const Mailbox& m : m_prepared.recipients) envelope.recipients.push_back(m.address);
        }
        if (!Ready()) return Keep(m_serverProblem, isOwn);

        const Delivery delivery = m_session->Deliver(message.handle(), message.Size(), envelope);
        switch (delivery.status) {
        case DeliveryStatus::Delivered:
            ++m_run.delivered;
            if (isOwn) m_run.ownDelivered = true;
            if (!message.Remove()) {
                AppendLog(m_outbox.logPath, "delivered " + NameOf(message.path()) +
                                                ", but it cannot be removed from the outbox and may go out again");
            } else if (!isOwn) {
                AppendLog(m_outbox.logPath, "delivered " + NameOf(message.path()) + " from the outbox");
            }
            return;
        case DeliveryStatus::MessageRefused:
            ++m_run.kept;
            if (isOwn) m_run.ownReported = true;
            if (m_run.keptBecause.empty()) m_run.keptBecause = delivery.problem;
            AppendLog(m_outbox.logPath,
                      delivery.problem + "; " + Utf8FromWide(message.path()) + " stays in the outbox");
            return;
        case DeliveryStatus::ServerUnusable: break;
        }
        m_serverProblem = delivery.problem;
        Keep(delivery.problem, isOwn);
    }

    const Prepared& m_prepared;
    const OutboxPlace& m_outbox;
    std::string m_serverProblem;  // why nothing more is delivered
    OutboxRun m_run;
    StoredSecret m_secret;
    std::unique_ptr<SmtpSession> m_session;
};

}  // namespace

RelayResult RelayFiles(const char* joinedShortPaths, const SettingsFiles& settingsFiles) {
    const NamedFiles named = ResolveJoinedPaths(joinedShortPaths);
    if (!named.unreadable.empty()) {
        std::string names;
        for (const std::string& n : named.unreadable)
            names += (names.empty() ? "" : ", ") + Utf8FromWide(WideFromAnsi(n));
        AppendLog(FindOutbox().logPath, "cannot read " + names + "; nothing sent");
        return RelayResult::NothingSent;
    }
    return RelayMessage(named.files, MessageFields(), settingsFiles);
}

RelayResult RelayMessage(const std::vector<std::wstring>& files, const MessageFields& fields,
                         const SettingsFiles& settingsFiles) {
    const OutboxPlace outbox = FindOutbox();
    std::string unreadable;
    for (const std::wstring& file : files) {
        const DWORD attributes = ::GetFileAttributesW(file.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            unreadable += (unreadable.empty() ? "" : ", ") + Utf8FromWide(file);
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
    StoredEnvelope envelope{prepared.sender.address, {}, 0};
    for (const Mailbox& m : headers.to) envelope.recipients.push_back(m.address);
    for (const Mailbox& m : headers.cc) envelope.recipients.push_back(m.address);

    std::string problem;
    const std::string text = fields.body.empty() ? ListingText(attachments) : fields.body;
    OutboxMessage own = CreateOutboxMessage(outbox, headers, text, attachments, envelope, problem);
    if (!own.valid()) {
        AppendLog(outbox.logPath, problem + "; nothing sent");
        return RelayResult::NothingSent;
    }
    const std::string ownPath = Utf8FromWide(own.path());
    OutboxDelivery delivery(prepared, outbox);
    delivery.Waiting(&own);
    delivery.Own(own);
    const OutboxRun& run = delivery.run();
    if (run.ownDelivered) return RelayResult::Delivered;
    if (!run.ownReported) AppendLog(outbox.logPath, run.ownKept + "; message kept in " + ownPath);
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
