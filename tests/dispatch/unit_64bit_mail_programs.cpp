// 64-bit mail programs: found through the 64-bit registry view when the
// module runs under WOW64; their Simple MAPI providers reached through the
// helper of the other bitness, while a provider built for a machine that
// neither this process nor the helper runs is never loaded and its system
// never listed.
#include "registry/Detection.h"
#include "registry/MailClient.h"
#include "base/RegistryRead.h"
#include "tests/dispatch/SendScene.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace email32;
using namespace email32::test;

namespace {

const std::string kClients = "Software\\Clients\\Mail";
const std::string kMessaging = "Software\\Microsoft\\Windows Messaging Subsystem";

// A copy of a library whose header claims the ARM64 machine, as a provider
// built for Windows on ARM does: no process of ours can load it.
void MarkAsArm64(const std::string& path) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::int32_t peOffset = 0;
    file.seekg(0x3C);
    file.read(reinterpret_cast<char*>(&peOffset), sizeof peOffset);
    const std::uint16_t arm64 = 0xAA64;  // IMAGE_FILE_MACHINE_ARM64
    file.seekp(peOffset + 4);
    file.write(reinterpret_cast<const char*>(&arm64), sizeof arm64);
    ASSERT_TRUE(file.good()) << path;
}

// The folders that sends left in the per-user temporary folder.
std::vector<std::string> LeftInTemporaryFolder(const SendScene& scene) {
    std::vector<std::string> left;
    WIN32_FIND_DATAA found = {};
    const HANDLE search = ::FindFirstFileA((scene.folder() + "temp\\Mapi*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return left;
    do left.emplace_back(found.cFileName);
    while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return left;
}

bool Detect(const SendScene& scene) {
    std::string found;
    return email32::registry::DetectEmailSystem(email32::base::CatalogueEntry("Sys", scene.catalogue()), found);
}

}  // namespace

TEST(ForeignMachineProvider, IsNeitherListedNorLoaded) {
    SendScene scene;
    const std::string program = scene.Add("record_mail.exe", "Mail\\e32mail.exe");
    scene.Add("MapiRecorder.dll", "Mail\\mapi32ok.dll");
    const std::string foreign = scene.Add("MapiRecorder.dll", "Mail\\mapiarm.dll");
    MarkAsArm64(foreign);
    const ScratchRegistryValue appPath = ScratchText(HKEY_LOCAL_MACHINE, AppPathsKey("e32mail.exe"), "", program);
    scene.Installed("Path=" + program + "\r\n");

    scene.Catalogue("PathType=0\r\nExeName=e32mail.exe\r\nLinkType=10\r\nMAPI32DLL=mapi32ok.dll\r\n");
    EXPECT_TRUE(Detect(scene));
    scene.Catalogue("PathType=0\r\nExeName=e32mail.exe\r\nLinkType=10\r\nMAPI32DLL=mapiarm.dll\r\n");
    EXPECT_FALSE(Detect(scene));
    EXPECT_FALSE(scene.Send(email32::dispatch::SendBySimpleMapi, {"C:\\a.jpg"}));

    const ScratchRegistryValue registered =
        ScratchText(HKEY_LOCAL_MACHINE, kClients + "\\E32 Client", "DLLPath", foreign);
    scene.Catalogue("PathType=0\r\nExeName=e32mail.exe\r\nLinkType=2\r\nMailSection=E32 Client\r\nDllPath=DLLPath\r\n");
    EXPECT_FALSE(Detect(scene));
    EXPECT_FALSE(scene.Send(email32::dispatch::SendByClientLibrary, {"C:\\a.jpg"}));
    EXPECT_TRUE(scene.Records().empty()) << "nothing was loaded";
}

TEST(ForeignMachineProvider, OnePlantedInTheCurrentFolderNeitherHidesNorReplacesTheSystemsLibrary) {
    SendScene scene;
    // A provider in the system folder, named by its bare name only, and a
    // 64-bit file of that name in the current folder.
    char systemFolder[MAX_PATH] = {};
    ::GetSystemDirectoryA(systemFolder, MAX_PATH);
    const std::string provider = std::string(systemFolder) + "\\e32sysmapi.dll";
    CopyFileOrFail(DoublesFolder() + "MapiRecorder.dll", provider);
    MarkAsArm64(scene.Add("MapiRecorder.dll", "cwd\\e32sysmapi.dll"));
    const ScratchCurrentFolder here(scene.folder() + "cwd");
    const ScratchRegistryValue cmc = ScratchText(HKEY_LOCAL_MACHINE, kMessaging, "CMCDLLNAME32", "e32sysmapi.dll");

    scene.Catalogue("LinkType=2\r\n");
    EXPECT_TRUE(scene.Send(email32::dispatch::SendByClientLibrary, {"C:\\a.jpg"}));
    // The link-10 library of a program without a path: the bare name too.
    scene.Installed("Path=\r\n");
    scene.Catalogue("LinkType=10\r\nMAPI32DLL=e32sysmapi.dll\r\n");
    EXPECT_TRUE(scene.Send(email32::dispatch::SendBySimpleMapi, {"C:\\b.jpg"}));
    EXPECT_EQ(scene.Records("attach"), (std::vector<Fields>{{"attach", provider}}));
    EXPECT_EQ(scene.Records("MAPISendDocuments").size(), 2u);
}

TEST(Wow64Registrations, SixtyFourBitMailProgramsAreFoundInTheirOwnView) {
    if (!email32::base::RunningUnderWow64()) GTEST_SKIP() << "not under WOW64";
    SendScene scene;
    const std::string program = scene.Add("record_mail.exe", "Mail\\e32wide.exe");
    const std::string provider = scene.Add("MapiRecorder.dll", "Mail\\provider.dll");
    // Wine names its own client in the 32-bit view, which is read first.
    const ScratchRegistryValue noName = ScratchRegistryValue::Absent(HKEY_LOCAL_MACHINE, kClients, "");
    const ScratchRegistryValue name = ScratchRegistryValue::In64BitView(HKEY_LOCAL_MACHINE, kClients, "", "E32 Wide");
    const ScratchRegistryValue library =
        ScratchRegistryValue::In64BitView(HKEY_LOCAL_MACHINE, kClients + "\\E32 Wide", "DLLPath", provider);
    const ScratchRegistryValue appPath =
        ScratchRegistryValue::In64BitView(HKEY_LOCAL_MACHINE, AppPathsKey("e32wide.exe"), "", program);
    const ScratchRegistryValue noFlag = ScratchRegistryValue::Absent(HKEY_LOCAL_MACHINE, kMessaging, "MAPI");
    const ScratchRegistryValue flag = ScratchRegistryValue::In64BitView(HKEY_LOCAL_MACHINE, kMessaging, "MAPI", "1");
    ASSERT_FALSE(email32::base::QueryRegistryText(HKEY_LOCAL_MACHINE, kClients + "\\E32 Wide", "DLLPath", 260))
        << "the 32-bit view must not see the registration";

    std::string client;
    EXPECT_TRUE(email32::registry::GetDefaultMailClientName(client));
    EXPECT_EQ(client, "E32 Wide");
    scene.Catalogue(
        "Title=Another\r\nPathType=0\r\nExeName=e32wide.exe\r\nLinkType=2\r\n"
        "MailSection=E32 Wide\r\nDllPath=DLLPath\r\n");
    std::string found;
    EXPECT_TRUE(email32::registry::DetectEmailSystem(email32::base::CatalogueEntry("Sys", scene.catalogue()), found));
    EXPECT_EQ(found, program);
    EXPECT_TRUE(email32::registry::CheckMailClientRegistration(email32::base::CatalogueEntry("Sys", scene.catalogue()),
                                                               "not in the title"));
    EXPECT_TRUE(scene.Send(email32::dispatch::SendByClientLibrary, {"C:\\T\\a.jpg"}));
    EXPECT_EQ(scene.Records("attach"), (std::vector<Fields>{{"attach", provider}}));
    EXPECT_EQ(scene.Records("MAPISendDocuments").size(), 1u);

    scene.Catalogue("PathType=18\r\nLinkType=1\r\n");
    EXPECT_TRUE(email32::registry::DetectEmailSystem(email32::base::CatalogueEntry("Sys", scene.catalogue()), found));
}

TEST(OtherBitnessProvider, GetsTheFilesAndTheMessageThroughTheHelper) {
    if (!email32::base::RunningUnderWow64()) GTEST_SKIP() << "not under WOW64";
    SendScene scene;
    const std::string provider = scene.Add("MapiRecorder64.dll", "Mail 64\\olmapi64.dll");
    const ScratchRegistryValue library =
        ScratchRegistryValue::In64BitView(HKEY_LOCAL_MACHINE, kClients + "\\E32 Wide", "DLLPath", provider);
    scene.Catalogue("LinkType=2\r\nMailSection=E32 Wide\r\nDllPath=DLLPath\r\n");

    const std::string a = scene.Attachment("T\\a.jpg"), b = scene.Attachment("T\\my b.jpg");
    const std::string c = scene.Attachment("T\\c.jpg");
    EXPECT_EQ(scene.Send(email32::dispatch::SendByClientLibrary, {a, b, c}).state(),
              email32::dispatch::Handover::State::kHandedOver);
    EXPECT_EQ(scene.Records("attach"), (std::vector<Fields>{{"attach", provider}}));
    const std::vector<Fields> sent = scene.Records("MAPISendDocuments");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].at(3), a + "^" + b + "^" + c);

    ::DeleteFileA(scene.log().c_str());
    const email32::dispatch::MessageFields fields{L"Photo Club <club@example.org>", L"me@example.org", L"Trip, day 2",
                                                  L"Two pictures\n\u7167\u7247"};
    EXPECT_EQ(scene.SendMessage(email32::dispatch::SendByClientLibrary, {a, b}, fields).state(),
              email32::dispatch::Handover::State::kHandedOver);
    EXPECT_EQ(
        scene.Records("MAPIMessageW"),
        (std::vector<Fields>{{"MAPIMessageW", "Trip, day 2", "Two pictures\\r\\n\xE7\x85\xA7\xE7\x89\x87", "2", "1",
                              "Photo Club", "SMTP:club@example.org", "2", "me@example.org", "SMTP:me@example.org"}}));
    const std::vector<Fields> message = scene.Records("MAPISendMailW");
    ASSERT_EQ(message.size(), 1u);
    EXPECT_EQ(Fields(message[0].begin() + 4, message[0].end()), (Fields{"2", a, "(null)", b, "(null)"}));
    EXPECT_TRUE(LeftInTemporaryFolder(scene).empty()) << "each request is deleted after its send";
}
