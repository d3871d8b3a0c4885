// The plug-in's sends over plain SMTP to a server on this computer, and what
// it keeps when the server cannot take a message. The messages received and
// kept are checked natively by check_message.py afterwards.
#include "companions/relay/SmtpSession.h"
#include "tests/companions/relay/RelayScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

using namespace email32;
using namespace email32::test;

namespace {

// The pictures every delivery carries: every byte value, 1.5 MB, lines that
// start with a dot, and names outside ASCII (outside the ANSI code page too)
// whose short forms differ from them.
std::string WritePictures(const std::string& folder) {
    ::CreateDirectoryA(folder.c_str(), nullptr);
    std::string first = "\xFF\xD8\xFF\xE0";
    unsigned state = 12345;
    for (int i = 0; i < 1500000; ++i) {
        state = state * 1103515245u + 12345u;
        first += static_cast<char>(state >> 24);
    }
    std::string second = ".\r\n.\r\n..\n";
    for (int i = 0; i < 256; ++i) second += static_cast<char>(i);
    const std::wstring paths[] = {Wide(folder) + L"Sunset at sea.jpg", Wide(folder) + L"Stra\u00DFe \u5915\u967D.png",
                                  Wide(folder) + L"\u7167\u7247 \u03A9.jpg"};
    WriteWide(paths[0], first);
    WriteWide(paths[1], second);
    WriteWide(paths[2], "\xFF\xD8 photo");
    return ShortPath(paths[0]) + "^" + ShortPath(paths[1]) + "^" + ShortPath(paths[2]);
}

void ExpectCompleteMessageWithThePictures(const std::string& message) {
    EXPECT_EQ(message.rfind("From: ", 0), 0u);
    EXPECT_NE(message.find("filename=\"Sunset at sea.jpg\""), std::string::npos);
    EXPECT_NE(message.find("filename*0*=UTF-8''Stra%C3%9Fe%20%E5%A4%95%E9%99%BD.png"), std::string::npos);
    EXPECT_NE(message.find("filename*0*=UTF-8''%E7%85%A7%E7%89%87%20%CE%A9.jpg"), std::string::npos);
    const size_t boundary = message.find("boundary=\"");
    ASSERT_NE(boundary, std::string::npos);
    const std::string name = message.substr(boundary + 10, message.find('"', boundary + 10) - boundary - 10);
    EXPECT_EQ(message.substr(message.size() - name.size() - 6), "--" + name + "--\r\n");
}

class RelayPlugin : public RelayScene {
protected:
    void SetUp() override {
        if (ServerFolder().empty()) GTEST_SKIP() << "needs the SMTP servers";
        RelayScene::SetUp();
    }
    std::string Plain(const std::string& more = "") const {
        return "Host=127.0.0.1\r\nPort=" + std::to_string(ServerPort("plain")) + "\r\n" + more;
    }
};

}  // namespace

TEST_F(RelayPlugin, PicturesReachTheServerUnderTheirOwnNames) {
    // Settings in UTF-16, so that the subject can hold any character.
    const std::wstring settings = L"\xFEFF[Server]\r\nHost=127.0.0.1\r\nPort=" + std::to_wstring(ServerPort("plain")) +
                                  L"\r\nRecipient=Pictures <pictures@email32.example>, second@email32.example\r\n"
                                  L"Subject=Fotos \u2013 \u5915\u967D\r\n";
    WriteFile(HostFolder() + "Relay32.ini",
              std::string(reinterpret_cast<const char*>(settings.data()), settings.size() * sizeof(wchar_t)));

    EXPECT_EQ(Send(WritePictures(ServerFolder() + "sent\\")), 1);
    EXPECT_TRUE(OutboxFiles().empty());
    EXPECT_EQ(NewLogText(), "");
    ExpectCompleteMessageWithThePictures(KeepNewestForChecks("plain", "pictures"));
}

