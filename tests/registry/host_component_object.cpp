// EmailComponent as a host uses it: where it finds its two files, what it does
// without the per-user folder, copying, and the module's exceptions reaching
// the host.
#include "public/EmailComponent.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

using namespace email32::test;

namespace {

// An AliveDB.ini with an installed list, so that objects can be loaded.
class StoredInstalledList : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = AppDataFolder() + "AliveDB.ini";
        m_saved = FileExists(m_path) ? ReadFile(m_path) : std::string();
        WriteFile(m_path,
                  "[AliveEmailSys]\r\nCount=3\r\n1=Alpha\r\n2=Beta\r\n3=Gamma\r\n"
                  "[DefaultEmailSys]\r\nDefault=Beta\r\n");
    }
    void TearDown() override { ::DeleteFileA(m_path.c_str()); }
    std::string m_path;
    std::string m_saved;
};

}  // namespace

TEST(ComponentObject, ExceptionThrownInsideTheModuleIsCaughtByTheHost) {
    const EmailComponent component;
    std::string key = "unchanged";
    EXPECT_THROW(component.GetDefaultEmailSys(key), EmailDBEmpty);
    EXPECT_EQ(key, "unchanged");
    std::vector<std::string> systems{"x"};
    EXPECT_THROW(component.GetAllAliveEmailSys(systems), EmailDBEmpty);
}

TEST(ComponentObject, PathsComeFromTheHostFolderWhateverTheCurrentFolder) {
    Deployment deployment;
    const ProcessResult result = deployment.Run("paths");
    ASSERT_EQ(result.exitCode, 0u) << result.errors;
    const std::vector<std::string> lines = SplitLines(result.output);
    ASSERT_EQ(lines.size(), 2u) << result.output;
    EXPECT_EQ(lines[0], deployment.cataloguePath());
    EXPECT_EQ(lines[1], AppDataFolder() + "AliveDB.ini");
}

TEST(ComponentObject, FolderTextWithoutBackslashIsJoinedUnchanged) {
    Deployment deployment(Deployment::Userpath::NoTrailingBackslash);
    const std::vector<std::string> lines = SplitLines(deployment.Run("paths").output);
    ASSERT_EQ(lines.size(), 2u);
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    EXPECT_EQ(lines[1], std::string(temp) + "NoSlashFolderAliveDB.ini");
}

TEST(ComponentObject, UserpathWithoutItsEntryOrWithARelativeFolderCountsAsAbsent) {
    // A relative installed list would be read from the Windows folder and
    // written to the current one.
    for (const auto userpath : {Deployment::Userpath::NoEntry, Deployment::Userpath::RelativeFolder}) {
        Deployment deployment(userpath);
        deployment.WriteCatalogue("[LinkEntry]\r\nCount=1\r\n0=Sys\r\n[Sys]\r\nPathType=18\r\n");
        const std::vector<std::string> lines = SplitLines(deployment.Run("paths").output);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[1], "");
        EXPECT_EQ(deployment.Run("detect").exitCode, 2u);
        EXPECT_FALSE(FileExists(deployment.elsewhere() + "AliveDB.ini"));
        EXPECT_FALSE(FileExists(deployment.elsewhere() + "Email32Relative\\AliveDB.ini"));
    }
}

TEST(ComponentObject, AUserpathPlantedInTheCurrentFolderOrOnThePathIsNeverLoaded) {
    Deployment deployment(Deployment::Userpath::Absent);
    deployment.Add("Relay32.dll", "Relay32.dll");
    const TempFolder onPath("onpath");
    for (const std::string& folder : {deployment.elsewhere(), onPath.path()}) {
        CopyFileOrFail(DoublesFolder() + "UserpathPlanted.dll", folder + "Userpath.dll");
    }
    char path[32768] = {};
    ::GetEnvironmentVariableA("PATH", path, sizeof path);
    ::SetEnvironmentVariableA("PATH", (onPath.path() + ";" + path).c_str());
    const ProcessResult detect = deployment.Run("detect");
    (void)deployment.Run("relay --flush");
    ::SetEnvironmentVariableA("PATH", path);
    EXPECT_EQ(detect.exitCode, 2u) << "nothing detected without the per-user folder";
    for (const std::string& folder : {deployment.elsewhere(), onPath.path()}) {
        EXPECT_FALSE(FileExists(folder + "Userpath.dll.loaded")) << folder;
    }
}

TEST(ComponentObject, WithoutUserpathNothingIsReadOrWrittenAndTheListStaysEmpty) {
    Deployment deployment(Deployment::Userpath::Absent, "probe_host.exe");
    // A catalogue that would make detection write, were it to run.
    deployment.WriteCatalogue("[LinkEntry]\r\nCount=1\r\n0=Sys\r\n[Sys]\r\nPathType=18\r\n");
    const std::string alive = AppDataFolder() + "AliveDB.ini";
    ::DeleteFileA(alive.c_str());

    const ProcessResult paths = deployment.Run("paths");
    EXPECT_EQ(SplitLines(paths.output).size(), 2u);
    EXPECT_EQ(SplitLines(paths.output).at(1), "");
    const ProcessResult query = deployment.Run("detect-then-default");
    EXPECT_EQ(SplitLines(query.output), std::vector<std::string>{"EmailDBEmpty"});
    EXPECT_FALSE(FileExists(alive));
}

TEST_F(StoredInstalledList, CopiesAndAssignmentsAreIndependentButShareTheFile) {
    EmailComponent original(false);
    ASSERT_EQ(original.InitEmailSysDB(false), 3);

    EmailComponent copy(original);
    EmailComponent assigned;
    assigned = original;
    std::vector<std::string> systems;
    copy.GetAllAliveEmailSys(systems);
    EXPECT_EQ(systems, (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(copy.CataloguePath(), original.CataloguePath());
    EXPECT_EQ(assigned.InstalledListPath(), original.InstalledListPath());

    copy.SetDefaultEmailSys("Gamma");
    assigned.SetDefaultEmailSys("Alpha");
    std::string key;
    original.GetDefaultEmailSys(key);
    EXPECT_EQ(key, "Beta");
    copy.GetDefaultEmailSys(key);
    EXPECT_EQ(key, "Gamma");
    // Both wrote the same file; the last writer wins.
    EXPECT_NE(ReadFile(m_path).find("Default=Alpha"), std::string::npos);

    assigned = assigned;
    assigned.GetDefaultEmailSys(key);
    EXPECT_EQ(key, "Alpha");
}

TEST_F(StoredInstalledList, DefaultConstructionTouchesNeitherFile) {
    const std::string before = ReadFile(m_path);
    const EmailComponent implicitFalse;
    const EmailComponent explicitFalse(false);
    std::string key;
    EXPECT_THROW(implicitFalse.GetDefaultEmailSys(key), EmailDBEmpty);
    EXPECT_THROW(explicitFalse.GetDefaultEmailSys(key), EmailDBEmpty);
    EXPECT_EQ(ReadFile(m_path), before);
}

TEST_F(StoredInstalledList, SystemKeysCompareByExactText) {
    EmailComponent component(false);
    ASSERT_EQ(component.InitEmailSysDB(false), 3);
    try {
        component.SetDefaultEmailSys("beta");
        FAIL() << "a key differing in letter case was accepted";
    } catch (const EmailSysNotAlive& e) {
        EXPECT_EQ(e.SystemKey(), "beta");
    }
    std::string key;
    component.GetDefaultEmailSys(key);
    EXPECT_EQ(key, "Beta");
}
