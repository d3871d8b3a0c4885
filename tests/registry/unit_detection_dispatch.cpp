// DetectEmailSystem: the method a "PathType" selects, the version check on
// real version resources, and the mail-client registration test.
#include "base/RegistryRead.h"
#include "registry/MailClient.h"
#include "registry/VersionCheck.h"
#include "tests/registry/DetectionScene.h"

#include <gtest/gtest.h>

using namespace email32;
using namespace email32::test;

namespace {

// A program registered under App Paths that every method-0 entry finds.
class AppPathProgram {
public:
    explicit AppPathProgram(const DetectionScene& scene)
        : m_path(scene.Program("Prog\\e32dispatch.exe")),
          m_value(ScratchText(HKEY_LOCAL_MACHINE, AppPathsKey("e32dispatch.exe"), "", m_path)) {}
    [[nodiscard]] const std::string& path() const { return m_path; }

private:
    std::string m_path;
    ScratchRegistryValue m_value;
};

}  // namespace

TEST(DetectionDispatch, PathTypesWithoutAMethodAreNeverInstalled) {
    DetectionScene scene;
    AppPathProgram program(scene);
    const ScratchFile inWindows(WindowsFolder() + "\\e32dispatch.exe");
    std::string found;
    scene.Catalogue("ExeName=e32dispatch.exe\r\n");
    EXPECT_TRUE(scene.Detect(found)) << "a missing PathType reads 0: App Paths";
    EXPECT_EQ(found, program.path());
    scene.Catalogue("ExeName=e32dispatch.exe\r\nPathType=1\r\n");
    EXPECT_TRUE(scene.Detect(found));
    EXPECT_EQ(found, inWindows.path());
    for (const char* pathType : {"7", "8", "10", "11", "12", "13", "14", "16", "19", "20", "-1", "65536"}) {
        scene.Catalogue(std::string("ExeName=e32dispatch.exe\r\nPathType=") + pathType + "\r\n");
        EXPECT_FALSE(scene.Detect(found)) << "PathType " << pathType;
        EXPECT_EQ(found, "unchanged");
    }
    // An unknown section reads PathType 0 without ExeName.
    EXPECT_FALSE(
        email32::registry::DetectEmailSystem(email32::base::CatalogueEntry("NoSuchSection", scene.catalogue()), found));
}

TEST(DetectionDispatch, PrivateIniTypesFourAndFiveAreOneMethod) {
    DetectionScene scene;
    const std::string program = scene.Program("Mail\\e32priv.exe");
    const ScratchFile ini(WindowsFolder() + "\\e32mail.ini", "[S]\r\nK=" + scene.folder() + "Mail\\x\r\n");
    std::string found;
    for (const char* pathType : {"4", "5"}) {
        scene.Catalogue(std::string("PathType=") + pathType +
                        "\r\nPrivateINI=e32mail.ini\r\nSection=S\r\nKey=K\r\nExeName=e32priv.exe\r\n");
        EXPECT_TRUE(scene.Detect(found)) << pathType;
        EXPECT_EQ(found, program);
    }
}

TEST(DetectionDispatch, AppPathWithMapiNeedsTheLibraryBesideTheProgram) {
    DetectionScene scene;
    AppPathProgram program(scene);
    scene.Catalogue("PathType=9\r\nExeName=e32dispatch.exe\r\nMAPI32DLL=e32mapi.dll\r\n");
    std::string found;
    EXPECT_FALSE(scene.Detect(found));
    scene.Program("Prog\\e32mapi.dll");
    EXPECT_TRUE(scene.Detect(found));
    EXPECT_EQ(found, program.path());
    scene.Catalogue("PathType=9\r\nExeName=e32dispatch.exe\r\n");
    EXPECT_FALSE(scene.Detect(found));
}

