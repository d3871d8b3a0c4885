// The message parts of the mail-server plug-in: base64, header texts, file
// name parameters, content types, address lists, settings, and what it
// keeps of an SMTP conversation.
#include "message/AddressList.h"
#include "message/MimeEncoding.h"
#include "message/MimeMessage.h"
#include "companions/relay/OutboxEnvelope.h"
#include "companions/relay/RelaySettings.h"
#include "companions/relay/Secret.h"
#include "companions/relay/SmtpTranscript.h"
#include "tests/support/TestEnvironment.h"
#include "base/Text.h"

#include <gtest/gtest.h>

using namespace relay;
using namespace email32::message;
using namespace email32::base;

namespace {

std::vector<std::string> CrlfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text does not end in CRLF";
    return lines;
}

}  // namespace

TEST(RelayMime, Base64MatchesTheStandardVectorsAndBreaksLinesAt76) {
    EXPECT_EQ(Base64Lines(""), "");
    EXPECT_EQ(Base64Lines("f"), "Zg==\r\n");
    EXPECT_EQ(Base64Lines("fo"), "Zm8=\r\n");
    EXPECT_EQ(Base64Lines("foo"), "Zm9v\r\n");
    EXPECT_EQ(Base64Lines("foobar"), "Zm9vYmFy\r\n");
    EXPECT_EQ(Base64Lines(std::string("\xFB\xFF\x00", 3)), "+/8A\r\n");

    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7);
    const std::vector<std::string> lines = CrlfLines(Base64Lines(bytes));
    ASSERT_EQ(lines.size(), 18u);  // 1336 characters
    for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 76u);
    EXPECT_EQ(lines.back().size(), 1336u - 17 * 76);
}

TEST(RelayMime, HeaderTextFoldsLongLinesAndNeverBreaksTheHeader) {
    EXPECT_EQ(HeaderText("Holiday pictures", 9), "Holiday pictures");
    EXPECT_EQ(HeaderText("a\r\nBcc: x@y", 9), "a  Bcc: x@y");
    // clang-format off
    EXPECT_EQ(HeaderText("Stra\xC3\x9F" "e", 9), "=?UTF-8?B?U3RyYcOfZQ==?=");
    // clang-format on

    // 1,000 characters of words: folded at blanks, nothing lost.
    std::string words;
    while (words.size() < 1000) words += "holiday ";
    words.resize(1000);
    std::string unfolded;
    for (const std::string& line : CrlfLines("Subject: " + HeaderText(words, 9) + "\r\n")) {
        EXPECT_LE(line.size(), 78u) << line;
        unfolded += line;
    }
    EXPECT_EQ(unfolded, "Subject: " + words);

    // A word no fold can fit, and text outside ASCII: encoded words, whole
    // characters in each.
    std::string cjk;
    for (int i = 0; i < 40; ++i) cjk += "\xE5\xA4\x95";
    for (const std::string& text : {std::string(200, 'x'), cjk}) {
        const std::vector<std::string> lines = CrlfLines("Subject: " + HeaderText(text, 9) + "\r\n");
        ASSERT_GT(lines.size(), 2u);
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_LE(lines[i].size(), 78u) << lines[i];
            EXPECT_EQ(lines[i].rfind(i == 0 ? "Subject: =?UTF-8?B?" : " =?UTF-8?B?", 0), 0u) << lines[i];
        }
    }
}

