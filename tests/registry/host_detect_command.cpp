// email32 detect and email32 list on a deployed host: one catalogue entry per
// detection method, half of them installed on the prefix; the default chosen
// from the machine's mail client; absurd counts in either file; detections
// and listings of several processes at once.
#include "base/FileLock.h"
#include "tests/support/ScratchMachine.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>
#include <thread>

using namespace email32::test;

namespace {

std::string Alive(const char* section, const char* key) {
    char value[MAX_PATH] = {};
    ::GetPrivateProfileStringA(section, key, "", value, MAX_PATH, (AppDataFolder() + "AliveDB.ini").c_str());
    return value;
}

std::string Repeated(const std::string& text, int times) {
    std::string all;
    while (times-- > 0) all += text;
    return all;
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
    const ScratchFile privateIni(WindowsFolder() + "\\e32must.ini",
                                 "[Setup]\r\nExe=" + programs / "nothing\\x.exe\r\n");
    const std::string clsid = "{E3200000-0000-0000-0000-00000000000A}";
    const ScratchRegistryValue progId = ScratchText(HKEY_CLASSES_ROOT, "E32Must.App\\CLSID", "", clsid);
    const ScratchRegistryValue server =
        ScratchText(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\LocalServer32", "", com + " /automation");
    const ScratchRegistryValue regValue =
        ScratchText(HKEY_CURRENT_USER, "Software\\Email32Tests\\Must", "Dir", programs / "reg");
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
        "[Private4]\r\nTitle=Private\r\nPathType=4\r\nPrivateINI=e32absent.ini\r\nSection=Setup\r\nKey=Exe\r\nExeName="
        "priv.exe\r\n"
        "[Private5]\r\nTitle=Private\r\nPathType=5\r\nPrivateINI=e32must.ini\r\nSection=Setup\r\nKey=Exe\r\nExeName="
        "priv.exe\r\n"
        "[Com6]\r\nTitle=COM server MustMail\r\nPathType=6\r\nRegKey=E32Must.App\r\nExeName=com.exe\r\n"
        "[Mapi9]\r\nTitle=With MAPI\r\nPathType=9\r\nExeName=mapi.exe\r\nMAPI32DLL=absent.dll\r\n"
        "[Registry15]\r\nTitle=Registry\r\nPathType=15\r\nRegKey=HKCU\r\nSection=Software\\Email32Tests\\Must\r\nKey="
        "Dir\r\nExeName=reg.exe\r\n"
        "[CcMail17]\r\nTitle=cc\r\nPathType=17\r\nExeName=cc.exe\r\n"
        "[Messaging18]\r\nTitle=Messaging\r\nPathType=18\r\n"
        "[Never7]\r\nTitle=Never\r\nPathType=7\r\nExeName=app.exe\r\n"
        "[Beyond]\r\nTitle=Beyond the count\r\nPathType=18\r\n");

    const std::string expected = "AppPaths0\tApp Paths\t" + app + "\n" + "System2\tSystem MustMail\t" +
                                 inSystem.path() + "\n" + "WinIni3\tWIN.INI\t" + win + "\n" +
                                 "Com6\tCOM server MustMail\t" + com + "\n" + "Registry15\tRegistry\t" + reg + "\n" +
                                 "Messaging18\tMessaging\t\n" + "default: Com6\n";
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
    const ScratchRegistryValue noClient =
        ScratchRegistryValue::Absent(HKEY_LOCAL_MACHINE, "Software\\Clients\\Mail", "");
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

TEST_F(DetectCommand, AnInstalledListLockedPastTheWaitStaysByteForByteAndDetectionFails) {
    Deployment deployment;
    deployment.WriteCatalogue("[LinkEntry]\r\nCount=1\r\n0=Only\r\n[Only]\r\nPathType=18\r\n");
    const std::string stored = "[AliveEmailSys]\r\nCount=1\r\n1=Old\r\n[DefaultEmailSys]\r\nDefault=Old\r\n";
    WriteFile(m_alive, stored);
    // Held by this process, as by another host that hangs while it writes.
    const email32::base::FileLock held(m_alive);
    ASSERT_TRUE(held.Held());
    const ProcessResult detect = deployment.Run("detect");
    EXPECT_EQ(detect.exitCode, 2u);
    EXPECT_EQ(WithoutCarriageReturns(detect.errors), "email32: EmailDBEmpty: no e-mail system is installed\n");
    EXPECT_EQ(ReadFile(m_alive), stored);
}

TEST_F(DetectCommand, AbsurdCountsFinishAtOnceWithTheKeysPresent) {
    Deployment deployment;
    const ScratchRegistryValue messaging = ScratchText(HKEY_LOCAL_MACHINE, m_messaging, "MAPI", "1");
    const std::string systems =
        "[A]\r\nTitle=a\r\nPathType=18\r\n[B]\r\nTitle=b\r\nPathType=18\r\n"
        "[C]\r\nTitle=c\r\nPathType=18\r\n";
    // A loop up to 0xFFFFFFFF would meet "-2" last, as "%d" prints it.
    deployment.WriteCatalogue("[LinkEntry]\r\nCount=-1\r\n0=A\r\n-2=C\r\n1=B\r\n" + systems);
    ProcessResult detect = deployment.Run("detect");
    EXPECT_EQ(detect.output, "A\ta\t\nB\tb\t\nC\tc\t\ndefault: A\n") << detect.errors;

    deployment.WriteCatalogue("[LinkEntry]\r\nCount=2000000000\r\n1=B\r\n1999999999=C\r\n" + systems);
    detect = deployment.Run("detect");
    EXPECT_EQ(detect.output, "B\tb\t\nC\tc\t\ndefault: B\n") << detect.errors;

    // A stored list keeps every key below its count; an absurd gap closes up.
    WriteFile(m_alive, "[AliveEmailSys]\r\nCount=2000000000\r\n1=A\r\n2=B\r\n1999999999=C\r\n");
    EXPECT_EQ(deployment.Run("list").output, "A\ta\t\nB\tb\t\nC\tc\t\n\t\t\ndefault: A\n");
    WriteFile(m_alive, "[AliveEmailSys]\r\nCount=-1\r\n1=B\r\n-1=C\r\n");
    EXPECT_EQ(deployment.Run("list").output, "B\tb\t\nC\tc\t\ndefault: B\n");
    // A sane count with missing keys loads them as empty entries in place.
    WriteFile(m_alive, "[AliveEmailSys]\r\nCount=70\r\n1=A\r\n2=B\r\n69=C\r\n");
    EXPECT_EQ(deployment.Run("list").output,
              "A\ta\t\nB\tb\t\n" + Repeated("\t\t\n", 66) + "C\tc\t\n\t\t\ndefault: A\n");
}

TEST_F(DetectCommand, ConcurrentDetectionsLeaveACompleteListWhileListingNeverFails) {
    constexpr int kSystems = 30, kHosts = 4, kRounds = 8;
    const ScratchRegistryValue messaging = ScratchText(HKEY_LOCAL_MACHINE, m_messaging, "MAPI", "1");
    std::string sections;
    for (int i = 0; i < kSystems; ++i) {
        sections += "[Sys" + std::to_string(i) + "]\r\nTitle=System " + std::to_string(i) + "\r\n" +
                    (i % 2 ? "PathType=1\r\nExeName=notepad.exe\r\n" : "PathType=18\r\n");
    }
    // Each host lists the same systems in another order, so that every
    // detection really rewrites the list.
    std::vector<std::unique_ptr<Deployment>> hosts;
    for (int h = 0; h < kHosts; ++h) {
        std::string entries = "[LinkEntry]\r\nCount=" + std::to_string(kSystems) + "\r\n";
        for (int i = 0; i < kSystems; ++i) {
            entries += std::to_string(i) + "=Sys" + std::to_string((i + 7 * h) % kSystems) + "\r\n";
        }
        hosts.push_back(std::make_unique<Deployment>());
        hosts.back()->WriteCatalogue(entries + sections);
    }
    const std::string foreign = "[Foreign]\r\n; kept as it stands\r\nKey = value \r\n";
    WriteFile(m_alive, foreign);
    ASSERT_EQ(hosts[0]->Run("detect").exitCode, 0u);
    const std::string notepad = Alive("Sys1", "Path");
    ASSERT_FALSE(notepad.empty());

    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::atomic<bool> detecting{true};
        std::vector<std::string> failedListings;
        int listings = 0;
        std::thread lister([&] {
            while (detecting) {
                const ProcessResult list = hosts[round % kHosts]->Run("list");
                ++listings;
                if (list.exitCode != 0 || SplitLines(list.output).size() != kSystems + 1) {
                    failedListings.push_back(list.errors + list.output);
                }
            }
        });
        std::vector<std::thread> detections;
        for (const auto& host : hosts) detections.emplace_back([&host] { (void)host->Run("detect"); });
        for (std::thread& detection : detections) detection.join();
        detecting = false;
        lister.join();
        EXPECT_GT(listings, 0);
        EXPECT_TRUE(failedListings.empty()) << failedListings.size() << " failed, the first:\n" << failedListings[0];

        EXPECT_EQ(Alive("AliveEmailSys", "Count"), std::to_string(kSystems));
        std::set<std::string> listed;
        for (int k = 1; k <= kSystems; ++k) listed.insert(Alive("AliveEmailSys", std::to_string(k).c_str()));
        EXPECT_EQ(listed.size(), static_cast<std::size_t>(kSystems));
        for (int i = 0; i < kSystems; ++i) {
            const std::string section = "Sys" + std::to_string(i);
            EXPECT_EQ(listed.count(section), 1u) << section;
            EXPECT_EQ(Alive(section.c_str(), "Path"), i % 2 ? notepad : "") << section;
        }
        // The systems, the list, the default and the other program's section.
        char names[4096] = {};
        const DWORD length = ::GetPrivateProfileSectionNamesA(names, sizeof names, m_alive.c_str());
        EXPECT_EQ(std::count(names, names + length, '\0'), kSystems + 3);
        EXPECT_EQ(listed.count(Alive("DefaultEmailSys", "Default")), 1u);
        EXPECT_NE(ReadFile(m_alive).find(foreign), std::string::npos);
    }
}
