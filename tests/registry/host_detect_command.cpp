// email32 detect and email32 list on a deployed host: one catalogue entry per
// detection method, half of them installed on the prefix; the default chosen
// from the machine's mail client; absurd counts in either file.
#include "tests/support/ScratchMachine.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace email32::test;

namespace {

std::string Alive(const char* section, const char* key) {
    char value[MAX_PATH] = {};
    ::GetPrivateProfileStringA(section, key, "", value, MAX_PATH, (AppDataFolder() + "AliveDB.ini").c_str());
    return value;
}

// Standard error stays in text mode.
std::string WithoutCarriageReturns(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// Every test starts without an AliveDB.ini and removes the one it made.
class DetectCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ::CreateDirectoryA(AppDataFolder().c_str(), nullptr);
        ::DeleteFileA(m_alive.c_str());
    }
    void TearDown() override { ::DeleteFileA(m_alive.c_str()); }
    const std::string m_alive = AppDataFolder() + "AliveDB.ini";
    const std::string m_messaging = "Software\\Microsoft\\Windows Messaging Subsystem";
};

}  // namespace

TEST_F(DetectCommand, PrintsTheInstalledSystemsInCatalogueOrderAndStoresThem) {
    Deployment deployment;
    TempFolder programs("programs");
    auto program = [&](const std::string& name) {
        ::CreateDirectoryA((programs / name).c_str(), nullptr);
        WriteFile(programs / name + "\\" + name + ".exe", "x");
        return programs / name + "\\" + name + ".exe";
    };
    const std::string app = program("app"), win = program("winini"), com = program("com"), reg = program("reg"),
                      mapiProgram = program("mapi"), priv = program("priv"), cc = "cc";
    (void)priv;
    const ScratchRegistryValue appPath = ScratchText(HKEY_LOCAL_MACHINE, AppPathsKey("app.exe"), "", app);
    const ScratchRegistryValue mapiPath = ScratchText(HKEY_LOCAL_MACHINE, AppPathsKey("mapi.exe"), "", mapiProgram);
    const ScratchFile inSystem(SystemFolder() + "\\e32must.exe");
    const ScratchWinIniEntry winIni("E32Must", "Dir", programs / "winini");
    const ScratchWinIniEntry noCcMail("cc:Mail", "ProgramPath", std::nullopt);
    const ScratchFile privateIni(WindowsFolder() + "\\e32must.ini", "[Setup]\r\nExe=" + programs / "nothing\\x.exe\r\n");
    const std::string clsid = "{E3200000-0000-0000-0000-00000000000A}";
    const ScratchRegistryValue progId = ScratchText(HKEY_CLASSES_ROOT, "E32Must.App\\CLSID", "", clsid);
    const ScratchRegistryValue server =
        ScratchText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\LocalServer32", "", com + " /automation");
    const ScratchRegistryValue regValue = ScratchText(HKEY_CURRENT_USER, "Software\\Email32Tests\\Must", "Dir", programs / "reg");
    const ScratchRegistryValue messaging = ScratchText(HKEY_LOCAL_MACHINE, m_messaging, "MAPI", "1");
    // The machine's default client is named in the second and fourth
    // installed titles: the fourth becomes the default.
    const ScratchRegistryValue client = ScratchText(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", "", "MustMail");

    deployment.WriteCatalogue(
        "[LinkEntry]\r\nCount=12\r\n11=Never7\r\n0=AppPaths0\r\n1=Windows1\r\n2=System2\r\n3=WinIni3\r\n"
        "4=Private4\r\n5=Private5\r\n6=Com6\r\n7=Mapi9\r\n8=Registry15\r\n9=CcMail17\r\n10=Messaging18\r\n12=Beyond\r\n"
        "[AppPaths0]\r\nTitle=App Paths\r\nPathType=0\r\nExeName=app.exe\r\n"
        "[Windows1]\r\nTitle=Windows folder\r\nPathType=1\r\nExeName=e32must.exe\r\n"
        "[System2]\r\nTitle=System MustMail\r\nPathType=2\r\nExeName=e32must.exe\r\n"
        "[WinIni3]\r\nTitle=WIN.INI\r\nPathType=3\r\nSection=E32Must\r\nKey=Dir\r\nExeName=winini.exe\r\n"
        "[Private4]\r\nTitle=Private\r\nPathType=4\r\nPrivateINI=e32absent.ini\r\nSection=Setup\r\nKey=Exe\r\nExeName=priv.exe\r\n"
        "[Private5]\r\nTitle=Private\r\nPathType=5\r\nPrivateINI=e32must.ini\r\nSection=Setup\r\nKey=Exe\r\nExeName=priv.exe\r\n"
        "[Com6]\r\nTitle=COM server MustMail\r\nPathType=6\r\nRegKey=E32Must.App\r\nExeName=com.exe\r\n"
        "[Mapi9]\r\nTitle=With MAPI\r\nPathType=9\r\nExeName=mapi.exe\r\nMAPI32DLL=absent.dll\r\n"
        "[Registry15]\r\nTitle=Registry\r\nPathType=15\r\nRegKey=HKCU\r\nSection=Software\\Email32Tests\\Must\r\nKey=Dir\r\nExeName=reg.exe\r\n"
        "[CcMail17]\r\nTitle=cc\r\nPathType=17\r\nExeName=cc.exe\r\n"
        "[Messaging18]\r\nTitle=Messaging\r\nPathType=18\r\n"
        "[Never7]\r\nTitle=Never\r\nPathType=7\r\nExeName=app.exe\r\n"
        "[Beyond]\r\nTitle=Beyond the count\r\nPathType=18\r\n");

    const std::string expected = "AppPaths0\tApp Paths\t" + app + "\n" +
                                 "System2\tSystem MustMail\t" + inSystem.path() + "\n" +
                                 "WinIni3\tWIN.INI\t" + win + "\n" +
                                 "Com6\tCOM server MustMail\t" + com + "\n" +
                                 "Registry15\tRegistry\t" + reg + "\n" +
                                 "Messaging18\tMessaging\t\n" +
                                 "default: Com6\n";
    const ProcessResult detect = deployment.Run("detect");
    EXPECT_EQ(detect.exitCode, 0u) << detect.errors;
    EXPECT_EQ(detect.output, expected);

    EXPECT_EQ(Alive("AliveEmailSys", "Count"), "6");
    EXPECT_EQ(Alive("AliveEmailSys", "1"), "AppPaths0");
    EXPECT_EQ(Alive("AliveEmailSys", "4"), "Com6");
    EXPECT_EQ(Alive("AliveEmailSys", "6"), "Messaging18");
    EXPECT_EQ(Alive("AliveEmailSys", "7"), "");
    EXPECT_EQ(Alive("DefaultEmailSys", "Default"), "Com6");
    EXPECT_EQ(Alive("Registry15", "Path"), reg);
    EXPECT_EQ(Alive("Windows1", "Path"), "");

    // Loading needs neither the programs nor the registry entries.
    const ProcessResult list = deployment.Run("list");
    EXPECT_EQ(list.exitCode, 0u) << list.errors;
    EXPECT_EQ(list.output, expected);
}

TEST_F(DetectCommand, AStoredDefaultWinsWhileInstalledAndIsReplacedByTheFirstOtherwise) {
    Deployment deployment;
    const ScratchRegistryValue messaging = ScratchText(HKEY_LOCAL_MACHINE, m_messaging, "MAPI", "1");
    const ScratchRegistryValue client = ScratchText(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", "", "Second");
    deployment.WriteCatalogue(
        "[LinkEntry]\r\nCount=3\r\n0=First\r\n1=Second\r\n2=Third\r\n"
        "[First]\r\nTitle=one\r\nPathType=18\r\n[Second]\r\nTitle=Second\r\nPathType=18\r\n"
        "[Third]\r\nTitle=three\r\nPathType=18\r\n");
    WriteFile(m_alive, "[DefaultEmailSys]\r\nDefault=Third\r\n[Gone]\r\nPath=C:\\old.exe\r\n");
    EXPECT_NE(deployment.Run("detect").output.find("default: Third\n"), std::string::npos);

    WriteFile(m_alive, "[DefaultEmailSys]\r\nDefault=Removed\r\n");
    EXPECT_NE(deployment.Run("detect").output.find("default: First\n"), std::string::npos);
    EXPECT_EQ(Alive("DefaultEmailSys", "Default"), "First");

    // Without a stored default the client's system is chosen.
    WriteFile(m_alive, "");
    EXPECT_NE(deployment.Run("detect").output.find("default: Second\n"), std::string::npos);

    // Without a registered client, the first.
    const ScratchRegistryValue noClient = ScratchRegistryValue::Absent(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", "");
    WriteFile(m_alive, "");
    EXPECT_NE(deployment.Run("detect").output.find("default: First\n"), std::string::npos);
}

TEST_F(DetectCommand, NothingInstalledStoresAnEmptyListAndReportsTheModuleException) {
    Deployment deployment;
    const ScratchRegistryValue messaging = ScratchText(HKEY_LOCAL_MACHINE, m_messaging, "MAPI", "0");
    deployment.WriteCatalogue("[LinkEntry]\r\nCount=1\r\n0=Only\r\n[Only]\r\nPathType=18\r\n");
    const ProcessResult detect = deployment.Run("detect");
    EXPECT_EQ(detect.exitCode, 2u);
    EXPECT_EQ(detect.output, "");
    EXPECT_EQ(WithoutCarriageReturns(detect.errors), "email32: EmailDBEmpty: no e-mail system is installed\n");
    EXPECT_EQ(Alive("AliveEmailSys", "Count"), "0");
    EXPECT_EQ(Alive("DefaultEmailSys", "Default"), "");

    const ProcessResult list = deployment.Run("list");
    EXPECT_EQ(list.exitCode, 2u);
    EXPECT_EQ(WithoutCarriageReturns(list.errors), "email32: AliveDBNotExist: AliveDB.ini holds no installed list\n");
}

TEST_F(DetectCommand, AbsurdCountsFinishAtOnceWithTheKeysPresent) {
    Deployment deployment;
    const ScratchRegistryValue messaging = ScratchText(HKEY_LOCAL_MACHINE, m_messaging, "MAPI", "1");
    const std::string systems = "[A]\r\nTitle=a\r\nPathType=18\r\n[B]\r\nTitle=b\r\nPathType=18\r\n"
                                "[C]\r\nTitle=c\r\nPathType=18\r\n";
    // A loop up to 0xFFFFFFFF would meet "-2" last, as "%d" prints it.
    deployment.WriteCatalogue("[LinkEntry]\r\nCount=-1\r\n0=A\r\n-2=C\r\n1=B\r\n" + systems);
    ProcessResult detect = deployment.Run("detect");
    EXPECT_EQ(detect.output, "A\ta\t\nB\tb\t\nC\tc\t\ndefault: A\n") << detect.errors;

    deployment.WriteCatalogue("[LinkEntry]\r\nCount=2000000000\r\n1=B\r\n1999999999=C\r\n" + systems);
    detect = deployment.Run("detect");
    EXPECT_EQ(detect.output, "B\tb\t\nC\tc\t\ndefault: B\n") << detect.errors;

    WriteFile(m_alive, "[AliveEmailSys]\r\nCount=2000000000\r\n1=A\r\n2=B\r\n1999999999=C\r\n");
    EXPECT_EQ(deployment.Run("list").output, "A\ta\t\nB\tb\t\ndefault: A\n");
    WriteFile(m_alive, "[AliveEmailSys]\r\nCount=-1\r\n1=B\r\n-1=C\r\n");
    EXPECT_EQ(deployment.Run("list").output, "B\tb\t\ndefault: B\n");
    // A sane count with a missing key still loads an empty entry.
    WriteFile(m_alive, "[AliveEmailSys]\r\nCount=3\r\n1=A\r\n3=C\r\n");
    EXPECT_EQ(deployment.Run("list").output, "A\ta\t\n\t\t\nC\tc\t\ndefault: A\n");
}