TEST(RelayAddresses, ListsAreReadAsRfc5322WritesThem) {
    const ParsedAddresses two = ParseAddressList("\"Pictures, Inbox\" <j@x>; k@y");
    EXPECT_EQ(two.problem, "");
    ASSERT_EQ(two.mailboxes.size(), 2u);
    EXPECT_EQ(two.mailboxes[0].name, "Pictures, Inbox");
    EXPECT_EQ(two.mailboxes[0].address, "j@x");
    EXPECT_EQ(two.mailboxes[1].address, "k@y");

    const ParsedAddresses mixed = ParseAddressList(
        "Friends: a@x (home), B <b@y>;, \"c d\"@z,, Stra\xC3\x9F"
        "e <s@[10.0.0.1]>");
    EXPECT_EQ(mixed.problem, "");
    ASSERT_EQ(mixed.mailboxes.size(), 4u);
    EXPECT_EQ(mixed.mailboxes[0].address, "a@x");
    EXPECT_EQ(mixed.mailboxes[1].name, "B");
    EXPECT_EQ(mixed.mailboxes[2].address, "\"c d\"@z");
    EXPECT_EQ(mixed.mailboxes[3].name,
              "Stra\xC3\x9F"
              "e");
    EXPECT_EQ(mixed.mailboxes[3].address, "s@[10.0.0.1]");
    EXPECT_TRUE(ParseAddressList(" , undisclosed-recipients:;").mailboxes.empty());

    for (const char* bad : {"Pictures", "a@", "\"Pictures <p@x>", "<a@x", "a@x b@y", "a b@x", "(note a@x"}) {
        EXPECT_NE(ParseAddressList(bad).problem, "") << bad;
    }
}

TEST(RelayAddresses, HeadersQuoteOrEncodeDisplayNamesOneMailboxPerLine) {
    EXPECT_EQ(AddressListHeader({}), "undisclosed-recipients:;");
    EXPECT_EQ(AddressListHeader({{"Me", "me@x"}, {"", "a@y"}}), "Me <me@x>,\r\n a@y");
    EXPECT_EQ(AddressListHeader({{"Doe, J. \"Jo\"", "j@x"}}), "\"Doe, J. \\\"Jo\\\"\" <j@x>");
    // clang-format off
    EXPECT_EQ(AddressListHeader({{"Stra\xC3\x9F" "e", "s@x"}}), "=?UTF-8?B?U3RyYcOfZQ==?= <s@x>");
    // clang-format on
}

TEST(RelayMime, FileNameParametersQuoteAsciiAndContinueOtherNames) {
    EXPECT_EQ(FileNameParameter("filename", "Sunset at sea.jpg"), "filename=\"Sunset at sea.jpg\"");
    EXPECT_EQ(FileNameParameter("filename", "say \"cheese\".jpg"), "filename=\"say \\\"cheese\\\".jpg\"");
    EXPECT_EQ(LegacyNameParameter("a.png"), "name=\"a.png\"");

    EXPECT_EQ(FileNameParameter("filename", "\xC3\xA9t\xC3\xA9 1.jpg"), "filename*0*=UTF-8''%C3%A9t%C3%A9%201.jpg");
    std::string longName;
    for (int i = 0; i < 30; ++i) longName += "\xE5\xA4\x95";
    longName += ".jpg";
    const std::vector<std::string> lines = CrlfLines(FileNameParameter("filename", longName) + "\r\n");
    ASSERT_GT(lines.size(), 1u);
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string start = (i == 0 ? "filename*" : " filename*") + std::to_string(i) + "*=";
        EXPECT_EQ(lines[i].rfind(start, 0), 0u) << lines[i];
        EXPECT_LE(lines[i].size(), 78u);
        EXPECT_EQ(lines[i].back(), i + 1 < lines.size() ? ';' : 'g');
    }
    EXPECT_EQ(LegacyNameParameter("\xC3\xA9.gif"), "name=\"=?UTF-8?B?w6kuZ2lm?=\"");
}

TEST(RelayMime, ContentTypeComesFromTheExtensionWhateverItsCase) {
    EXPECT_EQ(ContentTypeForFileName("a.jpg"), "image/jpeg");
    EXPECT_EQ(ContentTypeForFileName("A.JPEG"), "image/jpeg");
    EXPECT_EQ(ContentTypeForFileName("a.Jpe"), "image/jpeg");
    EXPECT_EQ(ContentTypeForFileName("a.gif"), "image/gif");
    EXPECT_EQ(ContentTypeForFileName("a.png"), "image/png");
    EXPECT_EQ(ContentTypeForFileName("a.bmp"), "image/bmp");
    EXPECT_EQ(ContentTypeForFileName("a.tif"), "image/tiff");
    EXPECT_EQ(ContentTypeForFileName("a.TIFF"), "image/tiff");
    EXPECT_EQ(ContentTypeForFileName("a.pcx"), "image/x-pcx");
    EXPECT_EQ(ContentTypeForFileName("a.tga"), "image/x-tga");
    EXPECT_EQ(ContentTypeForFileName("notes.txt"), "application/octet-stream");
    EXPECT_EQ(ContentTypeForFileName("README"), "application/octet-stream");
    EXPECT_EQ(ContentTypeForFileName("folder.jpg\\file"), "application/octet-stream");
}

