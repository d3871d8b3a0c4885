// The plug-in against servers that want TLS and a login (aiosmtpd with a
// certificate of a test CA that the fixture made): what gets through, and
// that an untrusted or plain-text server gets neither the login nor the
// message. Servers are reached as "localhost", the name their certificates
// carry.
#include "tests/companions/relay/RelayScene.h"

#include <gtest/gtest.h>
#include <wincrypt.h>

using namespace email32;
using namespace email32::test;

namespace {

std::wstring WideUtf8(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                          wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

class RelayTls : public RelayScene {
protected:
    void SetUp() override {
        if (ServerFolder().empty()) GTEST_SKIP() << "needs the SMTP servers";
        RelayScene::SetUp();
        ASSERT_TRUE(StorePassword(L"localhost", L"relay", WideUtf8(ServerPassword())));
        WriteFile(m_files / "a.gif", "GIF89a");
        m_picture = ShortPath(Wide(m_files / "a.gif"));
    }
    void TearDown() override {
        ExpectPasswordInNoFile(ServerPassword());
        RelayScene::TearDown();
    }
    static std::string Server(const std::string& name, const std::string& more) {
        return "Host=localhost\r\nPort=" + std::to_string(ServerPort(name)) + "\r\nRecipient=a@x.example\r\n" + more;
    }
    static std::string CaFile() { return "CaFile=" + ServerFolder() + "pki\\ca.pem\r\n"; }
    // The test CA joins the user's root store, as a company's CA would.
    static void TrustTheTestCaInTheWindowsStore() {
        const std::string pem = ReadFile(ServerFolder() + "pki\\ca.pem");
        DWORD length = 0;
        ASSERT_TRUE(
            ::CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &length, nullptr, nullptr));
        std::string der(length, '\0');
        ASSERT_TRUE(::CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER,
                                           reinterpret_cast<BYTE*>(der.data()), &length, nullptr, nullptr));
        const HCERTSTORE root = ::CertOpenSystemStoreA(0, "ROOT");
        ASSERT_NE(root, nullptr);
        EXPECT_TRUE(::CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING,
                                                       reinterpret_cast<const BYTE*>(der.data()), length,
                                                       CERT_STORE_ADD_USE_EXISTING, nullptr));
        ::CertCloseStore(root, 0);
    }
    // What the server was told during this test.
    static std::string Said(const std::string& server, const std::string& before) {
        return ServerTranscript(server).substr(before.size());
    }

    std::string m_picture;
};

}  // namespace

TEST_F(RelayTls, StartTlsWithALoginDeliversThePicturesWhole) {
    WriteSettings(Server("starttls", "User=relay\r\n" + CaFile()));
    const int before = ServerMessageCount("starttls");
    // Pictures in the folder the native check compares the message with.
    const std::string sent = ServerFolder() + "sent-tls\\";
    ::CreateDirectoryA(sent.c_str(), nullptr);
    WriteWide(Wide(sent) + L"Harbour \u00E0 l'aube.jpg", std::string(300000, '\xAB') + ".\r\n.");
    WriteWide(Wide(sent) + L"\u7167\u7247 \u03A9.jpg", "\xFF\xD8\xFF");
    const std::string joined =
        ShortPath(Wide(sent) + L"Harbour \u00E0 l'aube.jpg") + "^" + ShortPath(Wide(sent) + L"\u7167\u7247 \u03A9.jpg");

    EXPECT_EQ(Send(joined), 1);
    EXPECT_EQ(ServerMessageCount("starttls"), before + 1);
    EXPECT_TRUE(OutboxFiles().empty());
    // The login and the message only inside TLS.
    const std::string said = ServerTranscript("starttls");
    EXPECT_EQ(said.find("plain AUTH"), std::string::npos);
    EXPECT_EQ(said.find("plain MAIL"), std::string::npos);
    EXPECT_NE(said.find("tls AUTH"), std::string::npos);
    (void)KeepNewestForChecks("starttls", "starttls");
}

TEST_F(RelayTls, ImplicitTlsDeliversWhenTheWindowsStoreTrustsTheCa) {
    TrustTheTestCaInTheWindowsStore();
    WriteSettings(Server("implicit", "Security=tls\r\nUser=relay\r\n"));
    const int before = ServerMessageCount("implicit");
    EXPECT_EQ(Send(m_picture), 1);
    EXPECT_EQ(ServerMessageCount("implicit"), before + 1);
}

TEST_F(RelayTls, AWrongPasswordKeepsTheMessageAndTheLogSaysTheLoginFailed) {
    ASSERT_TRUE(StorePassword(L"localhost", L"relay", L"not the password"));
    WriteSettings(Server("starttls", "User=relay\r\n" + CaFile()));
    EXPECT_EQ(Send(m_picture), 2);
    EXPECT_EQ(OutboxFiles().size(), 1u);
    const std::string log = NewLogText();
    EXPECT_NE(log.find("login failed for relay: 535"), std::string::npos) << log;
    ExpectPasswordInNoFile("not the password");
}

