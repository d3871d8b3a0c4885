// "email32 relay-setup": settings for an address from the built-in table
// without a network, from a local HTTPS autoconfig server (written to the
// per-user settings), from SRV and MX records of a local DNS server, and a
// clear end within the time limit when the autoconfig server floods or
// stays silent.
#include "tests/companions/relay/AccountScene.h"

using namespace email32::test;

namespace {

using AccountSetup = AccountScene;

std::string WithoutMarks(std::string text) {
    std::string plain;
    for (const char c : text) {
        if (c != '\0' && static_cast<unsigned char>(c) != 0xFF && static_cast<unsigned char>(c) != 0xFE) plain += c;
    }
    return plain;
}

}  // namespace

TEST_F(AccountSetup, AGmailAddressIsAnsweredFromTheBuiltInTableWithoutAskingAnyServer) {
    // Were the table skipped, the autoconfig server would hear of it.
    WriteSharedSettings("AutoconfigUrl=" + AccountServerUrl() + "/good\r\n");
    const std::string asked = AccountServerFile("autoconfig");
    const ProcessResult found = m_host.Run("relay-setup someone@gmail.com");
    EXPECT_EQ(found.output, "host smtp.gmail.com port 465 security tls auth OAUTH2 source built-in\n");
    EXPECT_EQ(found.exitCode, 0u) << found.errors;
    EXPECT_EQ(AccountServerFile("autoconfig"), asked);
    EXPECT_FALSE(FileExists(UserSettingsFile()));

    const ProcessResult outlook = m_host.Run("relay-setup me@Hotmail.com");
    EXPECT_EQ(outlook.output, "host smtp-mail.outlook.com port 587 security starttls auth OAUTH2 source built-in\n");
    EXPECT_EQ(m_host.Run("relay-setup not-an-address").exitCode, 1u);
    EXPECT_EQ(m_host.Run("relay-setup").exitCode, 64u);
}

TEST_F(AccountSetup, AnAutoconfigAnswerIsFoundAndWrittenToThePerUserSettings) {
    WriteSharedSettings("AutoconfigUrl=" + AccountServerUrl() + "/good\r\n");
    const std::string shared = ReadFile(m_host.folder() + "Relay32.ini");
    const ProcessResult found = m_host.Run("relay-setup someone@example.test --write");
    const std::string port = std::to_string(AccountServerPort("smtp"));
    EXPECT_EQ(found.output, "host localhost port " + port + " security starttls auth OAUTH2 source autoconfig\n");
    EXPECT_EQ(found.exitCode, 0u) << found.errors;
    EXPECT_NE(AccountServerFile("autoconfig").find("someone@example.test"), std::string::npos);

    const std::string written = WithoutMarks(ReadFile(UserSettingsFile()));
    for (const std::string& line : std::vector<std::string>{"Address=someone@example.test", "Host=localhost",
                                                            "Port=" + port, "Security=starttls", "AuthMethod=OAUTH2"}) {
        EXPECT_NE(written.find(line), std::string::npos) << line << " in " << written;
    }
    EXPECT_EQ(ReadFile(m_host.folder() + "Relay32.ini"), shared);
}

TEST_F(AccountSetup, SubmissionRecordsAndTheMailExchangerAnswerWhereNothingElseDoes) {
    const std::string dns = AccountServerFile("dns.address");
    if (dns.empty()) GTEST_SKIP() << "the DNS stand-in could not have port 53";
    WriteSharedSettings("DnsServer=" + SplitLines(dns).front() + "\r\n");
    struct Case {
        const char* address;
        const char* line;
    };
    const Case cases[] = {
        // The record of lowest priority wins; _submissions before _submission.
        {"a@srv.example.test", "host smtp.srv.example.test port 465 security tls auth password source srv"},
        // The MX host's domain has a submission record.
        {"b@mx.example.test", "host submit.hosted.example.test port 587 security starttls auth password source mx-srv"},
        // A domain whose mail Microsoft 365 takes.
        {"c@tenant.example.test", "host smtp.office365.com port 587 security starttls auth OAUTH2 source mx-built-in"},
    };
    for (const Case& c : cases) {
        const ProcessResult found = m_host.Run(std::string("relay-setup ") + c.address);
        EXPECT_EQ(found.output, std::string(c.line) + "\n") << found.errors;
    }
    // A target of "." says that there is no such service.
    const ProcessResult none = m_host.Run("relay-setup d@none.example.test");
    EXPECT_EQ(none.exitCode, 1u);
    EXPECT_NE(none.errors.find("_submissions._tcp.none.example.test: the domain offers no such service"),
              std::string::npos)
        << none.errors;
}

TEST_F(AccountSetup, AFloodingOrSilentAutoconfigServerEndsWithinTheTimeLimitWithAClearLine) {
    struct Case {
        const char* path;
        const char* said;
    };
    for (const Case c : {Case{"/big", "answered more than 1 MB"}, Case{"/silent", "no answer within 10 s"}}) {
        WriteSharedSettings("AutoconfigUrl=" + AccountServerUrl() + c.path + "\r\n");
        const ULONGLONG started = ::GetTickCount64();
        const ProcessResult result = m_host.Run("relay-setup someone@example.test --write");
        const ULONGLONG took = ::GetTickCount64() - started;
        EXPECT_EQ(result.exitCode, 1u) << c.path;
        EXPECT_EQ(result.output, "") << c.path;
        EXPECT_EQ(result.errors.rfind("email32: no settings found for someone@example.test (autoconfig: ", 0), 0u)
            << result.errors;
        EXPECT_NE(result.errors.find(c.said), std::string::npos) << result.errors;
        // The answer's limit (10 s) plus the DNS questions of the later steps.
        EXPECT_LT(took, 25000u) << c.path;
        EXPECT_FALSE(FileExists(UserSettingsFile()));
    }
}

TEST_F(AccountSetup, WithAReadOnlyPluginFolderTheAccountGoesToThePerUserFileAndDetectionListsIt) {
    WriteSharedSettings("AutoconfigUrl=" + AccountServerUrl() + "/good\r\n");
    m_host.WriteCatalogue(
        "[LinkEntry]\r\nCount=1\r\n0=SmtpRelay\r\n[SmtpRelay]\r\nTitle=SMTP server (Relay32)\r\n"
        "PathType=15\r\nRegKey=HKCU\r\nSection=Software\\Email32\\Relay\r\nKey=Folder\r\n"
        "ExeName=Relay32.dll\r\nLinkType=7\r\n");
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Email32\\Relay", "Folder");
    const std::string folder = m_host.folder().substr(0, m_host.folder().size() - 1);
    const std::string shared = ReadFile(m_host.folder() + "Relay32.ini");
    ::SetFileAttributesA((m_host.folder() + "Relay32.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(m_host.Run("detect").output.find("SmtpRelay") == std::string::npos);

    const ProcessResult written = m_host.Run("relay-setup someone@example.test --write");
    ::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    ::SetFileAttributesA((m_host.folder() + "Relay32.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(written.exitCode, 0u) << written.errors;
    EXPECT_EQ(ReadFile(m_host.folder() + "Relay32.ini"), shared);
    EXPECT_NE(WithoutMarks(ReadFile(UserSettingsFile())).find("Host=localhost"), std::string::npos);

    const ProcessResult detected = m_host.Run("detect");
    EXPECT_EQ(detected.output.rfind("SmtpRelay\tSMTP server (Relay32)\t", 0), 0u) << detected.output;
}