TEST(RelayMime, WrittenMessageHasTheStandardHeadersAndOnlyShortCrlfLines) {
    SYSTEMTIME t{};
    // clang-format off
    t.wYear = 2026; t.wMonth = 12; t.wDayOfWeek = 1; t.wDay = 7; t.wHour = 8; t.wMinute = 5; t.wSecond = 9;
    // clang-format on
    EXPECT_EQ(MessageDate(t), "Mon, 07 Dec 2026 08:05:09 +0000");
    const std::string id = NewMessageId("me@pictures.example");
    EXPECT_EQ(id.front(), '<');
    EXPECT_NE(id.find("@pictures.example>"), std::string::npos);
    EXPECT_NE(NewMessageId("me@pictures.example"), id);
    EXPECT_NE(NewMessageId("nobody").find("@localhost>"), std::string::npos);

    const email32::test::TempFolder folder("relaymime");
    email32::test::WriteFile(folder / "a.jpg", std::string(200000, '\0'));
    email32::test::WriteFile(folder / "b.gif", "");
    const std::vector<AttachmentFile> files{{Widen(folder / "a.jpg"), "a.jpg"}, {Widen(folder / "b.gif"), "b.gif"}};
    MessageHeaders headers;
    headers.from = {{"Me", "me@x.example"}};
    headers.subject = "Hi";
    headers.date = MessageDate(t);
    headers.messageId = id;
    std::string message, problem;
    ASSERT_TRUE(WriteMessage(
        headers, "", files, [&](std::string_view piece) { return message.append(piece), true; }, problem));
    for (const char* header : {"From: Me <me@x.example>\r\n", "To: undisclosed-recipients:;\r\n", "Subject: Hi\r\n",
                               "Date: Mon, 07 Dec 2026", "MIME-Version: 1.0\r\n", "Content-Type: multipart/mixed;"}) {
        EXPECT_NE(message.find(header), std::string::npos) << header;
    }
    EXPECT_NE(message.find("Message-ID: " + id + "\r\n"), std::string::npos);
    // Read in pieces, the file encodes exactly as it would whole.
    EXPECT_NE(message.find(Base64Lines(std::string(200000, '\0'))), std::string::npos);
    for (const std::string& line : CrlfLines(message)) {
        EXPECT_LE(line.size(), 78u) << line;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    }

    // A file gone in the meantime, and a sink that takes no more.
    const std::vector<AttachmentFile> gone{{Widen(folder / "gone.jpg"), "gone.jpg"}};
    EXPECT_FALSE(WriteMessage(
        headers, "", gone, [](std::string_view) { return true; }, problem));
    EXPECT_EQ(problem, "cannot read " + (folder / "gone.jpg"));
    EXPECT_FALSE(WriteMessage(
        headers, "", files, [](std::string_view) { return false; }, problem));
    EXPECT_EQ(problem, "");
}

