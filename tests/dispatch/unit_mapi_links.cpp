// Link types 2 and 10 against recording Simple MAPI providers: which library
// is loaded from where, and the exact logon and send calls.
#include "dispatch/SimpleMapi.h"
#include "tests/dispatch/SendScene.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

using namespace email32;
using namespace email32::test;

namespace {

const Fields kLogon = {"MAPILogon", "0", "(null)", "(null)", "3", "0", "session"};

Fields SendDocuments(const std::string& joined) { return {"MAPISendDocuments", "0", "^", joined, "(null)", "0"}; }

const std::string kClientKey = "Software\\Clients\\mail\\E32 Client";
const std::string kMessaging = "Software\\Microsoft\\Windows Messaging Subsystem";

}  // namespace

TEST(SimpleMapiLink, LoadsTheCataloguesLibraryFromTheMailProgramsFolder) {
    SendScene scene;
    const std::string library = scene.Add("MapiRecorder.dll", "Mail\\e32mapi.dll");
    scene.Installed("Path=" + scene.folder() + "Mail\\mail.exe\r\n");
    scene.Catalogue("LinkType=10\r\nMAPI32DLL=e32mapi.dll\r\n");
    const std::string a = scene.Attachment("T\\a.jpg"), b = scene.Attachment("T\\b b.jpg"),
                      c = scene.Attachment("T\\c.jpg");
    EXPECT_TRUE(scene.Send(email32::dispatch::SendBySimpleMapi, {a, b, c}));
    EXPECT_EQ(scene.Records(),
              (std::vector<Fields>{{"attach", library}, kLogon, SendDocuments(a + "^" + b + "^" + c)}));

    ::DeleteFileA(scene.log().c_str());
    EXPECT_TRUE(scene.Send(email32::dispatch::SendBySimpleMapi, {a}));
    EXPECT_EQ(scene.Records(), (std::vector<Fields>{kLogon, SendDocuments(a)})) << "the library stays loaded";
    EXPECT_TRUE(scene.Records("MAPILogoff").empty());
}

TEST(SimpleMapiLink, NoLibraryNameIsFalseAnyLaterFailureStillTrue) {
    SendScene scene;
    scene.Installed("Path=" + scene.folder() + "Mail\\mail.exe\r\n");
    scene.Catalogue("LinkType=10\r\n");
    EXPECT_FALSE(scene.Send(email32::dispatch::SendBySimpleMapi, {"C:\\a.jpg"}));
    scene.Catalogue("LinkType=10\r\nMAPI32DLL=e32absent.dll\r\n");
    EXPECT_TRUE(scene.Send(email32::dispatch::SendBySimpleMapi, {"C:\\a.jpg"}));

    // A provider without MAPILogoff is refused before any logon.
    scene.Add("MapiNoLogoff.dll", "Mail\\nologoff.dll");
    scene.Catalogue("LinkType=10\r\nMAPI32DLL=nologoff.dll\r\n");
    EXPECT_TRUE(scene.Send(email32::dispatch::SendBySimpleMapi, {"C:\\a.jpg"}));
    EXPECT_TRUE(scene.Records("MAPILogon").empty());
    EXPECT_TRUE(scene.Records("MAPISendDocuments").empty());

    // A cancelled logon sends nothing.
    scene.Add("MapiLogonFails.dll", "Mail\\fails.dll");
    scene.Catalogue("LinkType=10\r\nMAPI32DLL=fails.dll\r\n");
    EXPECT_TRUE(scene.Send(email32::dispatch::SendBySimpleMapi, {"C:\\a.jpg"}));
    EXPECT_EQ(scene.Records("MAPILogon"), std::vector<Fields>{kLogon});
    EXPECT_TRUE(scene.Records("MAPISendDocuments").empty());
    EXPECT_EQ(email32::dispatch::MapiSendFiles(email32::dispatch::FilesFromAnsi({"C:\\a.jpg"}),
                                               scene.folder() + "Mail\\fails.dll")
                  .outcome,
              email32::dispatch::MapiOutcome::kCancelled);
}

