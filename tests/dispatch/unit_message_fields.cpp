// Recipients, subject and text of a send, seen by what each link hands them
// to: recording Simple MAPI libraries, a recording program given the compose
// argument, the recording plug-in; and the links that take files alone.
#include "dispatch/CommandLineLink.h"
#include "tests/dispatch/SendScene.h"

#include <gtest/gtest.h>

#include <map>

using namespace email32;
using namespace email32::test;

namespace {

const email32::dispatch::MessageFields kFields{L"Photo Club <club@example.org>", L"\"Ann, B.\" <ann@example.org>",
                                               L"Trip, day 2", L"Two pictures\nfrom the 'best', day"};

// The compose argument as the mail program reads it: key=value pairs split
// at commas; a value in quotes ends at a quote that a comma or the end
// follows, any other value is percent-decoded.
std::map<std::string, std::string> ComposeValues(const std::string& argument) {
    std::vector<std::string> pairs(1);
    char quote = 0, previous = 0;
    for (std::size_t i = 0; i < argument.size(); previous = argument[i++]) {
        const char c = argument[i], next = i + 1 < argument.size() ? argument[i + 1] : 0;
        if (quote != 0 && c == quote && (next == ',' || next == 0)) quote = 0;
        else if ((c == '\'' || c == '"') && previous == '=' && quote == 0) quote = c;
        if (c == ',' && quote == 0) pairs.emplace_back();
        else pairs.back() += c;
    }
    std::map<std::string, std::string> values;
    for (const std::string& pair : pairs) {
        const std::size_t equals = pair.find('=');
        std::string value = pair.substr(equals + 1), decoded;
        if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
            decoded = value.substr(1, value.size() - 2);
        } else {
            for (std::size_t i = 0; i < value.size(); ++i) {
                const bool escape = value[i] == '%' && i + 2 < value.size();
                decoded += escape ? static_cast<char>(std::stoi(value.substr(i + 1, 2), nullptr, 16)) : value[i];
                if (escape) i += 2;
            }
        }
        values[pair.substr(0, equals)] = decoded;
    }
    return values;
}

// The recorder writes a line break as \n: back to the character.
std::string WithLineBreaks(std::string text) {
    for (std::size_t at; (at = text.find("\\n")) != std::string::npos;) text.replace(at, 2, "\n");
    return text;
}

}  // namespace

TEST(MessageFields, SimpleMapiGetsSubjectTextAndEachRecipientThroughMAPISendMailW) {
    SendScene scene;
    scene.Add("MapiRecorder.dll", "Mail\\e32mapi.dll");
    scene.Installed("Path=" + scene.folder() + "Mail\\mail.exe\r\n");
    scene.Catalogue("LinkType=10\r\nMAPI32DLL=e32mapi.dll\r\n");
    const std::string a = scene.Attachment("T\\a.jpg");
    EXPECT_EQ(scene.SendMessage(email32::dispatch::SendBySimpleMapi, {a}, kFields).state(),
              email32::dispatch::Handover::State::kHandedOver);
    EXPECT_EQ(scene.Records("MAPIMessageW"),
              (std::vector<Fields>{{"MAPIMessageW", "Trip, day 2", "Two pictures\\r\\nfrom the 'best', day", "2", "1",
                                    "Photo Club", "SMTP:club@example.org", "2", "Ann, B.", "SMTP:ann@example.org"}}));
    const std::vector<Fields> sent = scene.Records("MAPISendMailW");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(Fields(sent[0].begin() + 3, sent[0].end()), (Fields{"9", "1", a, "(null)"})) << "dialog, one file";
    EXPECT_TRUE(scene.Records("MAPISendDocuments").empty());

    // A library without the wide entry gets the same message in the ANSI
    // code page; a recipient alone is a message too.
    scene.Add("MapiAnsiOnly.dll", "Mail\\ansi.dll");
    scene.Catalogue("LinkType=10\r\nMAPI32DLL=ansi.dll\r\n");
    EXPECT_TRUE(scene.SendMessage(email32::dispatch::SendBySimpleMapi, {a},
                                  email32::dispatch::MessageFields{L"club@example.org", L"", L"", L""}));
    EXPECT_EQ(scene.Records("MAPIMessage"), (std::vector<Fields>{{"MAPIMessage", "(null)", "(null)", "1", "1",
                                                                  "club@example.org", "SMTP:club@example.org"}}));
    EXPECT_EQ(scene.Records("MAPISendMail").size(), 1u);
}

