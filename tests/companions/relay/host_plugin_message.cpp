// The plug-in's wide entry: a message with the caller's recipients, subject
// and text, delivered over plain SMTP to a server on this computer.
#include "tests/companions/relay/RelayScene.h"

#include <gtest/gtest.h>

using namespace email32;
using namespace email32::test;

namespace {

using SendMessageWFn = int(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*,
                                     const wchar_t* const*, int);
using FlushOutboxFn = int(__cdecl*)(int*, int*, int*, wchar_t*, int);

class RelayMessage : public RelayScene {
protected:
    void SetUp() override {
        if (ServerFolder().empty()) GTEST_SKIP() << "needs the SMTP servers";
        RelayScene::SetUp();
        m_picture = Wide(m_files / "Trip.jpg");
        WriteWide(m_picture, "\xFF\xD8 picture");
    }
    void Settings(const std::string& more) const {
        WriteSettings("Host=127.0.0.1\r\nPort=" + std::to_string(ServerPort("plain")) + "\r\n" + more);
    }
    int SendMessage(const wchar_t* to, const wchar_t* cc, const wchar_t* subject, const wchar_t* body) const {
        const email32::base::AutoLibrary plugin(::LoadLibraryA((HostFolder() + "Relay32.dll").c_str()));
        const auto send = email32::base::ProcAddress<SendMessageWFn>(plugin.get(), "MailSvr_SendMessageW");
        EXPECT_NE(send, nullptr);
        const wchar_t* files[] = {m_picture.c_str()};
        return send ? send(to, cc, subject, body, files, 1) : -1;
    }
    // MailSvr_FlushOutbox's delivered count.
    int Flush() const {
        const email32::base::AutoLibrary plugin(::LoadLibraryA((HostFolder() + "Relay32.dll").c_str()));
        const auto flush = email32::base::ProcAddress<FlushOutboxFn>(plugin.get(), "MailSvr_FlushOutbox");
        int delivered = -1, kept = -1, busy = -1;
        wchar_t problem[256] = {};
        EXPECT_TRUE(flush && flush(&delivered, &kept, &busy, problem, 256)) << "the flush ran";
        EXPECT_EQ(kept, 0);
        return delivered;
    }
    // The RCPT TO commands the server was given since `before`.
    static std::string Recipients(const std::string& before) {
        std::string said = ServerTranscript("plain").substr(before.size()), recipients;
        for (size_t at = 0; (at = said.find("RCPT TO:", at)) != std::string::npos; at += 8) {
            recipients += said.substr(at + 8, said.find('\n', at) - at - 8) + " ";
        }
        return recipients;
    }

    std::wstring m_picture;
};

}  // namespace

TEST_F(RelayMessage, ItsOwnRecipientsSubjectAndTextTakeThePlaceOfTheSettings) {
    Settings("Recipient=settings@x.example\r\nSubject=Pictures\r\n");
    std::string before = ServerTranscript("plain");
    EXPECT_EQ(SendMessage(L"Photo Club <club@example.org>", L"\"Ann, B.\" <ann@example.org>", L"Trip, day 2",
                          L"Two pictures\nfrom the trip"),
              1);
    EXPECT_EQ(Recipients(before), "<club@example.org> <ann@example.org> ");
    const std::string message = KeepNewestForChecks("plain", "fields");
    for (const char* part :
         {"\r\nTo: Photo Club <club@example.org>\r\n", "\r\nCc: \"Ann, B.\" <ann@example.org>\r\n",
          "\r\nSubject: Trip, day 2\r\n", "\r\n\r\nTwo pictures\r\nfrom the trip\r\n", "filename=\"Trip.jpg\""}) {
        EXPECT_NE(message.find(part), std::string::npos) << part;
    }
    EXPECT_TRUE(OutboxFiles().empty());

    // A subject alone: the settings' recipients; recipients of its own need
    // none in the settings.
    before = ServerTranscript("plain");
    // Null fields are the entry's "not given".
    // cppcheck-suppress nullPointer
    EXPECT_EQ(SendMessage(nullptr, nullptr, L"Only a subject", nullptr), 1);
    EXPECT_EQ(Recipients(before), "<settings@x.example> ");
    Settings("Subject=Pictures\r\n");
    before = ServerTranscript("plain");
    EXPECT_EQ(SendMessage(L"club@example.org", nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(Recipients(before), "<club@example.org> ");
    EXPECT_EQ(NewLogText(), "");
}

TEST_F(RelayMessage, ARecipientListThatIsNoAddressListSendsNothing) {
    Settings("Recipient=settings@x.example\r\n");
    const int before = ServerMessageCount("plain");
    EXPECT_EQ(SendMessage(L"Photo Club <club@example.org", nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(ServerMessageCount("plain"), before);
    EXPECT_TRUE(OutboxFiles().empty());
    EXPECT_NE(NewLogText().find("To: "), std::string::npos) << NewLogText();
}

TEST_F(RelayMessage, AKeptMessageGoesToItsOwnRecipientsWhateverTheSettingsSayLater) {
    // Nothing listens on port 1 of this computer: the message waits.
    WriteSettings("Host=127.0.0.1\r\nPort=1\r\nRecipient=settings@x.example\r\n");
    EXPECT_EQ(SendMessage(L"Photo Club <club@example.org>", L"ann@example.org", L"Trip, day 2", nullptr), 2);
    Settings("Recipient=later@x.example\r\n");
    const std::string before = ServerTranscript("plain");
    EXPECT_EQ(Flush(), 1);
    EXPECT_EQ(Recipients(before), "<club@example.org> <ann@example.org> ");
    EXPECT_TRUE(OutboxFiles().empty());
}
