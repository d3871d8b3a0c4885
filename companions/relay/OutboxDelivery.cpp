#include "companions/relay/OutboxDelivery.h"

#include "companions/relay/RelayLog.h"
#include "companions/relay/oauth/SignIn.h"
#include "companions/relay/oauth/TokenStore.h"
#include "base/Path.h"
#include "base/Text.h"

#include <windows.h>

#include <optional>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::message;
using namespace email32::base;
namespace {

std::string NameOf(const std::wstring& path) { return Utf8(email32::base::NameOf(path)); }

}  // namespace

Prepared Prepare(const SettingsFiles& files) {
    Prepared prepared;
    prepared.settings = LoadRelaySettings(files);
    const RelaySettings& s = prepared.settings;
    const std::string where = " in " + Utf8(s.path);
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

OutboxDelivery::OutboxDelivery(const Prepared& prepared, const OutboxPlace& outbox)
    : m_prepared(prepared),
      m_outbox(outbox),
      m_serverProblem(prepared.problem),
      m_serverTrouble(prepared.problem.empty() ? Trouble::Wait : Trouble::Settings) {}

OutboxDelivery::~OutboxDelivery() = default;

void OutboxDelivery::Waiting(const OutboxMessage* own) {
    ClearOrphanEnvelopes(m_outbox);
    for (const std::wstring& path : QueuedMessages(m_outbox)) {
        if (own != nullptr && path == own->path()) continue;
        Claim claim = Claim::Gone;
        OutboxMessage queued = OutboxMessage::Take(path, claim);
        if (claim == Claim::Busy) ++m_run.busy;
        if (claim == Claim::Unreadable) {
            Keep(nullptr, nullptr, "the outbox message " + NameOf(path) + " cannot be opened", Trouble::Wait, false);
        }
        if (claim == Claim::Taken) Deliver(queued, false);
    }
}

void OutboxDelivery::Own(OutboxMessage& own) {
    if (!own.Rewind()) {
        return Keep(nullptr, nullptr, "the new message cannot be read back from the outbox", Trouble::Wait, true);
    }
    Deliver(own, true);
}

Attention OutboxDelivery::AttentionFor(Trouble trouble, const std::string& detail) const {
    Attention attention;
    attention.trouble = trouble;
    attention.detail = detail;
    const RelaySettings& s = m_prepared.settings;
    if (!s.host.empty()) attention.server = s.host + ":" + std::to_string(s.port);
    attention.account = LoginName(s).empty() ? s.address : LoginName(s);
    return attention;
}

void OutboxDelivery::Note(const Attention& attention, bool isOwn) {
    if (attention.trouble == Trouble::Wait) return;
    if (isOwn) m_run.ownAttention = attention;
    if (m_run.attention.trouble == Trouble::Wait) m_run.attention = attention;
}

// `message` and `stored`, when known, get the attempt and its reason in the
// envelope, for the people who list the outbox.
void OutboxDelivery::Keep(OutboxMessage* message, const StoredEnvelope* stored, const std::string& why, Trouble trouble,
                          bool isOwn) {
    ++m_run.kept;
    if (m_run.keptBecause.empty()) m_run.keptBecause = why;
    if (isOwn) m_run.ownKept = why;
    if (message != nullptr && stored != nullptr) (void)message->WriteEnvelope(WithAttempt(*stored, why));
    Note(AttentionFor(trouble, why), isOwn);
}

// The server will never take this message: it goes where no sender looks,
// with the reason in its envelope, and the user is told.
void OutboxDelivery::Fail(OutboxMessage& message, const StoredEnvelope& stored, const Delivery& delivery, bool isOwn) {
    if (isOwn) m_run.ownReported = true;
    (void)message.WriteEnvelope(WithAttempt(stored, delivery.problem));
    const uint64_t size = message.Size();
    const std::string name = NameOf(message.path());
    const std::wstring failed = message.MoveAside(m_outbox, L"Failed");
    if (failed.empty()) {
        // It stays, and is tried again: better than lost.
        ++m_run.kept;
        if (m_run.keptBecause.empty()) m_run.keptBecause = delivery.problem;
        AppendLog(m_outbox.logPath, delivery.problem + "; " + name + " cannot be moved to the outbox's Failed " +
                                        "folder and stays in the outbox");
    } else {
        ++m_run.failed;
        AppendLog(m_outbox.logPath,
                  delivery.problem + "; " + name + " moved to " + Utf8(failed) + " and never sent again");
    }
    Attention attention = AttentionFor(delivery.trouble, delivery.problem);
    attention.messageBytes = size;
    attention.sizeLimit = delivery.sizeLimit;
    attention.movedTo = failed;
    Note(attention, isOwn);
}

// The session, once per run; false, with m_serverProblem saying why, when
// the server cannot be used.
bool OutboxDelivery::Ready() {
    if (!m_serverProblem.empty() || m_session) return m_serverProblem.empty();
    const RelaySettings& s = m_prepared.settings;
    m_serverTrouble = Trouble::Settings;
    if (s.authMethod == "OAUTH2") {
        // A current access token, renewed first when it is about to expire.
        if (LoginName(s).empty()) return m_serverProblem = "AuthMethod=OAUTH2 needs the account's Address=", false;
        std::string token;
        bool signInNeeded = false;
        if (!CurrentAccessToken(s, token, m_serverProblem, &signInNeeded)) {
            m_serverTrouble = signInNeeded ? Trouble::SignIn : Trouble::Wait;
            return false;
        }
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
            m_serverProblem = "the password stored for " + s.host + " is " + m_secret.user + "'s, not " + s.user + "'s";
            return false;
        }
    }
    m_serverTrouble = Trouble::Wait;
    m_session = std::make_unique<SmtpSession>(s, m_secret.secret);
    return true;
}