TEST_F(RelayTls, WithoutTheUsersPasswordNothingIsTried) {
    const std::string before = ServerTranscript("starttls");
    WriteSettings("Host=127.0.0.1\r\nPort=" + std::to_string(ServerPort("starttls")) +
                  "\r\nRecipient=a@x.example\r\nUser=relay\r\n" + CaFile());
    EXPECT_EQ(Send(m_picture), 2);
    WriteSettings(Server("starttls", "User=nobody\r\n" + CaFile()));
    EXPECT_EQ(Send(m_picture), 2);
    const std::string log = NewLogText();
    EXPECT_NE(log.find("no password stored for relay at 127.0.0.1 (email32 relay-password 127.0.0.1 relay)"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("the password stored for localhost is relay's, not nobody's"), std::string::npos) << log;
    EXPECT_EQ(ServerTranscript("starttls"), before);
}

TEST_F(RelayTls, StartTlsRequiredFromAPlainServerSendsNothing) {
    const std::string before = ServerTranscript("plain");
    WriteSettings(Server("plain", "Security=starttls\r\n"));
    EXPECT_EQ(Send(m_picture), 2);
    EXPECT_EQ(OutboxFiles().size(), 1u);
    EXPECT_NE(NewLogText().find("offers no STARTTLS; nothing was sent"), std::string::npos) << NewLogText();
    const std::string said = ServerTranscript("plain").substr(before.size());
    EXPECT_EQ(said.find("MAIL"), std::string::npos) << said;
}

TEST_F(RelayTls, APasswordNeverGoesToAServerWithoutTls) {
    // Automatic security sends in plain text to this computer, but not the password.
    const std::string before = ServerTranscript("plain");
    WriteSettings(Server("plain", "User=relay\r\n"));
    EXPECT_EQ(Send(m_picture), 2);
    EXPECT_NE(NewLogText().find("the password for relay is never sent in plain text"), std::string::npos);
    WriteSettings(Server("plain", "User=relay\r\nSecurity=none\r\n"));
    EXPECT_EQ(Send(m_picture), 2);
    EXPECT_EQ(Count(NewLogText(), "is never sent in plain text"), 2u) << NewLogText();
    const std::string said = ServerTranscript("plain").substr(before.size());
    EXPECT_EQ(said.find("AUTH"), std::string::npos);
    EXPECT_EQ(said.find("MAIL"), std::string::npos);
}

TEST_F(RelayTls, AServerNoTrustedAuthorityVouchesForGetsNeitherLoginNorMessage) {
    const std::string before = ServerTranscript("rogue");
    for (const std::string& caFile : {CaFile(), std::string()}) {
        WriteSettings(Server("rogue", "User=relay\r\n" + caFile));
        EXPECT_EQ(Send(m_picture), 2);
    }
    EXPECT_EQ(OutboxFiles().size(), 2u);
    const std::string log = NewLogText();
    EXPECT_EQ(Count(log, "localhost:" + std::to_string(ServerPort("rogue")) + " is not trusted: "), 2u) << log;
    const std::string said = ServerTranscript("rogue").substr(before.size());
    EXPECT_NE(said.find("STARTTLS"), std::string::npos);
    EXPECT_EQ(said.find("AUTH"), std::string::npos) << said;
    EXPECT_EQ(said.find("MAIL"), std::string::npos) << said;
    EXPECT_EQ(ServerMessageCount("rogue"), 0);
}

TEST_F(RelayTls, AMessageLargerThanTheServerTakesGoesToFailedWithoutBeingSent) {
    WriteSettings(Server("starttls", "User=relay\r\n" + CaFile()));
    WriteFile(m_files / "large.jpg", std::string(1200000, 'L'));
    const std::string before = ServerTranscript("starttls");
    EXPECT_EQ(Send(ShortPath(Wide(m_files / "large.jpg"))), 2);
    EXPECT_TRUE(OutboxFiles().empty());
    EXPECT_EQ(FailedMessages().size(), 1u);
    EXPECT_NE(NewLogText().find("is larger than the server takes (SIZE 1048576)"), std::string::npos) << NewLogText();
    EXPECT_EQ(ServerTranscript("starttls").substr(before.size()).find("MAIL"), std::string::npos);
}

TEST_F(RelayTls, AnImpostorOfARootInTheWindowsStoreGetsNeitherLoginNorMessage) {
    TrustTheTestCaInTheWindowsStore();
    const std::string before = ServerTranscript("impostor");
    WriteSettings(Server("impostor", "Security=starttls\r\nUser=relay\r\n"));
    EXPECT_EQ(Send(m_picture), 2);
    const std::string said = Said("impostor", before);
    EXPECT_EQ(said.find("AUTH"), std::string::npos) << said;
    EXPECT_EQ(said.find("MAIL"), std::string::npos) << said;
    EXPECT_NE(NewLogText().find(" is not trusted: "), std::string::npos) << NewLogText();
}

TEST_F(RelayTls, EveryConnectionIsHeldToTheCheckedKeyAndToTls12OrNewer) {
    // The probe meets the good certificate, the delivery connection the
    // impostor's: the login never goes out.
    const std::string switched = ServerTranscript("switch");
    WriteSettings(Server("switch", "User=relay\r\n" + CaFile()));
    EXPECT_EQ(Send(m_picture), 2);
    EXPECT_EQ(Said("switch", switched).find("AUTH"), std::string::npos) << Said("switch", switched);
    EXPECT_NE(NewLogText().find("showed another key than the one checked moments before"), std::string::npos)
        << NewLogText();

    // A server that speaks nothing newer than TLS 1.1.
    const std::string old = ServerTranscript("oldtls");
    WriteSettings(Server("oldtls", "User=relay\r\n" + CaFile()));
    EXPECT_EQ(Send(m_picture), 2);
    EXPECT_EQ(Said("oldtls", old).find("AUTH"), std::string::npos) << Said("oldtls", old);
    EXPECT_EQ(ServerMessageCount("oldtls"), 0);
}
