// The module's start-up and unload: the order of the steps, a refused
// start-up, the application object's palette, and the real DLL loaded and
// unloaded by a process that does not link it.
#include "companions/pixo/PPixo.h"
#include "public/framework/CString.h"
#include "framework/ResourceModules.h"
#include "base/Win32Handles.h"
#include "module/ModuleApp.h"
#include "module/ModuleLifetime.h"
#include "sendui/ResourceIds.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using email32::test::BinFolder;
using email32::test::ProcessGdiObjectCount;
using email32::test::ProcessHandleCount;

namespace {

// An application object that notes what it saw of the module at each step.
class RecordingApp : public CWinApp {
public:
    explicit RecordingApp(BOOL startUpResult = TRUE) : m_result(startUpResult) {}
    BOOL InitInstance() override {
        steps.push_back(std::string("init instance=") + (m_hInstance == watched ? "set" : "unset") +
                        " resources=" + (email32::framework::IsResourceModule(watched) ? "in" : "out"));
        return m_result;
    }
    int ExitInstance() override {
        steps.push_back(std::string("exit resources=") +
                        (email32::framework::IsResourceModule(watched) ? "in" : "out"));
        return 0;
    }
    HINSTANCE watched = nullptr;
    std::vector<std::string> steps;

private:
    BOOL m_result;
};

// Email32.dll's resources without running its code.
email32::base::AutoLibrary LoadModuleResources() {
    return email32::base::AutoLibrary(
        ::LoadLibraryExA((BinFolder() + "Email32.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

std::vector<PALETTEENTRY> EntriesOf(HPALETTE palette) {
    std::vector<PALETTEENTRY> entries(::GetPaletteEntries(palette, 0, 0, nullptr));
    if (!entries.empty()) ::GetPaletteEntries(palette, 0, static_cast<UINT>(entries.size()), entries.data());
    return entries;
}

}  // namespace

TEST(ModuleStartUp, ResourcesJoinAfterTheStartUpAndLeaveBeforeTheCleanUp) {
    const auto resources = LoadModuleResources();
    ASSERT_TRUE(resources);
    const auto instance = reinterpret_cast<HINSTANCE>(resources.get());
    RecordingApp app;
    app.watched = instance;
    CString text;
    EXPECT_FALSE(text.LoadString(IDS_READ_ONLY));  // this test program has no string table

    ASSERT_TRUE(email32::module::StartModule(&app, instance));
    EXPECT_EQ(app.m_hInstance, instance);
    // The framework's lookups now find the module's strings.
    ASSERT_TRUE(text.LoadString(IDS_READ_ONLY));
    EXPECT_STREQ(text, "The file may be read-only.");

    email32::module::StopModule(&app, instance);
    EXPECT_FALSE(email32::framework::IsResourceModule(instance));
    EXPECT_FALSE(text.LoadString(IDS_READ_ONLY));
    EXPECT_EQ(app.steps, (std::vector<std::string>{"init instance=set resources=out", "exit resources=out"}));
}

TEST(ModuleStartUp, AFailedStartUpCleansUpAndRefusesTheLoad) {
    const auto resources = LoadModuleResources();
    ASSERT_TRUE(resources);
    const auto instance = reinterpret_cast<HINSTANCE>(resources.get());
    RecordingApp app(FALSE);
    app.watched = instance;
    EXPECT_FALSE(email32::module::StartModule(&app, instance));
    EXPECT_FALSE(email32::framework::IsResourceModule(instance));
    EXPECT_EQ(app.steps, (std::vector<std::string>{"init instance=set resources=out", "exit resources=out"}));

    EXPECT_FALSE(email32::module::StartModule(nullptr, instance));
}

TEST(ModuleApp, StartUpMeasuresTheScreenAndMakesTheModulePalette) {
    const DWORD palettesBefore = ProcessGdiObjectCount(OBJ_PAL);
    CModuleApp app;
    ASSERT_TRUE(app.InitInstance());

    email32::base::WindowDc screen(nullptr);
    EXPECT_EQ(g_nDisplayBits, ::GetDeviceCaps(screen.get(), BITSPIXEL) * ::GetDeviceCaps(screen.get(), PLANES));
    EXPECT_GT(g_nDisplayBits, 0);
    ASSERT_NE(g_pModulePalette, nullptr);
    ASSERT_NE(g_pModulePalette->GetSafeHandle(), nullptr);
    email32::base::AutoGdiObject expected(PPixo::CreateLogicalPalette(kPixoIndexed256));
    const auto want = EntriesOf(static_cast<HPALETTE>(expected.get()));
    const auto got = EntriesOf(*g_pModulePalette);
    ASSERT_EQ(got.size(), 256u);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].peRed, want[i].peRed);
        EXPECT_EQ(got[i].peGreen, want[i].peGreen);
        EXPECT_EQ(got[i].peBlue, want[i].peBlue);
    }
    expected.reset();
    EXPECT_EQ(ProcessGdiObjectCount(OBJ_PAL), palettesBefore + 1);

    // Starting again without an unload between keeps one palette.
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(ProcessGdiObjectCount(OBJ_PAL), palettesBefore + 1);

    EXPECT_EQ(app.ExitInstance(), 0);
    EXPECT_EQ(g_pModulePalette, nullptr);
    EXPECT_EQ(ProcessGdiObjectCount(OBJ_PAL), palettesBefore);
}

// The test program links the module's code, not Email32.dll, so each
// FreeLibrary below really unloads it.
class ModuleLoading : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::GetModuleHandleA("Email32.dll"), nullptr);
        m_path = BinFolder() + "Email32.dll";
    }
    // Loads and unloads once; the palettes counted while it was loaded.
    DWORD LoadAndUnload() {
        HMODULE module = ::LoadLibraryA(m_path.c_str());
        EXPECT_NE(module, nullptr) << "error " << ::GetLastError();
        const DWORD palettes = ProcessGdiObjectCount(OBJ_PAL);
        if (module) {
            EXPECT_TRUE(::FreeLibrary(module));
        }
        EXPECT_EQ(::GetModuleHandleA("Email32.dll"), nullptr);
        return palettes;
    }
    std::string m_path;
};