TEST_F(RelayPlugin, ACaretInANameAndACommaInADisplayNameArriveWhole) {
    WriteSettings(Plain("Recipient=\"Pictures, Inbox\" <j@x.example>; k@y.example\r\n"));
    WriteFile(m_files / "x^y.jpg", "caret");
    const std::string rcptBefore = ServerTranscript("plain");

    EXPECT_EQ(Send(ShortPath(Wide(m_files / "x^y.jpg"))), 1);
    const std::string message = KeepNewestForChecks("plain", "caret");
    EXPECT_NE(message.find("To: \"Pictures, Inbox\" <j@x.example>,\r\n k@y.example\r\n"), std::string::npos);
    EXPECT_NE(message.find("filename=\"x^y.jpg\""), std::string::npos);
    EXPECT_NE(message.find("Y2FyZXQ=\r\n"), std::string::npos);  // "caret"
    const std::string said = ServerTranscript("plain").substr(rcptBefore.size());
    EXPECT_EQ(said.find("plain RCPT"),
              said.find("plain RCPT TO:<j@x.example>\nplain RCPT TO:<k@y.example>\nplain DATA"));
    EXPECT_NE(
        ReadFile(ServerFolder() + "received\\caret.json").find("\"rcpt_tos\": [\"j@x.example\", \"k@y.example\"]"),
        std::string::npos);
}

TEST_F(RelayPlugin, WaitingMessagesGoOutFirstOldestFirst) {
    const ClosedPort closed;
    WriteFile(m_files / "a.gif", "GIF89a");
    const std::string file = ShortPath(Wide(m_files / "a.gif"));
    for (const char* subject : {"first", "second"}) {
        WriteSettings("Host=127.0.0.1\r\nPort=" + std::to_string(closed.port) +
                      "\r\nRecipient=a@x.example\r\nSubject=" + subject + "\r\n");
        EXPECT_EQ(Send(file), 2);
        ::Sleep(20);  // distinct creation times
    }
    const int before = ServerMessageCount("plain");
    WriteSettings(Plain("Recipient=a@x.example\r\nSubject=third\r\n"));
    EXPECT_EQ(Send(file), 1);
    EXPECT_TRUE(OutboxFiles().empty());
    ASSERT_EQ(ServerMessageCount("plain"), before + 3);
    for (int i = 0; i < 3; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%04d.eml", before + 1 + i);
        const std::string subject = std::string("Subject: ") +
                                    (i == 0   ? "first"
                                     : i == 1 ? "second"
                                              : "third") +
                                    "\r\n";
        EXPECT_NE(ReadFile(ServerFolder() + "plain\\" + name).find(subject), std::string::npos) << name;
    }
    const std::string log = NewLogText();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4) << log;  // two kept, two delivered from the outbox
}

TEST_F(RelayPlugin, RefusedDeliveryKeepsOneCompleteMessageInTheOutbox) {
    const ClosedPort closed;
    WriteSettings("Host=127.0.0.1\r\nPort=" + std::to_string(closed.port) +
                  "\r\nRecipient=a@email32.example\r\nSender=Email32 Test <tests@email32.example>\r\n");
    EXPECT_EQ(Send(WritePictures(ServerFolder() + "sent\\")), 2);
    const std::string message = OnlyOutboxMessage();
    ExpectCompleteMessageWithThePictures(message);
    EXPECT_EQ(message.rfind("From: Email32 Test <tests@email32.example>\r\n", 0), 0u);
    const std::string log = NewLogText();
    EXPECT_NE(log.find("127.0.0.1:" + std::to_string(closed.port) + " connect: "), std::string::npos) << log;
    EXPECT_NE(log.find("; message kept in " + AppDataFolder() + "Outbox\\"), std::string::npos) << log;
    EXPECT_EQ(log.find('\n'), log.size() - 1) << "one log line";
    // For the native check: the outbox copy must parse like a delivered one.
    ::CreateDirectoryA((ServerFolder() + "received").c_str(), nullptr);
    WriteFile(ServerFolder() + "received\\refused.eml", message);
}

TEST_F(RelayPlugin, WithoutServerOrRecipientTheMessageWaitsInTheOutbox) {
    const std::string joined = WritePictures(m_files.path());
    WriteSettings("");
    EXPECT_EQ(Send(joined), 2);
    ExpectCompleteMessageWithThePictures(OnlyOutboxMessage());
    EXPECT_NE(NewLogText().find("no server set (Host in " + HostFolder() + "Relay32.ini)"), std::string::npos);
    TearDown();
    SetUp();

    WriteSettings("Host=127.0.0.1\r\nPort=1\r\n");
    EXPECT_EQ(Send(joined), 2);
    EXPECT_NE(OnlyOutboxMessage().find("To: undisclosed-recipients:;\r\n"), std::string::npos);
    EXPECT_NE(NewLogText().find("no recipient set"), std::string::npos);
    TearDown();
    SetUp();

    WriteSettings(Plain("Recipient=\"Pictures <p@x.example>\r\n"));
    EXPECT_EQ(Send(joined), 2);
    EXPECT_NE(NewLogText().find("Recipient: unclosed quote at"), std::string::npos) << NewLogText();
}