void OutboxDelivery::Deliver(OutboxMessage& message, bool isOwn) {
    // A damaged message is never sent, and no server is asked about it.
    std::string damage;
    const std::optional<StoredEnvelope> stored = message.Check(damage);
    if (!stored) {
        const std::wstring aside = message.MoveAside(m_outbox);
        const std::string name = NameOf(message.path());
        AppendLog(m_outbox.logPath,
                  name + " is damaged: " + damage + "; " +
                      (aside.empty() ? "it cannot be moved aside, stays in the outbox" : "moved to " + Utf8(aside)) +
                      " and not sent");
        if (aside.empty()) ++m_run.kept;
        if (isOwn) m_run.ownReported = true;
        return;
    }
    if (!m_serverProblem.empty()) return Keep(&message, &*stored, m_serverProblem, m_serverTrouble, isOwn);
    // To the people it was written for; one written while no recipient was
    // set goes to those set now.
    Envelope envelope{stored->sender, stored->recipients};
    if (envelope.recipients.empty()) {
        if (!m_prepared.recipientProblem.empty()) {
            return Keep(&message, &*stored, m_prepared.recipientProblem, Trouble::Settings, isOwn);
        }
        for (const Mailbox& m : m_prepared.recipients) envelope.recipients.push_back(m.address);
    }
    if (!Ready()) return Keep(&message, &*stored, m_serverProblem, m_serverTrouble, isOwn);

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
        if (delivery.trouble == Trouble::TooLarge || delivery.trouble == Trouble::Refused) {
            return Fail(message, *stored, delivery, isOwn);
        }
        Keep(&message, &*stored, delivery.problem, delivery.trouble, isOwn);
        if (isOwn) m_run.ownReported = true;
        AppendLog(m_outbox.logPath, delivery.problem + "; " + Utf8(message.path()) + " stays in the outbox");
        return;
    case DeliveryStatus::ServerUnusable: break;
    }
    m_serverProblem = delivery.problem;
    m_serverTrouble = delivery.trouble;
    Keep(&message, &*stored, delivery.problem, delivery.trouble, isOwn);
}

}  // namespace relay