TEST(RelaySmtp, TheTranscriptKeepsCommandsAndRepliesButNoLoginData) {
    SmtpTranscript t;
    EXPECT_EQ(t.command(), "greeting");
    t.Received("220 mail.example ESMTP\r\n");
    t.Sent("EHLO me\r\n");
    for (const char* line : {"250-mail.example\r\n", "250-SIZE 1048576\r\n", "250 AUTH LOGIN PLAIN\r\n"})
        t.Received(line);
    EXPECT_EQ(t.sizeLimit(), 1048576u);
    EXPECT_EQ(t.reply(), "250-mail.example / 250-SIZE 1048576 / 250 AUTH LOGIN PLAIN");
    t.Sent("AUTH LOGIN cmVsYXk=\r\n");
    t.Received("334 UGFzc3dvcmQ6\r\n");
    t.Sent("czNjcmV0\r\n");
    t.Received("535 5.7.8 no\r\n");
    EXPECT_EQ(t.command(), "AUTH LOGIN");
    EXPECT_EQ(t.replyCode(), 535);
    EXPECT_FALSE(t.messageStarted());

    t.Sent("MAIL FROM:<a@x> SIZE=10\r\n");
    t.Received("250 OK\r\n");
    t.Sent("DATA\r\n");
    t.Received("354 go on\r\n");
    t.Received("554 5.7.1 rejected\r\n");
    EXPECT_TRUE(t.messageStarted());
    EXPECT_EQ(t.command(), "end of message");
    EXPECT_EQ(t.reply(), "554 5.7.1 rejected");
    t.StartMessage();
    EXPECT_FALSE(t.messageStarted());
}

TEST(RelaySettingsFile, MissingOrBadKeysKeepTheirDefaults) {
    const email32::test::TempFolder folder("relayini");
    const std::wstring missing = Widen(folder / "absent.ini");
    const RelaySettings defaults = LoadRelaySettings(missing);
    EXPECT_EQ(defaults.host, "");
    EXPECT_EQ(defaults.port, 25);
    EXPECT_EQ(defaults.sender, "Email32 <email32@localhost>");
    EXPECT_EQ(defaults.recipient, "");
    EXPECT_EQ(defaults.subject, "Pictures");
    EXPECT_EQ(defaults.timeoutSeconds, 30);

    email32::test::WriteFile(folder / "bad.ini", "[Server]\r\nPort=70000\r\nTimeout=0\r\nSender=\r\n");
    const RelaySettings bad = LoadRelaySettings(Widen(folder / "bad.ini"));
    EXPECT_EQ(bad.port, 25);
    EXPECT_EQ(bad.timeoutSeconds, 30);
    EXPECT_EQ(bad.sender, "Email32 <email32@localhost>");
    EXPECT_EQ(bad.problem, "Port=70000 is not a port number (1 to 65535)") << "the first that cannot be used";

    email32::test::WriteFile(folder / "set.ini",
                             "[server]\r\nhost=mail.example\r\nPORT=2525\r\nRecipient=a@x; b@y\r\nTimeout=5\r\n");
    const RelaySettings set = LoadRelaySettings(Widen(folder / "set.ini"));
    EXPECT_EQ(set.host, "mail.example");
    EXPECT_EQ(set.port, 2525);
    EXPECT_EQ(set.recipient, "a@x; b@y");
    EXPECT_EQ(set.timeoutSeconds, 5);
    EXPECT_EQ(set.security, Security::Auto);
    EXPECT_EQ(set.problem, "");

    // Security and login: implicit TLS moves the default port; a CaFile is
    // found beside the settings; a value the plug-in cannot know is a
    // problem, not a guess.
    email32::test::WriteFile(folder / "tls.ini",
                             "[Server]\r\nSecurity=TLS\r\nUser= me@x \r\nAuthMethod=xoauth2\r\nCaFile=ca.pem\r\n");
    const RelaySettings tls = LoadRelaySettings(Widen(folder / "tls.ini"));
    EXPECT_EQ(tls.security, Security::Tls);
    EXPECT_EQ(tls.port, 465);
    EXPECT_EQ(tls.user, "me@x");
    EXPECT_EQ(tls.authMethod, "XOAUTH2");
    EXPECT_EQ(tls.caFile, Widen(folder / "ca.pem"));
    // The windows: off with Quiet=1, and off too when Quiet is no switch.
    email32::test::WriteFile(folder / "windows.ini", "[Server]\r\nCompose=1\r\nQuiet=0\r\n");
    const RelaySettings windows = LoadRelaySettings(Widen(folder / "windows.ini"));
    EXPECT_TRUE(windows.compose);
    EXPECT_FALSE(windows.quiet);
    EXPECT_FALSE(defaults.compose || defaults.quiet);
    email32::test::WriteFile(folder / "quiet.ini", "[Server]\r\nQuiet=yes\r\n");
    const RelaySettings quiet = LoadRelaySettings(Widen(folder / "quiet.ini"));
    EXPECT_TRUE(quiet.quiet);
    EXPECT_EQ(quiet.problem, "Quiet=yes is not a switch (0 to 1)");
    for (const char* line : {"Security=ssl", "AuthMethod=NTLM", "Compose=2"}) {
        email32::test::WriteFile(folder / "odd.ini", std::string("[Server]\r\n") + line + "\r\n");
        EXPECT_NE(LoadRelaySettings(Widen(folder / "odd.ini")).problem, "") << line;
    }

    for (const char* loopback : {"localhost", "LocalHost", "127.0.0.1", "127.1.2.3", "::1"}) {
        EXPECT_TRUE(IsLoopbackHost(loopback)) << loopback;
    }
    for (const char* remote :
         {"smtp.example.org", "128.0.0.1", "127.0.0", "127.0.0.1.example", "localhost.example", ""}) {
        EXPECT_FALSE(IsLoopbackHost(remote)) << remote;
    }
}

