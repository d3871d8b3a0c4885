// The delivery of what the outbox holds: each message to the envelope
// stored with it, through one SMTP session per run, leaving the outbox only
// once the server has accepted it. A message the server can never take
// moves to "Outbox\Failed"; every other one that stays has its attempt and
// its reason written into its envelope. The run remembers the first thing
// the user has to act on, for the one notice a send may show.
#pragma once

#include "companions/relay/Outbox.h"
#include "companions/relay/RelayCredentials.h"
#include "companions/relay/RelaySettings.h"
#include "companions/relay/SmtpSession.h"
#include "message/AddressList.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace relay {

// The settings with their addresses read, and why nothing, or no message
// without recipients of its own, can be delivered with them.
struct Prepared {
    RelaySettings settings;
    email32::message::Mailbox sender{"Email32", "email32@localhost"};
    std::vector<email32::message::Mailbox> recipients;
    std::string problem;           // nothing is delivered
    std::string recipientProblem;  // a message written without recipients waits
};

[[nodiscard]] Prepared Prepare(const SettingsFiles& files);

// What the user is told about a send, once: why a message waits for them, or
// why the server will never take it.
struct Attention {
    Trouble trouble = Trouble::Wait;  // Wait: nothing to tell
    std::string server;               // "host:port", or empty before any server was chosen
    std::string account;              // the login, or the account's address
    std::string detail;               // the log's words
    uint64_t messageBytes = 0;        // with TooLarge
    uint64_t sizeLimit = 0;           // with TooLarge
    std::wstring movedTo;             // with TooLarge and Refused: the folder the message went to
};

struct OutboxRun {
    int delivered = 0;
    int kept = 0;
    int busy = 0;
    int failed = 0;  // refused for good, moved to "Failed"
    bool ownDelivered = false;
    bool ownReported = false;  // the log already says what became of the new message
    std::string keptBecause;   // why the first message was kept, for the log
    std::string ownKept;       // why the new message was kept
    Attention ownAttention;    // what the user must do about the new message
    Attention attention;       // the first thing the user must do about any message
};

class OutboxDelivery {
public:
    OutboxDelivery(const Prepared& prepared, const OutboxPlace& outbox);
    ~OutboxDelivery();
    OutboxDelivery(const OutboxDelivery&) = delete;
    OutboxDelivery& operator=(const OutboxDelivery&) = delete;

    [[nodiscard]] const OutboxRun& run() const noexcept { return m_run; }

    // Everything waiting but the new message, oldest first.
    void Waiting(const OutboxMessage* own);
    // The new message, which the caller holds.
    void Own(OutboxMessage& own);

private:
    void Keep(OutboxMessage* message, const StoredEnvelope* stored, const std::string& why, Trouble trouble,
              bool isOwn);
    void Fail(OutboxMessage& message, const StoredEnvelope& stored, const Delivery& delivery, bool isOwn);
    void Note(const Attention& attention, bool isOwn);
    [[nodiscard]] Attention AttentionFor(Trouble trouble, const std::string& detail) const;
    [[nodiscard]] bool Ready();
    void Deliver(OutboxMessage& message, bool isOwn);

    const Prepared& m_prepared;
    const OutboxPlace& m_outbox;
    std::string m_serverProblem;  // why nothing more is delivered
    Trouble m_serverTrouble = Trouble::Wait;
    OutboxRun m_run;
    StoredSecret m_secret;
    std::unique_ptr<SmtpSession> m_session;
};

}  // namespace relay
