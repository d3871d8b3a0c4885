// The dialog takes its template and texts from the module, whatever the host
// has made current, and gives the host's choice back afterwards.
#include "public/framework/Collections.h"
#include "framework/ModuleState.h"
#include "public/EmailComponent.h"
#include "tests/sendui/DialogDriver.h"
#include "tests/sendui/ModuleResources.h"

#include <gtest/gtest.h>

using namespace email32::test;

TEST(SendOptionsResources, ModuleResourcesAreCurrentOnlyWhileTheDialogRuns) {
    const std::string alive = AppDataFolder() + "AliveDB.ini";
    ::CreateDirectoryA(AppDataFolder().c_str(), nullptr);
    WriteFile(alive, "[AliveEmailSys]\r\nCount=1\r\n1=Alpha\r\n[DefaultEmailSys]\r\nDefault=Alpha\r\n");
    EmailComponent component(false);
    ASSERT_EQ(component.InitEmailSysDB(false), 1);
    CPtrArray items;
    component.PutItemArray(&items);

    // The module's own instance is the DLL's resources, loaded as data; the
    // host has made another module's resources current.
    const ModuleResources module;
    const HINSTANCE saved = email32::framework::ModuleInstance();
    email32::framework::SetModuleInstance(module.instance());
    const HINSTANCE host = ::GetModuleHandleA("kernel32.dll");
    const email32::framework::ScopedResourceInstance hostResources(host);
    bool ok = true;
    std::string sizeText;
    EXPECT_TRUE(DriveDialog([&] { ok = component.SelectDefaultEmailSys(nullptr); },
                            [&](DialogSession& d) {
                                sizeText = d.Text(IDC_SIZE_TEXT);
                                d.Click(IDCANCEL);
                            }));
    EXPECT_FALSE(ok);
    EXPECT_EQ(sizeText, "0 KB");
    EXPECT_EQ(email32::framework::ResourceInstance(), host);
    email32::framework::SetModuleInstance(saved);
    ::DeleteFileA(alive.c_str());
}