TEST(RelayOutbox, AnEnvelopeReadsBackAsWrittenAndNothingElseIsTakenForOne) {
    const StoredEnvelope written{"me@x.example", {"a@y.example", "b@z.example"}, 48213, {}, {}};
    std::string problem;
    const std::optional<StoredEnvelope> read = ParseEnvelope(EnvelopeText(written), problem);
    ASSERT_TRUE(read) << problem;
    EXPECT_EQ(read->sender, written.sender);
    EXPECT_EQ(read->recipients, written.recipients);
    EXPECT_EQ(read->messageBytes, 48213u);
    // An attempt's time and reason, one line whatever the server said.
    const StoredEnvelope tried = WithAttempt(written, "h:25 MAIL: refused: 550 first\r\n550 second");
    const std::optional<StoredEnvelope> again = ParseEnvelope(EnvelopeText(tried), problem);
    ASSERT_TRUE(again) << problem;
    EXPECT_EQ(again->lastReason, "h:25 MAIL: refused: 550 first  550 second");
    EXPECT_EQ(again->lastAttempt.size(), 20u) << again->lastAttempt;  // 2026-12-07T08:22:18Z
    EXPECT_EQ(again->recipients, written.recipients);
    const std::string good = EnvelopeText(written);
    for (const std::string& bad :
         {std::string(), good.substr(0, good.size() - 1), "Email32-Envelope: 2\r\n" + good.substr(21),
          good + "Rcpt-To: <a@y.example>\r\nBcc: <c@w.example>\r\n", good + "Rcpt-To: <x\r@y>\r\n",
          std::string("Email32-Envelope: 1\r\nMail-From: <me@x.example>\r\n")}) {
        EXPECT_FALSE(ParseEnvelope(bad, problem)) << bad;
    }
}

TEST(RelaySecret, AMoveTakesTheBufferAndLeavesNothingBehind) {
    Secret secret = Secret::FromUtf16(L"p\u00E4ss w0rd");
    EXPECT_STREQ(secret.c_str(), "p\xC3\xA4ss w0rd");
    const char* buffer = secret.c_str();
    Secret moved = std::move(secret);
    EXPECT_EQ(moved.c_str(), buffer) << "the one buffer, not a copy";
    EXPECT_TRUE(secret.empty());  // NOLINT(bugprone-use-after-move): what a move leaves is the point
    EXPECT_STREQ(secret.c_str(), "");
    Secret assigned;
    assigned = std::move(moved);
    EXPECT_EQ(assigned.c_str(), buffer);
    EXPECT_TRUE(moved.empty());  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(Secret::FromBytes("raw").size(), 3u);
}