TEST(ClientLibraryLink, TheRegisteredLibraryPathHasItsEnvironmentReferencesExpanded) {
    SendScene scene;
    const std::string library = scene.Add("MapiRecorder.dll", "Client\\provider.dll");
    ::SetEnvironmentVariableA("E32_CLIENT_DIR", (scene.folder() + "Client").c_str());
    const ScratchRegistryValue registered(HKEY_LOCAL_MACHINE, kClientKey, "DLLPath", REG_EXPAND_SZ,
                                          std::string("%E32_CLIENT_DIR%\\provider.dll") + '\0');
    scene.Catalogue("LinkType=2\r\nMailSection=E32 Client\r\nDllPath=DLLPath\r\n");
    EXPECT_TRUE(scene.Send(email32::dispatch::SendByClientLibrary, {"C:\\T\\a.jpg", "C:\\T\\b.jpg"}));
    EXPECT_EQ(scene.Records(),
              (std::vector<Fields>{{"attach", library}, kLogon, SendDocuments("C:\\T\\a.jpg^C:\\T\\b.jpg")}));
    ::SetEnvironmentVariableA("E32_CLIENT_DIR", nullptr);
}

TEST(ClientLibraryLink, WithoutARegistrationTheMessagingSubsystemsLibraryIsUsed) {
    SendScene scene;
    const std::string library = scene.Add("MapiRecorder.dll", "Cmc\\cmc.dll");
    const ScratchRegistryValue registered = ScratchText(HKEY_LOCAL_MACHINE, kClientKey, "DLLPath", "C:\\nowhere.dll");
    {
        const ScratchRegistryValue cmc = ScratchText(HKEY_LOCAL_MACHINE, kMessaging, "CMCDLLNAME32", library);
        // "DllPath" empty: straight to the subsystem's library.
        scene.Catalogue("LinkType=2\r\nMailSection=E32 Client\r\n");
        EXPECT_TRUE(scene.Send(email32::dispatch::SendByClientLibrary, {}));
        EXPECT_EQ(scene.Records(), (std::vector<Fields>{{"attach", library}, kLogon, SendDocuments("")}));
        // A value that is not registered under the client key: the same.
        ::DeleteFileA(scene.log().c_str());
        scene.Catalogue("LinkType=2\r\nMailSection=E32 Client\r\nDllPath=Missing\r\n");
        EXPECT_TRUE(scene.Send(email32::dispatch::SendByClientLibrary, {"C:\\a.jpg"}));
        EXPECT_EQ(scene.Records("MAPISendDocuments"), std::vector<Fields>{SendDocuments("C:\\a.jpg")});

        // A registered path that does not fit a path buffer, as stored or
        // once expanded, fails the send rather than reach another program.
        ::DeleteFileA(scene.log().c_str());
        const ScratchRegistryValue tooLong =
            ScratchText(HKEY_LOCAL_MACHINE, kClientKey, "Long", "C:\\" + std::string(260, 'x') + ".dll");
        ::SetEnvironmentVariableA("E32_LONG", std::string(200, 'y').c_str());
        const ScratchRegistryValue expandsLong(HKEY_LOCAL_MACHINE, kClientKey, "Expands", REG_EXPAND_SZ,
                                               std::string("C:\\%E32_LONG%\\%E32_LONG%.dll") + '\0');
        for (const char* value : {"Long", "Expands"}) {
            scene.Catalogue(std::string("LinkType=2\r\nMailSection=E32 Client\r\nDllPath=") + value + "\r\n");
            EXPECT_FALSE(scene.Send(email32::dispatch::SendByClientLibrary, {"C:\\a.jpg"})) << value;
        }
        EXPECT_TRUE(scene.Records().empty()) << "nothing is loaded";
        ::SetEnvironmentVariableA("E32_LONG", nullptr);
    }
    ::DeleteFileA(scene.log().c_str());
    const ScratchRegistryValue noCmc = ScratchRegistryValue::Absent(HKEY_LOCAL_MACHINE, kMessaging, "CMCDLLNAME32");
    scene.Catalogue("LinkType=2\r\nMailSection=E32 Client\r\nDllPath=Missing\r\n");
    EXPECT_FALSE(scene.Send(email32::dispatch::SendByClientLibrary, {"C:\\a.jpg"}));
    EXPECT_TRUE(scene.Records().empty()) << "nothing is loaded";
}
