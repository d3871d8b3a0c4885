// What the account tests share: the servers of account_servers.py (folder in
// RELAY32_ACCOUNT_FOLDER), a host deployed with Relay32.dll and settings
// that point at them, and a clean per-user state (settings file, the
// registry's record of the plug-in's folder) before and after each test.
#pragma once

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <string>

namespace email32::test {

// The servers' folder, with a trailing backslash.
std::string AccountServerFolder();
int AccountServerPort(const std::string& name);  // "https" or "smtp"
std::string AccountServerFile(const std::string& name);
// https://localhost:PORT
std::string AccountServerUrl();
// The per-user Relay32.ini.
std::string UserSettingsFile();

class AccountScene : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Relay32.ini beside the plug-in: the test CA, the client registration,
    // the endpoints of the local OAuth server, a recipient, no windows
    // (Quiet=1), and these lines.
    void WriteSharedSettings(const std::string& extraLines = "") const;

    Deployment m_host;

private:
    std::string m_savedFolder;
    bool m_hadFolder = false;
};

}  // namespace email32::test
