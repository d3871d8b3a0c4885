#include "module/ModuleApp.h"

#include "companions/pixo/PPixo.h"

#include <new>

int g_nDisplayBits = 0;
CPalette* g_pModulePalette = nullptr;

// The module's one application object, made with its other static objects.
CModuleApp theApp;

CModuleApp::CModuleApp() noexcept : CWinApp(nullptr) {}

BOOL CModuleApp::InitInstance() {
    CClientDC screen(nullptr);
    g_nDisplayBits = screen.GetSafeHdc() ? ::GetDeviceCaps(screen.GetSafeHdc(), BITSPIXEL) *
                                               ::GetDeviceCaps(screen.GetSafeHdc(), PLANES)
                                         : 0;
    // A second start-up without an unload between must not lose the first palette.
    delete g_pModulePalette;
    g_pModulePalette = new (std::nothrow) CPalette;
    if (g_pModulePalette == nullptr) return FALSE;
    (void)g_pModulePalette->Attach(PPixo::CreateLogicalPalette(kPixoIndexed256));
    return CWinApp::InitInstance();
}

int CModuleApp::ExitInstance() {
    delete g_pModulePalette;  // deletes its palette handle
    g_pModulePalette = nullptr;
    return CWinApp::ExitInstance();
}