TEST_F(RelayPlugin, ARecipientRefusedForGoodMovesThatMessageToFailedWhereNoSendTriesItAgain) {
    WriteSettings(Plain("Recipient=refused@email32.example\r\n"));
    EXPECT_EQ(Send(WritePictures(m_files.path())), 2);
    EXPECT_TRUE(OutboxFiles().empty());
    const std::vector<std::string> failed = FailedMessages();
    ASSERT_EQ(failed.size(), 1u);
    ExpectCompleteMessageWithThePictures(ReadFile(OutboxFolder() + "Failed\\" + failed[0]));
    const std::string envelope =
        ReadFile(OutboxFolder() + "Failed\\" + failed[0].substr(0, failed[0].size() - 4) + ".env");
    EXPECT_NE(envelope.find("\r\nLast-Reason: 127.0.0.1:"), std::string::npos) << envelope;
    EXPECT_NE(envelope.find("RCPT TO:<refused@email32.example>: refused: 550"), std::string::npos) << envelope;
    const std::string log = NewLogText();
    EXPECT_NE(log.find("RCPT TO:<refused@email32.example>: refused: 550"), std::string::npos) << log;
    EXPECT_NE(log.find(failed[0] + " moved to " + OutboxFolder() + "Failed\\ and never sent again"), std::string::npos)
        << log;

    // The refusal concerns that message's recipient: the next message, for
    // someone the server takes, goes, and the log says nothing more of the
    // first.
    WriteSettings(Plain("Recipient=a@x.example\r\n"));
    WriteFile(m_files / "next.gif", "GIF89a");
    const size_t logged = NewLogText().size();
    EXPECT_EQ(Send(ShortPath(Wide(m_files / "next.gif"))), 1);
    EXPECT_EQ(NewLogText().substr(logged), "");
    EXPECT_EQ(FailedMessages(), failed);
}

TEST_F(RelayPlugin, AFileThatCannotBeReadStopsTheWholeSend) {
    WriteSettings(Plain("Recipient=a@x.example\r\n"));
    WriteFile(m_files / "kept.gif", "GIF89a");
    const std::string missing = m_files / "missing.jpg";
    const int before = ServerMessageCount("plain");
    EXPECT_EQ(Send(ShortPath(Wide(m_files / "kept.gif")) + "^" + missing), 0);
    EXPECT_EQ(ServerMessageCount("plain"), before);
    EXPECT_TRUE(OutboxFiles().empty());
    EXPECT_NE(NewLogText().find("cannot read " + missing + "; nothing sent"), std::string::npos) << NewLogText();
}

TEST_F(RelayPlugin, NothingToSendMakesNoMessage) {
    EXPECT_EQ(Send(""), 0);
    EXPECT_EQ(Send("^^"), 0);
    EXPECT_EQ(Send(std::string(20000, '^')), 0);
    const email32::base::AutoLibrary plugin(::LoadLibraryA((HostFolder() + "Relay32.dll").c_str()));
    const auto send = email32::base::ProcAddress<int(__cdecl*)(int, const char*)>(plugin.get(), "MailSvr_SendFiles");
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send(1, nullptr), 0);
    EXPECT_TRUE(OutboxFiles().empty());
    EXPECT_NE(NewLogText().find("no file to send"), std::string::npos);
}

TEST_F(RelayPlugin, ATricklingServerIsGivenUpWithinTheDocumentedBound) {
    // One byte of greeting every two seconds: each wait is short, the whole
    // exchange is not.
    constexpr int kTimeout = 3;
    WriteSettings("Host=127.0.0.1\r\nPort=" + std::to_string(ServerPort("trickle")) +
                  "\r\nRecipient=a@x.example\r\nTimeout=" + std::to_string(kTimeout) + "\r\n");
    WriteFile(m_files / "a.gif", "GIF89a");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Send(ShortPath(Wide(m_files / "a.gif"))), 2);
    // One small message to one recipient: the probe, the message, the goodbye.
    const int bound = kTimeout * (relay::kProbeExchanges + relay::kMessageExchanges + 1 + 1 + 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(bound));
    EXPECT_NE(NewLogText().find("greeting: timed out"), std::string::npos) << NewLogText();
}