TEST_F(ModuleLoading, LoadingAndUnloadingTwiceLeavesNoPaletteBehind) {
    const DWORD palettes = ProcessGdiObjectCount(OBJ_PAL);
    // Each load makes the module palette; each unload deletes it.
    EXPECT_EQ(LoadAndUnload(), palettes + 1);
    EXPECT_EQ(ProcessGdiObjectCount(OBJ_PAL), palettes);
    EXPECT_EQ(LoadAndUnload(), palettes + 1);
    EXPECT_EQ(ProcessGdiObjectCount(OBJ_PAL), palettes);
}

TEST_F(ModuleLoading, AHundredLoadsKeepGdiObjectsAndHandlesStable) {
    // The first load settles what the system keeps for the process (the
    // runtime libraries, the screen's device context).
    LoadAndUnload();
    const DWORD gdiBefore = ProcessGdiObjectCount();
    const DWORD handlesBefore = ProcessHandleCount();
    ASSERT_GT(gdiBefore, 0u);
    ASSERT_GT(handlesBefore, 0u);
    for (int cycle = 0; cycle < 100; ++cycle) LoadAndUnload();
    const DWORD gdiAfter = ProcessGdiObjectCount();
    const DWORD handlesAfter = ProcessHandleCount();
    std::printf("100 load/unload cycles: GDI objects %lu -> %lu, handles %lu -> %lu\n", gdiBefore, gdiAfter,
                handlesBefore, handlesAfter);
    EXPECT_EQ(gdiAfter, gdiBefore);
    EXPECT_EQ(handlesAfter, handlesBefore);
}
