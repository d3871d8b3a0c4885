// The message parts of the mail-server plug-in: base64, header texts, file
// name parameters, content types, DATA transparency, addresses, settings.
#include "companions/relay/MimeEncoding.h"
#include "companions/relay/MimeMessage.h"
#include "companions/relay/RelaySettings.h"
#include "companions/relay/SmtpClient.h"
#include "companions/relay/TextCodec.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace relay;

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

TEST(RelayMime, HeaderTextKeepsAsciiEncodesTheRestAndNeverBreaksTheHeader) {
    EXPECT_EQ(HeaderText("Holiday pictures"), "Holiday pictures");
    EXPECT_EQ(HeaderText("a\r\nBcc: x@y"), "a  Bcc: x@y");
    EXPECT_EQ(HeaderText("Stra\xC3\x9F" "e"), "=?UTF-8?B?U3RyYcOfZQ==?=");

    std::string longText;
    for (int i = 0; i < 40; ++i) longText += "\xE5\xA4\x95";  // 40 CJK characters, 120 bytes
    const std::string encoded = HeaderText(longText);
    const std::vector<std::string> lines = CrlfLines(encoded + "\r\n");
    ASSERT_GT(lines.size(), 2u);
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size() + 9, 78u) << lines[i];  // after "Subject: "
        EXPECT_EQ(lines[i].rfind(i == 0 ? "=?UTF-8?B?" : " =?UTF-8?B?", 0), 0u) << lines[i];
        // 39 bytes each: characters are never cut.
        if (i + 1 < lines.size()) {
            EXPECT_NE(lines[i].find("?=", 10), std::string::npos);
        }
    }
}

TEST(RelayMime, AddressHeadersEncodeOnlyDisplayNamesAndSeparateByCommas) {
    EXPECT_EQ(AddressHeaderText("Me <me@x.example>"), "Me <me@x.example>");
    EXPECT_EQ(AddressHeaderText("a@x; B <b@y>,, c@z"), "a@x,\r\n B <b@y>,\r\n c@z");
    EXPECT_EQ(AddressHeaderText("\"Doe, J\" <j@x>"), "\"Doe, J\" <j@x>");
    EXPECT_EQ(AddressHeaderText("Stra\xC3\x9F" "e <s@x>, t@y"), "=?UTF-8?B?U3RyYcOfZQ==?= <s@x>,\r\n t@y");
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

TEST(RelayMime, ComposedMessageHasTheStandardHeadersAndOnlyShortCrlfLines) {
    SYSTEMTIME t{};
    t.wYear = 2026; t.wMonth = 12; t.wDayOfWeek = 1; t.wDay = 7; t.wHour = 8; t.wMinute = 5; t.wSecond = 9;
    EXPECT_EQ(MessageDate(t), "Mon, 07 Dec 2026 08:05:09 +0000");
    const std::string id = NewMessageId("Me <me@pictures.example>");
    EXPECT_EQ(id.front(), '<');
    EXPECT_NE(id.find("@pictures.example>"), std::string::npos);
    EXPECT_NE(NewMessageId("Me <me@pictures.example>"), id);
    EXPECT_NE(NewMessageId("nobody").find("@localhost>"), std::string::npos);

    const std::string message = ComposeMessage({"Me <me@x.example>", "", "Hi", MessageDate(t), id},
                                               {{"a.jpg", std::string(200, '\0')}, {"b.gif", ""}});
    for (const char* header : {"From: Me <me@x.example>\r\n", "To: undisclosed-recipients:;\r\n", "Subject: Hi\r\n",
                               "Date: Mon, 07 Dec 2026", "MIME-Version: 1.0\r\n", "Content-Type: multipart/mixed;"}) {
        EXPECT_NE(message.find(header), std::string::npos) << header;
    }
    EXPECT_NE(message.find("Message-ID: " + id + "\r\n"), std::string::npos);
    for (const std::string& line : CrlfLines(message)) {
        EXPECT_LE(line.size(), 78u) << line;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    }
}

TEST(RelaySmtp, DataDoublesLeadingDotsAndEndsWithTheDotLine) {
    EXPECT_EQ(DataTransparent(".a\r\nb\r\n..c\r\n"), "..a\r\nb\r\n...c\r\n.\r\n");
    EXPECT_EQ(DataTransparent("a.\r\n.\r\n"), "a.\r\n..\r\n.\r\n");
    EXPECT_EQ(DataTransparent("bare\nlf\rcr"), "bare\r\nlf\r\ncr\r\n.\r\n");
    EXPECT_EQ(DataTransparent(""), ".\r\n");
}

TEST(RelaySmtp, AddressesAreTakenFromMailboxesAndLists) {
    EXPECT_EQ(AddressOf("Email32 <email32@localhost>"), "email32@localhost");
    EXPECT_EQ(AddressOf("  plain@x.example "), "plain@x.example");
    EXPECT_EQ(AddressList("a@x, B <b@y>;;c@z ,"), (std::vector<std::string>{"a@x", "b@y", "c@z"}));
    EXPECT_TRUE(AddressList(" , ").empty());
}

TEST(RelaySettingsFile, MissingOrBadKeysKeepTheirDefaults) {
    const email32::test::TempFolder folder("relayini");
    const std::wstring missing = WideFromAnsi(folder / "absent.ini");
    const RelaySettings defaults = LoadRelaySettings(missing);
    EXPECT_EQ(defaults.host, "");
    EXPECT_EQ(defaults.port, 25);
    EXPECT_EQ(defaults.sender, "Email32 <email32@localhost>");
    EXPECT_EQ(defaults.recipient, "");
    EXPECT_EQ(defaults.subject, "Pictures");
    EXPECT_EQ(defaults.timeoutSeconds, 30);

    email32::test::WriteFile(folder / "bad.ini", "[Server]\r\nPort=70000\r\nTimeout=0\r\nSender=\r\n");
    const RelaySettings bad = LoadRelaySettings(WideFromAnsi(folder / "bad.ini"));
    EXPECT_EQ(bad.port, 25);
    EXPECT_EQ(bad.timeoutSeconds, 30);
    EXPECT_EQ(bad.sender, "Email32 <email32@localhost>");

    email32::test::WriteFile(folder / "set.ini",
                             "[server]\r\nhost=mail.example\r\nPORT=2525\r\nRecipient=a@x; b@y\r\nTimeout=5\r\n");
    const RelaySettings set = LoadRelaySettings(WideFromAnsi(folder / "set.ini"));
    EXPECT_EQ(set.host, "mail.example");
    EXPECT_EQ(set.port, 2525);
    EXPECT_EQ(set.recipient, "a@x; b@y");
    EXPECT_EQ(set.timeoutSeconds, 5);
}