TEST_F(RelayPlugin, SettingsThatCannotBeUsedAsTheyStandKeepTheMessageAndTheLogSaysWhich) {
    WriteFile(m_files / "a.gif", "GIF89a");
    const std::string file = ShortPath(Wide(m_files / "a.gif"));
    const std::string before = ServerTranscript("plain");
    const std::string port = "Port=" + std::to_string(ServerPort("plain")) + "\r\n";
    for (const std::string& bad : {std::string("Port=99999\r\n"), std::string("Port=25 x\r\n"), port + "Timeout=0\r\n",
                                   port + "Timeout=601\r\n"}) {
        WriteSettings("Host=127.0.0.1\r\nRecipient=a@x.example\r\n" + bad);
        EXPECT_EQ(Send(file), 2) << bad;
    }
    EXPECT_EQ(OutboxFiles().size(), 4u);
    const std::string log = NewLogText();
    const std::string where = " in " + HostFolder() + "Relay32.ini";
    for (const std::string& said :
         {"Port=99999 is not a port number (1 to 65535)" + where, "Port=25 x is not a port number (1 to 65535)" + where,
          "Timeout=0 is not a number of seconds (1 to 600)" + where,
          "Timeout=601 is not a number of seconds (1 to 600)" + where}) {
        EXPECT_NE(log.find(said), std::string::npos) << said << "\n" << log;
    }
    EXPECT_EQ(ServerTranscript("plain"), before) << "no server was asked";
}

TEST_F(RelayPlugin, ALongSubjectArrivesWholeWithItsLineBreaksAsBlanks) {
    // A megabyte of words, with a carriage return among them.
    std::string subject;
    for (int i = 0; subject.size() < (1u << 20); ++i) subject += "word" + std::to_string(i) + " ";
    subject += "end";
    std::string written = subject;
    written[written.find(' ', 5000)] = '\r';
    WriteSettings(Plain("Recipient=a@x.example\r\nSubject=" + written + "\r\n"));
    WriteFile(m_files / "a.gif", "GIF89a");
    EXPECT_EQ(Send(ShortPath(Wide(m_files / "a.gif"))), 1);

    char name[16];
    std::snprintf(name, sizeof name, "%04d.eml", ServerMessageCount("plain"));
    const std::string message = ReadFile(ServerFolder() + "plain\\" + name);
    const size_t start = message.find("\r\nSubject: ") + 11;
    size_t end = start;
    while ((end = message.find("\r\n", end)) != std::string::npos && message[end + 2] == ' ') end += 2;
    std::string header = message.substr(start, end - start);
    for (size_t fold; (fold = header.find("\r\n")) != std::string::npos;) header.erase(fold, 2);
    EXPECT_EQ(header.size(), subject.size());
    EXPECT_TRUE(header == subject) << "the subject arrived changed";
}

TEST_F(RelayPlugin, ADamagedOutboxMessageIsMovedAsideAndNeverSent) {
    const ClosedPort closed;
    WriteSettings("Host=127.0.0.1\r\nPort=" + std::to_string(closed.port) + "\r\nRecipient=a@x.example\r\n");
    WriteFile(m_files / "a.gif", "GIF89a");
    const std::string file = ShortPath(Wide(m_files / "a.gif"));
    ASSERT_EQ(Send(file), 2);
    const std::string whole = *OutboxFiles().begin();
    const std::string base = OutboxFolder() + whole.substr(0, whole.size() - 4);
    const std::string message = ReadFile(base + ".eml"), envelope = ReadFile(base + ".env");
    // Emptied, cut short, and one without the envelope that says whom it is for.
    WriteFile(OutboxFolder() + "empty.eml", "");
    WriteFile(OutboxFolder() + "empty.env", envelope);
    WriteFile(OutboxFolder() + "cut.eml", message.substr(0, message.size() / 2));
    WriteFile(OutboxFolder() + "cut.env", envelope);
    WriteFile(OutboxFolder() + "alone.eml", message);

    const int before = ServerMessageCount("plain");
    WriteSettings(Plain("Recipient=a@x.example\r\n"));
    EXPECT_EQ(Send(file), 1);
    EXPECT_EQ(ServerMessageCount("plain"), before + 2) << "the whole waiting message and the new one";
    EXPECT_TRUE(OutboxFiles().empty());
    for (const char* name : {"empty.eml", "cut.eml", "alone.eml"}) {
        EXPECT_TRUE(FileExists(OutboxFolder() + "Damaged\\" + name)) << name;
    }
    const std::string log = NewLogText();
    for (const char* said : {"empty.eml is damaged: it is empty; moved to ", "cut.eml is damaged: it is cut short (",
                             "alone.eml is damaged: it has no envelope"}) {
        EXPECT_NE(log.find(said), std::string::npos) << said << "\n" << log;
    }
}
