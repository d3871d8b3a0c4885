// Relay32.dll as the module loads it: from a host folder with its Relay32.ini,
// called through its exports, delivering to the real SMTP servers that the
// fixture started natively (scripts/lib/smtp_server.py, folder in
// RELAY32_SMTP_FOLDER). The outbox and the log are the real ones of the
// per-user folder; every test starts and ends with an empty outbox.
#pragma once

#include "base/Win32Handles.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace email32::test {

// The servers' folder, with a trailing backslash; empty without the fixture.
std::string ServerFolder();
// The port of one of the fixture's servers ("plain", "starttls", ...).
int ServerPort(const std::string& name);
// What the server was told so far, one command per line.
std::string ServerTranscript(const std::string& name);
// The messages the server kept so far.
int ServerMessageCount(const std::string& name);
// The password the login servers take, UTF-8.
std::string ServerPassword();
// The newest message the server kept, copied with its envelope to
// received\NAME.eml and .json for the native checks; its text.
std::string KeepNewestForChecks(const std::string& server, const std::string& name);

// A loopback port on which nothing listens: bound, so no one else takes it.
struct ClosedPort {
    ClosedPort();
    ~ClosedPort();
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;
    uintptr_t socket;
    int port = 0;
};

// Stores the password through the plug-in of the build, as
// "email32 relay-password" does.
bool StoreRelayPassword(const std::wstring& host, const std::wstring& user, const std::wstring& password);

// The outbox of the per-user folder, and the plug-in's log beside it.
std::string OutboxFolder();
std::string RelayLogPath();
// Every file of the outbox and of its "Damaged" and "Failed" folders removed.
void ClearOutbox();

// The short path of a file, in the ANSI code page, as the module hands it over.
std::string ShortPath(const std::wstring& path);
void WriteWide(const std::wstring& path, const std::string& bytes);
std::wstring Wide(const std::string& ansi);

class RelayScene : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Relay32.ini of the host folder: "[Server]", "Quiet=1" and these lines
    // (CRLF-ended).
    void WriteSettings(const std::string& lines) const;
    // MailSvr_SendFiles(1, joined).
    int Send(const std::string& joined) const;
    // MailSvr_StorePassword.
    bool StorePassword(const std::wstring& host, const std::wstring& user, const std::wstring& password) const;

    // The messages waiting in the outbox (their envelopes aside).
    [[nodiscard]] std::set<std::string> OutboxFiles() const;
    // The messages in "Outbox\Failed", by name.
    [[nodiscard]] std::vector<std::string> FailedMessages() const;
    // The one message the outbox holds.
    [[nodiscard]] std::string OnlyOutboxMessage() const;
    [[nodiscard]] std::string NewLogText() const;
    // Fails the test when the password shows, in any of the forms a login
    // carries it, in the log or an outbox message.
    void ExpectPasswordInNoFile(const std::string& password) const;

    // The host folder: one per test process, as the plug-in stays loaded
    // once used.
    static const std::string& HostFolder();

    TempFolder m_files{"relayfiles"};
    size_t m_logBefore = 0;
};

}  // namespace email32::test
