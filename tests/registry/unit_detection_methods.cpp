// Each detection method against real registry keys, WIN.INI entries, private
// INI files and program files in the throwaway prefix.
#include "tests/registry/DetectionScene.h"

#include <gtest/gtest.h>

using namespace email32;
using namespace email32::test;

namespace {

ScratchRegistryValue AppPath(const std::string& exeName, DWORD type, const std::string& value) {
    return ScratchRegistryValue(HKEY_LOCAL_MACHINE, AppPathsKey(exeName), "", type, value + std::string(1, '\0'));
}

}  // namespace

TEST(DetectByAppPath, PlainStringsAreTestedAsStoredExpandableOnesExpandTheirFirstReference) {
    DetectionScene scene;
    const std::string program = scene.Program("Mail Box\\e32app.exe");
    scene.Catalogue("ExeName=e32app.exe\r\n");
    ::SetEnvironmentVariableA("E32_MAILDIR", scene.folder().c_str());
    std::string found;
    {
        const auto value = AppPath("e32app.exe", REG_SZ, program);
        EXPECT_TRUE(scene.Run(email32::registry::FindByAppPath, found));
        EXPECT_EQ(found, program);
    }
    {
        const auto value = AppPath("e32app.exe", REG_EXPAND_SZ, "%E32_MAILDIR%Mail Box\\e32app.exe");
        EXPECT_TRUE(scene.Run(email32::registry::FindByAppPath, found));
        EXPECT_EQ(found, program);
    }
    {
        const auto value = AppPath("e32app.exe", REG_SZ, "%E32_MAILDIR%Mail Box\\e32app.exe");
        EXPECT_FALSE(scene.Run(email32::registry::FindByAppPath, found));
        EXPECT_EQ(found, "unchanged");
    }
    {
        // Only the first reference is expanded; the second stays as text.
        scene.Program("Mail Box\\%E32_MAILDIR%x.exe");
        const auto value = AppPath("e32app.exe", REG_EXPAND_SZ, "%E32_MAILDIR%Mail Box\\%E32_MAILDIR%x.exe");
        EXPECT_TRUE(scene.Run(email32::registry::FindByAppPath, found));
        EXPECT_EQ(found, scene.folder() + "Mail Box\\%E32_MAILDIR%x.exe");
    }
    {
        const auto value = AppPath("e32app.exe", REG_EXPAND_SZ, "%E32_NOT_SET%\\e32app.exe");
        EXPECT_FALSE(scene.Run(email32::registry::FindByAppPath, found));
    }
    ::SetEnvironmentVariableA("E32_MAILDIR", nullptr);
}

TEST(DetectByAppPath, QuotesAreRemovedFromExpandableValuesOnly) {
    DetectionScene scene;
    const std::string program = scene.Program("Mail Box\\e32app.exe");
    scene.Catalogue("ExeName=e32app.exe\r\n");
    std::string found;
    {
        const auto value = AppPath("e32app.exe", REG_SZ, "\"" + program + "\"");
        EXPECT_FALSE(scene.Run(email32::registry::FindByAppPath, found));
    }
    {
        const auto value = AppPath("e32app.exe", REG_EXPAND_SZ, "\"" + program + "\" /mail");
        EXPECT_TRUE(scene.Run(email32::registry::FindByAppPath, found));
        EXPECT_EQ(found, program);
    }
}

TEST(DetectByAppPath, MissingNamesKeysAndOverlongTextsAreNotInstalled) {
    DetectionScene scene;
    std::string found;
    scene.Catalogue("Title=No program name\r\n");
    EXPECT_FALSE(scene.Run(email32::registry::FindByAppPath, found));
    scene.Catalogue("ExeName=e32absent.exe\r\n");
    EXPECT_FALSE(scene.Run(email32::registry::FindByAppPath, found));

    scene.Catalogue("ExeName=e32app.exe\r\n");
    // 300 characters do not fit the 260-byte buffer, stored or expanded.
    const auto stored = AppPath("e32app.exe", REG_SZ, "C:\\" + std::string(297, 'a'));
    EXPECT_FALSE(scene.Run(email32::registry::FindByAppPath, found));
    ::SetEnvironmentVariableA("E32_LONG", std::string(200, 'b').c_str());
    const auto expanded = AppPath("e32app.exe", REG_EXPAND_SZ, "C:\\%E32_LONG%\\" + std::string(100, 'c'));
    EXPECT_FALSE(scene.Run(email32::registry::FindByAppPath, found));
    EXPECT_EQ(found, "unchanged");
    ::SetEnvironmentVariableA("E32_LONG", nullptr);
}

