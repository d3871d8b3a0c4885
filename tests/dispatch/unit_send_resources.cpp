// A hundred sends through every link leave no process, thread, file or
// registry handle behind, free the libraries a link frees, and hold a Simple
// MAPI provider by one reference however often it is used.
#include "dispatch/SimpleMapi.h"
#include "tests/dispatch/SendScene.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

using namespace email32;
using namespace email32::test;

namespace {

constexpr int kSends = 100;
// Handles the platform itself may open once on the way (caches and the like)
// are tolerated; one handle per send is not.
constexpr DWORD kSlack = 5;

template <typename Send>
void ExpectStableHandles(const char* what, Send send) {
    ASSERT_TRUE(send()) << what;  // the first send may open what stays open
    const DWORD before = ProcessHandleCount();
    for (int i = 0; i < kSends; ++i) ASSERT_TRUE(send()) << what;
    EXPECT_LE(ProcessHandleCount(), before + kSlack) << what << ": " << before << " before";
}

}  // namespace

TEST(SendResources, CommandLineSendsCloseTheirProcessThreadAndListHandles) {
    SendScene scene;
    const std::string program = scene.Add("record_mail.exe", "Mail\\mail.exe");
    scene.Installed("Path=" + program + "\r\n");
    scene.Catalogue("LinkType=1\r\nCommandOption=/a\r\nMultiplePage=1\r\nCommandFileList=1\r\n");
    const email32::dispatch::FileList files = {"C:\\T\\a.jpg", "C:\\T\\b.jpg"};
    ExpectStableHandles("command line", [&] { return scene.Send(email32::dispatch::SendByCommandLine, files); });
    EXPECT_EQ(scene.Runs(kSends + 1).size(), size_t(kSends + 1));
}

TEST(SendResources, MapiSendsCloseTheirRegistryKeysAndKeepOneReference) {
    SendScene scene;
    const std::string provider = scene.Add("MapiRecorder.dll", "Mail\\provider.dll");
    scene.Installed("Path=" + scene.folder() + "Mail\\mail.exe\r\n");
    scene.Catalogue("LinkType=10\r\nMAPI32DLL=provider.dll\r\n");
    ExpectStableHandles("Simple MAPI", [&] { return scene.Send(email32::dispatch::SendBySimpleMapi, {"C:\\a.jpg"}); });

    const ScratchRegistryValue registered =
        ScratchText(HKEY_LOCAL_MACHINE, "Software\\Clients\\mail\\E32 Client", "DLLPath", provider);
    scene.Catalogue("LinkType=2\r\nMailSection=E32 Client\r\nDllPath=DLLPath\r\n");
    ExpectStableHandles("client library",
                        [&] { return scene.Send(email32::dispatch::SendByClientLibrary, {"C:\\a.jpg"}); });

    EXPECT_EQ(scene.Records("attach").size(), 1u);
    EXPECT_EQ(scene.Records("MAPISendDocuments").size(), size_t(2 * (kSends + 1)));
    // Two hundred sends hold the provider by a single reference.
    const HMODULE loaded = ::GetModuleHandleA(provider.c_str());
    ASSERT_NE(loaded, nullptr);
    ::FreeLibrary(loaded);
    EXPECT_EQ(::GetModuleHandleA(provider.c_str()), nullptr);
}

TEST(SendResources, CompanionSendsFreeTheirLibraries) {
    SendScene scene;
    const std::string bridge = scene.Add("NotesBridgeDouble.dll", "Nbridge32.dll");
    const std::string relay = scene.Add("MailServerDouble.dll", "Relay32.dll");
    scene.Installed("Path=C:\\Notes\\notes.exe\r\n");
    char savedPath[32768] = {};
    ::GetEnvironmentVariableA("Path", savedPath, sizeof savedPath);

    ExpectStableHandles("Notes bridge", [&] {
        const bool sent = static_cast<bool>(scene.Send(email32::dispatch::SendByNotesBridge, {"C:\\a.jpg"}));
        ::SetEnvironmentVariableA("Path", savedPath);
        return sent;
    });
    EXPECT_EQ(::GetModuleHandleA(bridge.c_str()), nullptr);
    EXPECT_EQ(scene.Records("detach").size(), size_t(kSends + 1));

    ExpectStableHandles("mail server",
                        [&] { return scene.Send(email32::dispatch::SendByMailServer, {scene.catalogue()}); });
    EXPECT_EQ(::GetModuleHandleA(relay.c_str()), nullptr);

    // The dispatch itself loads and frees Userpath.dll on every send.
    scene.Catalogue("LinkType=7\r\n");
    ExpectStableHandles("dispatch", [&] {
        return email32::dispatch::SendByLink(email32::base::CatalogueEntry("Sys", scene.catalogue()),
                                             email32::dispatch::FilesFromAnsi({"C:\\a.jpg"}));
    });
    EXPECT_EQ(::GetModuleHandleA("Userpath.dll"), nullptr);
    EXPECT_EQ(::GetModuleHandleA(relay.c_str()), nullptr);
}
