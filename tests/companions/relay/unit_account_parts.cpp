// The account parts that need no server: settings merged key by key from the
// two files, the autoconfig answer read with XmlLite, the provider table,
// the PKCE challenge and the redirect's query, the recipients used before,
// the notice's sentences.
#include "companions/relay/RelaySettings.h"
#include "companions/relay/account/Autoconfig.h"
#include "companions/relay/account/Discovery.h"
#include "companions/relay/account/ProviderTable.h"
#include "companions/relay/oauth/LoopbackListener.h"
#include "companions/relay/oauth/Pkce.h"
#include "companions/relay/settings/RecentRecipients.h"
#include "companions/relay/ui/SendNotice.h"
#include "base/Win32Handles.h"
#include "tests/support/TestEnvironment.h"
#include "base/Text.h"

#include <gtest/gtest.h>

using namespace relay;
using namespace email32::message;
using namespace email32::base;

TEST(AccountSettings, APerUserKeyOverridesTheSameKeyBesideThePluginAndNoOther) {
    const email32::test::TempFolder shared("shared"), user("user");
    email32::test::WriteFile(shared / "Relay32.ini",
                             "[Server]\r\nHost=company.example\r\nPort=2525\r\nCaFile=ca.pem\r\n"
                             "OAuthTokenUrl=https://sso.company.example/token\r\nSubject=Ours\r\n");
    email32::test::WriteFile(user / "Relay32.ini",
                             "[Server]\r\nhost=smtp.example.org\r\nSubject=\r\nAddress=me@example.org\r\n"
                             "AuthMethod=oauth2\r\n");
    const RelaySettings s =
        LoadRelaySettings(SettingsFiles{Widen(shared / "Relay32.ini"), Widen(user / "Relay32.ini")});
    EXPECT_EQ(s.host, "smtp.example.org");
    EXPECT_EQ(s.port, 2525);
    EXPECT_EQ(s.caFile, Widen(shared / "ca.pem"));  // beside the file that named it
    EXPECT_EQ(s.oauth.tokenUrl, "https://sso.company.example/token");
    EXPECT_EQ(s.subject, "Pictures");  // emptied by the user: the default again
    EXPECT_EQ(s.sender, "me@example.org");
    EXPECT_EQ(s.authMethod, "OAUTH2");
    EXPECT_EQ(LoginName(s), "me@example.org");
    EXPECT_EQ(s.problem, "");
}

TEST(AccountSettings, AnAutoconfigAnswerGivesItsFirstTlsSmtpServerWithTheAddressFilledIn) {
    const std::string xml =
        "<?xml version=\"1.0\"?><clientConfig version=\"1.1\"><emailProvider id=\"x\">"
        "<outgoingServer><hostname>untyped.example</hostname><socketType>SSL</socketType></outgoingServer>"
        "<outgoingServer type=\"ews\"><hostname>ews.example</hostname><socketType>SSL</socketType></outgoingServer>"
        "<outgoingServer type=\"smtp\"><hostname>plain.%EMAILDOMAIN%</hostname><port>25</port>"
        "<socketType>plain</socketType></outgoingServer>"
        "<outgoingServer type=\"smtp\"><hostname>smtp.%EMAILDOMAIN%</hostname><port>465</port>"
        "<socketType>SSL</socketType><authentication>password-cleartext</authentication>"
        "<username>%EMAILLOCALPART%</username></outgoingServer></emailProvider></clientConfig>";
    std::string problem;
    const auto found = ParseAutoconfig(xml, "jo@example.net", problem);
    ASSERT_TRUE(found) << problem;
    EXPECT_EQ(DescribeAccount(*found), "host smtp.example.net port 465 security tls auth password source autoconfig");
    EXPECT_EQ(found->user, "jo");

    for (const char* bad : {"<clientConfig><outgoingServer type=\"smtp\">", "<clientConfig/>",
                            "<!DOCTYPE x [<!ENTITY e SYSTEM \"file:///c:/windows/win.ini\">]><x>&e;</x>",
                            "<clientConfig><outgoingServer type=\"smtp\"><hostname>a b;c</hostname>"
                            "</outgoingServer></clientConfig>"}) {
        EXPECT_FALSE(ParseAutoconfig(bad, "jo@example.net", problem)) << bad;
        EXPECT_NE(problem, "") << bad;
    }
    EXPECT_EQ(AutoconfigUrls("a+b@x.example", "x.example", "https://c.example/base/"),
              std::vector<std::string>{"https://c.example/base/mail/config-v1.1.xml?emailaddress=a%2Bb%40x.example"});
}