TEST(DetectByAppPath, TheUsersOwnRegistrationComesBeforeTheMachines) {
    DetectionScene scene;
    const std::string mine = scene.Program("User\\e32app.exe");
    const std::string machines = scene.Program("Machine\\e32app.exe");
    scene.Catalogue("ExeName=e32app.exe\r\n");
    std::string found;
    {
        // A program installed for one user registers only there.
        const auto user = ScratchText(HKEY_CURRENT_USER, AppPathsKey("e32app.exe"), "", mine);
        EXPECT_TRUE(scene.Run(email32::registry::FindByAppPath, found));
        EXPECT_EQ(found, mine);
        const auto machine = AppPath("e32app.exe", REG_SZ, machines);
        EXPECT_TRUE(scene.Run(email32::registry::FindByAppPath, found));
        EXPECT_EQ(found, mine);
    }
    {
        // A user's entry whose program is gone does not hide the machine's.
        const auto user = ScratchText(HKEY_CURRENT_USER, AppPathsKey("e32app.exe"), "", scene.folder() + "gone.exe");
        const auto machine = AppPath("e32app.exe", REG_SZ, machines);
        EXPECT_TRUE(scene.Run(email32::registry::FindByAppPath, found));
        EXPECT_EQ(found, machines);
    }
}

TEST(DetectMessageFileHandler, AProgramThatOpensMessageFilesIsFound) {
    DetectionScene scene;
    const std::string program = scene.Program("Mail Box\\mailer.exe");
    scene.Catalogue("PathType=21\r\nLinkType=11\r\n");
    std::string found;
    EXPECT_FALSE(scene.Run(email32::registry::FindMessageFileHandler, found));
    EXPECT_EQ(found, "unchanged");
    {
        const auto type = ScratchText(HKEY_CLASSES_ROOT, ".eml", "", "E32Test.Detect");
        const auto open =
            ScratchText(HKEY_CLASSES_ROOT, "E32Test.Detect\\shell\\open\\command", "", "\"" + program + "\" \"%1\"");
        EXPECT_TRUE(scene.Detect(found));
        EXPECT_EQ(found, program);
    }
    EXPECT_FALSE(scene.Detect(found));
}

TEST(DetectInSystemFolders, WindowsAndSystemFoldersHoldTheProgram) {
    DetectionScene scene;
    const ScratchFile inWindows(WindowsFolder() + "\\e32win.exe");
    const ScratchFile inSystem(SystemFolder() + "\\e32sys.exe");
    std::string found;
    scene.Catalogue("ExeName=e32win.exe\r\n");
    EXPECT_TRUE(scene.Run(email32::registry::FindInWindowsFolder, found));
    EXPECT_EQ(found, inWindows.path());
    EXPECT_FALSE(scene.Run(email32::registry::FindInSystemFolder, found));
    scene.Catalogue("ExeName=e32sys.exe\r\n");
    EXPECT_TRUE(scene.Run(email32::registry::FindInSystemFolder, found));
    EXPECT_EQ(found, inSystem.path());
    scene.Catalogue("ExeName=\r\n");
    EXPECT_FALSE(scene.Run(email32::registry::FindInWindowsFolder, found));
}