TEST(MessageFields, TheComposeArgumentCarriesEveryFieldWholeBeforeTheAttachments) {
    SendScene scene;
    const std::string program = scene.Add("record_mail.exe", "Mail\\mail.exe");
    scene.Installed("Path=" + program + "\r\n");
    scene.Catalogue("LinkType=1\r\nCommandOption=-compose attachment=\r\nMultiplePage=1\r\nCommandFileList=4\r\n");
    const std::string a = scene.Attachment("T\\a.jpg");
    EXPECT_TRUE(scene.SendMessage(email32::dispatch::SendByCommandLine, {a}, kFields));
    const std::vector<Fields> arguments = scene.Arguments(1);
    ASSERT_EQ(arguments.size(), 1u);
    ASSERT_EQ(arguments[0].size(), 2u) << "-compose and one argument";
    EXPECT_EQ(arguments[0][0], "-compose");
    std::map<std::string, std::string> values = ComposeValues(WithLineBreaks(arguments[0][1]));
    EXPECT_EQ(values["to"], "Photo Club <club@example.org>");
    EXPECT_EQ(values["cc"], "\"Ann, B.\" <ann@example.org>");
    EXPECT_EQ(values["subject"], "Trip, day 2");
    EXPECT_EQ(values["body"], "Two pictures\nfrom the 'best', day");
    EXPECT_EQ(values["attachment"].rfind("file:///", 0), 0u) << values["attachment"];
    EXPECT_EQ(values.size(), 5u);
}

TEST(MessageFields, ThePlugInTakesThemThroughItsWideEntryAndTheFilesAloneThroughTheOldOne) {
    SendScene scene;
    scene.Catalogue("LinkType=7\r\n");
    scene.Add("MailServerDouble.dll", "Relay32.dll");
    const std::string a = scene.Attachment("T\\a.jpg");
    EXPECT_TRUE(scene.SendMessage(email32::dispatch::SendByMailServer, {a}, kFields));
    EXPECT_EQ(
        scene.Records("MailSvr_SendMessageW"),
        (std::vector<Fields>{{"MailSvr_SendMessageW", "Photo Club <club@example.org>", "\"Ann, B.\" <ann@example.org>",
                              "Trip, day 2", "Two pictures\\nfrom the 'best', day", "1", a}}));
    EXPECT_EQ(scene
                  .SendMessage(email32::dispatch::SendByMailServer, {a},
                               email32::dispatch::MessageFields{L"", L"", L"Hi", L""})
                  .state(),
              email32::dispatch::Handover::State::kHandedOver);
    EXPECT_EQ(scene.Records("MailSvr_SendMessageW").back(),
              (Fields{"MailSvr_SendMessageW", "(null)", "(null)", "Hi", "(null)", "1", a}));

    // Without fields, the old entry as always; a plug-in that sent nothing
    // was still handed the files, but says so.
    ::SetEnvironmentVariableA("E32_RELAY_RESULT", "0");
    const email32::dispatch::Handover plain = scene.Send(email32::dispatch::SendByMailServer, {a});
    ::SetEnvironmentVariableA("E32_RELAY_RESULT", nullptr);
    EXPECT_EQ(plain.state(), email32::dispatch::Handover::State::kFailed);
    EXPECT_NE(plain.reason().find("sent nothing"), std::string::npos) << plain.reason();
    EXPECT_EQ(scene.Records("MailSvr_SendFiles").size(), 1u);
    EXPECT_EQ(scene.Records("MailSvr_SendMessageW").size(), 2u);
}

TEST(MessageFields, LinksThatTakeFilesAloneStillGetTheFiles) {
    SendScene scene;
    const std::string program = scene.Add("record_mail.exe", "Mail\\mail.exe");
    scene.Installed("Path=" + program + "\r\n");
    scene.Catalogue("LinkType=1\r\nCommandOption=/a\r\nMultiplePage=1\r\nCommandFileList=0\r\n");
    const std::string a = scene.Attachment("T\\a.jpg"), b = scene.Attachment("T\\b.jpg");
    EXPECT_TRUE(scene.SendMessage(email32::dispatch::SendByCommandLine, {a, b}, kFields));
    EXPECT_EQ(scene.Arguments(2), (std::vector<Fields>{{"/a", a}, {"/a", b}}));
}

TEST(MessageFields, ARecipientListThatIsNoAddressListIsRefusedBeforeAnything) {
    SendScene scene;
    scene.Add("MailServerDouble.dll", "Relay32.dll");
    scene.Catalogue("LinkType=7\r\n");
    const email32::dispatch::Handover refused = email32::dispatch::SendByLink(
        email32::base::CatalogueEntry("Sys", scene.catalogue()), email32::dispatch::FilesFromAnsi({"C:\\a.jpg"}),
        email32::dispatch::MessageFields{L"Photo Club <club@example.org", L"", L"", L""});
    EXPECT_EQ(refused.state(), email32::dispatch::Handover::State::kRefused);
    EXPECT_EQ(refused.reason().rfind("to: ", 0), 0u) << refused.reason();
    EXPECT_TRUE(scene.Records().empty());
}