TEST(AccountSettings, TheProviderTableKnowsTheBigProvidersByDomainAndByMxHost) {
    EXPECT_EQ(DescribeAccount(*ProviderForDomain("icloud.com")),
              "host smtp.mail.me.com port 587 security starttls auth password source built-in");
    EXPECT_EQ(ProviderForDomain("contoso.onmicrosoft.com")->oauthProvider, "microsoft-organizations");
    EXPECT_EQ(ProviderForMxHost("contoso-com.mail.protection.outlook.com.")->host, "smtp.office365.com");
    EXPECT_EQ(ProviderForMxHost("aspmx.l.google.com")->host, "smtp.gmail.com");
    EXPECT_FALSE(ProviderForDomain("example.org"));
    EXPECT_FALSE(ProviderForMxHost("notgoogle.com"));
    std::string domain;
    EXPECT_TRUE(SplitAddress("Me@Example.ORG", domain));
    EXPECT_EQ(domain, "example.org");
    for (const char* bad : {"me", "@example.org", "me@", "me@localhost", "me@exa mple.org", "<me>@x.org"})
        EXPECT_FALSE(SplitAddress(bad, domain)) << bad;
}

TEST(AccountSettings, PkceAndTheRedirectQueryFollowTheirRfcs) {
    // RFC 7636, appendix B.
    EXPECT_EQ(CodeChallenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    const std::string verifier = RandomUrlText(48);
    EXPECT_EQ(verifier.size(), 64u);
    EXPECT_EQ(verifier.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
              std::string::npos);
    EXPECT_NE(RandomUrlText(48), verifier);
    EXPECT_EQ(QueryValue("state=a%2Fb&code=x+y%41", "code"), "x yA");
    EXPECT_EQ(QueryValue("state=a%2Fb&code=x", "state"), "a/b");
    EXPECT_EQ(QueryValue("xcode=1", "code"), "");
}

TEST(RecentRecipients, TheFiftyLastUsedAreKeptOnceEachNewestFirstAndReadBackWhole) {
    const std::string file = email32::test::AppDataFolder() + "Relay32.ini";
    ::DeleteFileA(file.c_str());
    std::vector<Mailbox> many;
    for (int i = 0; i < 55; ++i) many.push_back({"", "r" + std::to_string(i) + "@x.example"});
    ASSERT_TRUE(RememberRecipients(many));
    ASSERT_TRUE(RememberRecipients({{"Club, Photo \"Sunday\"", "R3@X.example"}, {"Anna Lee", "anna@y.example"}}));
    const std::vector<Mailbox> recent = RecentRecipients();
    ::DeleteFileA(file.c_str());
    ASSERT_EQ(recent.size(), kRecentRecipients);
    EXPECT_EQ(recent[0].name, "Club, Photo \"Sunday\"");
    EXPECT_EQ(recent[0].address, "R3@X.example");
    EXPECT_EQ(MailboxText(recent[1]), "Anna Lee <anna@y.example>");
    EXPECT_EQ(recent[2].address, "r0@x.example");
    EXPECT_EQ(recent.back().address, "r48@x.example");
    for (size_t i = 3; i < recent.size(); ++i) EXPECT_NE(recent[i].address, "r3@x.example");
}

TEST(SendNotice, EachReasonIsOneSentenceWithTheServerOrTheAccountAndSaysWhereTheMessageIs) {
    const email32::base::AutoLibrary plugin(
        ::LoadLibraryExA((email32::test::BinFolder() + "Relay32.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(plugin);
    const bool chinese = PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_CHINESE;
    Attention attention;
    attention.server = "smtp.example.org:587";
    attention.account = "me@example.org";
    attention.detail = "the log's words";
    for (const Trouble trouble :
         {Trouble::Settings, Trouble::Login, Trouble::SignIn, Trouble::Trust, Trouble::TooLarge, Trouble::Refused}) {
        attention.trouble = trouble;
        attention.movedTo = trouble == Trouble::TooLarge || trouble == Trouble::Refused ? L"C:\\Outbox\\Failed\\" : L"";
        const NoticeText text = NoticeTexts(plugin.get(), attention);
        const std::wstring& reason = text.reason;
        ASSERT_FALSE(reason.empty());
        EXPECT_EQ(reason.back(), chinese ? L'\x3002' : L'.') << static_cast<int>(trouble);
        EXPECT_EQ(reason.find(L'\n'), std::wstring::npos);
        const bool named = reason.find(L"smtp.example.org:587") != std::wstring::npos ||
                           reason.find(L"me@example.org") != std::wstring::npos;
        EXPECT_EQ(named, trouble != Trouble::Settings) << static_cast<int>(trouble);
        EXPECT_EQ(text.content.find(L"C:\\Outbox\\Failed\\") != std::wstring::npos, !attention.movedTo.empty());
        EXPECT_NE(text.content.find(L"the log's words"), std::wstring::npos);
        EXPECT_EQ(reason.find(L'%'), std::wstring::npos) << "every insert filled";
    }
}