TEST(DetectByWinIni, TheValueIsAFolderTextWithOneBackslash) {
    DetectionScene scene;
    const std::string program = scene.Program("Mail\\e32ini.exe");
    scene.Catalogue("Section=E32Mail\r\nKey=Folder\r\nExeName=e32ini.exe\r\n");
    std::string found;
    {
        const ScratchWinIniEntry entry("E32Mail", "Folder", scene.folder() + "Mail\\");
        EXPECT_TRUE(scene.Run(email32::registry::FindByWinIni, found));
        EXPECT_EQ(found, program);
    }
    {
        const ScratchWinIniEntry entry("E32Mail", "Folder", scene.folder() + "Mail   ");
        EXPECT_TRUE(scene.Run(email32::registry::FindByWinIni, found));
        EXPECT_EQ(found, program);
    }
    {
        // A program file named as the folder gets a backslash after its name.
        const ScratchWinIniEntry entry("E32Mail", "Folder", program);
        EXPECT_FALSE(scene.Run(email32::registry::FindByWinIni, found));
    }
    {
        // No value: the bare name, found in the current folder.
        const ScratchWinIniEntry entry("E32Mail", "Folder", std::nullopt);
        EXPECT_FALSE(scene.Run(email32::registry::FindByWinIni, found));
        ScratchCurrentFolder current(scene.folder() + "Mail");
        EXPECT_TRUE(scene.Run(email32::registry::FindByWinIni, found));
        EXPECT_EQ(found, "e32ini.exe");
    }
}

TEST(DetectByWinIni, CcMailNeedsItsProgramPath) {
    DetectionScene scene;
    const std::string program = scene.Program("cc\\e32cc.exe");
    scene.Catalogue("ExeName=e32cc.exe\r\n");
    std::string found;
    {
        const ScratchWinIniEntry entry("cc:Mail", "ProgramPath", scene.folder() + "cc");
        EXPECT_TRUE(scene.Run(email32::registry::FindCcMail, found));
        EXPECT_EQ(found, program);
    }
    const ScratchWinIniEntry entry("cc:Mail", "ProgramPath", std::nullopt);
    ScratchCurrentFolder current(scene.folder() + "cc");
    EXPECT_FALSE(scene.Run(email32::registry::FindCcMail, found));
    EXPECT_EQ(found, "unchanged");
}

TEST(DetectByPrivateIni, TheValueIsAFilePathInAnIniOfTheWindowsFolder) {
    DetectionScene scene;
    const std::string program = scene.Program("Mail\\e32priv.exe");
    scene.Catalogue("PrivateINI=e32mail.ini\r\nSection=Setup\r\nKey=Program\r\nExeName=e32priv.exe\r\n");
    std::string found;
    EXPECT_FALSE(scene.Run(email32::registry::FindByPrivateIni, found)) << "the INI file must exist";
    {
        const ScratchFile ini(WindowsFolder() + "\\e32mail.ini",
                              "[Setup]\r\nProgram=" + scene.folder() + "Mail\\old.exe\r\n");
        EXPECT_TRUE(scene.Run(email32::registry::FindByPrivateIni, found));
        EXPECT_EQ(found, program);
    }
    {
        // A folder without a trailing backslash loses its last name.
        const ScratchFile ini(WindowsFolder() + "\\e32mail.ini",
                              "[Setup]\r\nProgram=" + scene.folder() + "Mail\\Sub\r\n");
        EXPECT_TRUE(scene.Run(email32::registry::FindByPrivateIni, found));
        EXPECT_EQ(found, program);
        const ScratchFile iniWithoutSub(WindowsFolder() + "\\e32mail.ini",
                                        "[Setup]\r\nProgram=" + scene.folder() + "Mail\r\n");
        EXPECT_FALSE(scene.Run(email32::registry::FindByPrivateIni, found));
    }
    {
        const ScratchFile ini(WindowsFolder() + "\\e32mail.ini", "[Setup]\r\n");
        ScratchCurrentFolder current(scene.folder() + "Mail");
        EXPECT_TRUE(scene.Run(email32::registry::FindByPrivateIni, found));
        EXPECT_EQ(found, "e32priv.exe");
    }
}