TEST(VersionCheck, AFailedCheckMakesADetectedSystemNotInstalled) {
    DetectionScene scene;
    AppPathProgram program(scene);
    const ScratchFile inWindows(WindowsFolder() + "\\e32dispatch.exe");
    CopyFileOrFail(DoublesFolder() + "MapiVersion9.dll", scene.folder() + "Prog\\v9.dll");
    CopyFileOrFail(DoublesFolder() + "MapiVersion10.dll", scene.folder() + "Prog\\v10.dll");
    scene.Program("Prog\\plain.dll");
    std::string found;
    const std::string windowsMethod = "PathType=1\r\nExeName=e32dispatch.exe\r\nCheckVersion=1\r\n";

    scene.Catalogue(windowsMethod + "Version=9\r\nMAPI32DLL=v9.dll\r\n");
    EXPECT_TRUE(scene.Detect(found));
    EXPECT_EQ(found, program.path()) << "the check replaces the found path with the App Paths result";

    scene.Catalogue(windowsMethod + "Version=9\r\nMAPI32DLL=v10.dll\r\n");
    EXPECT_FALSE(scene.Detect(found));
    EXPECT_EQ(found, "unchanged");

    // Without "Version" only a library without a version resource passes.
    scene.Catalogue(windowsMethod + "MAPI32DLL=plain.dll\r\n");
    EXPECT_TRUE(scene.Detect(found));
    scene.Catalogue(windowsMethod + "MAPI32DLL=v9.dll\r\n");
    EXPECT_FALSE(scene.Detect(found));
    scene.Catalogue(windowsMethod + "Version=9\r\n");
    EXPECT_FALSE(scene.Detect(found)) << "no MAPI32DLL: the check fails";

    // CheckVersion other than 1 means no check at all.
    scene.Catalogue("PathType=1\r\nExeName=e32dispatch.exe\r\nCheckVersion=2\r\nVersion=9\r\nMAPI32DLL=v10.dll\r\n");
    EXPECT_TRUE(scene.Detect(found));
    EXPECT_EQ(found, inWindows.path());
}

TEST(MailClient, TheDefaultClientNameAndTheRegistrationOfLinkTypeTwo) {
    DetectionScene scene;
    const std::string clients = "Software\\Clients\\Mail";
    {
        const auto name = ScratchText(HKEY_LOCAL_MACHINE, clients, "", "E32 Mailer");
        std::string client;
        EXPECT_TRUE(email32::registry::GetDefaultMailClientName(client));
        EXPECT_EQ(client, "E32 Mailer");
        char small[4] = "abc";
        EXPECT_FALSE(email32::base::ReadMachineString(clients.c_str(), "", small, sizeof small)) << "must not overrun";
        EXPECT_STREQ(small, "abc");
    }
    {
        const auto none = ScratchRegistryValue::Absent(HKEY_LOCAL_MACHINE, clients, "");
        std::string client;
        EXPECT_FALSE(email32::registry::GetDefaultMailClientName(client));
        EXPECT_EQ(client, "");
    }

    const std::string catalogue = scene.catalogue();
    const email32::base::CatalogueEntry entry("Sys", catalogue);
    scene.Catalogue("Title=E32 Mailer Pro\r\nLinkType=2\r\nMailSection=E32 Mailer\r\nDllPath=DLLPath\r\n");
    EXPECT_TRUE(email32::registry::CheckMailClientRegistration(entry, "Mailer")) << "the title names the client";
    EXPECT_FALSE(email32::registry::CheckMailClientRegistration(entry, "Other"));
    EXPECT_TRUE(email32::registry::CheckMailClientRegistration(entry, "")) << "the empty name is in every title";
    {
        const auto registered = ScratchText(HKEY_LOCAL_MACHINE, clients + "\\E32 Mailer", "DLLPath", "x.dll");
        EXPECT_TRUE(email32::registry::CheckMailClientRegistration(entry, "Other"));
    }
    scene.Catalogue("Title=E32 Mailer Pro\r\nLinkType=1\r\nMailSection=E32 Mailer\r\nDllPath=DLLPath\r\n");
    EXPECT_TRUE(email32::registry::CheckMailClientRegistration(entry, "Other")) << "only link type 2 is tested";
    scene.Catalogue("Title=E32 Mailer Pro\r\nLinkType=2\r\nMailSection=E32 Mailer\r\n");
    EXPECT_TRUE(email32::registry::CheckMailClientRegistration(entry, "Other")) << "no DllPath: accepted";
}