TEST(DetectByComServer, TheServerCommandLineLosesItsOptions) {
    DetectionScene scene;
    const std::string program = scene.Program("Server\\e32com.exe");
    scene.Catalogue("ExeName=e32com.exe\r\nRegKey=E32Test.Application\r\n");
    const std::string clsid = "{E3200000-0000-0000-0000-000000000001}";
    const auto progId = ScratchText(HKEY_CLASSES_ROOT, "E32Test.Application\\CLSID", "", clsid);
    std::string found;
    EXPECT_FALSE(scene.Run(email32::registry::FindByComServer, found)) << "no server registered yet";
    {
        const auto server = ScratchText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\LocalServer", "",
                                        scene.folder() + "Server\\other.exe /automation");
        EXPECT_TRUE(scene.Run(email32::registry::FindByComServer, found));
        EXPECT_EQ(found, program);
        const auto server32 = ScratchText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\LocalServer32", "",
                                          scene.folder() + "Elsewhere\\other.exe /automation");
        EXPECT_FALSE(scene.Run(email32::registry::FindByComServer, found)) << "LocalServer32 comes first";
    }
    const auto quoted = ScratchText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\LocalServer32", "",
                                    "\"" + scene.folder() + "Server\\other.exe\" /automation");
    EXPECT_FALSE(scene.Run(email32::registry::FindByComServer, found));
    EXPECT_EQ(found, "unchanged");
}

TEST(DetectByRegistryValue, TheRootKeyIsNamedInTheCatalogue) {
    DetectionScene scene;
    const std::string program = scene.Program("Reg\\e32reg.exe");
    const auto value =
        ScratchText(HKEY_LOCAL_MACHINE, "Software\\Email32Tests\\Mail", "InstallDir", scene.folder() + "Reg");
    std::string found;
    scene.Catalogue("ExeName=e32reg.exe\r\nRegKey=hklm\r\nSection=Software\\Email32Tests\\Mail\r\nKey=InstallDir\r\n");
    EXPECT_TRUE(scene.Run(email32::registry::FindByRegistryValue, found));
    EXPECT_EQ(found, program);
    scene.Catalogue(
        "ExeName=e32reg.exe\r\nRegKey=HKEY_LOCAL_MACHINE\r\nSection=Software\\Email32Tests\\Mail\r\nKey="
        "InstallDir\r\n");
    EXPECT_TRUE(scene.Run(email32::registry::FindByRegistryValue, found));
    scene.Catalogue(
        "ExeName=e32reg.exe\r\nRegKey=MACHINE\r\nSection=Software\\Email32Tests\\Mail\r\nKey=InstallDir\r\n");
    EXPECT_FALSE(scene.Run(email32::registry::FindByRegistryValue, found));
    scene.Catalogue("ExeName=e32reg.exe\r\nRegKey=HKLM\r\nSection=Software\\Email32Tests\\Mail\r\nKey=Other\r\n");
    EXPECT_FALSE(scene.Run(email32::registry::FindByRegistryValue, found));
}

TEST(DetectMessagingSubsystem, OnlyTheExactTextOneCounts) {
    DetectionScene scene;
    scene.Catalogue("PathType=18\r\n");
    const std::string key = "Software\\Microsoft\\Windows Messaging Subsystem";
    std::string found;
    {
        const auto flag = ScratchText(HKEY_LOCAL_MACHINE, key, "MAPI", "1");
        EXPECT_TRUE(scene.Detect(found));
        EXPECT_EQ(found, "unchanged");
    }
    for (const char* text : {"1 ", "0", "", "11"}) {
        const auto flag = ScratchText(HKEY_LOCAL_MACHINE, key, "MAPI", text);
        EXPECT_FALSE(scene.Detect(found)) << '"' << text << '"';
    }
    const auto absent = ScratchRegistryValue::Absent(HKEY_LOCAL_MACHINE, key, "MAPI");
    EXPECT_FALSE(scene.Detect(found));
}
