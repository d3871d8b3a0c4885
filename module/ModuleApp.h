// The module's application object and the two imaging values it sets up at
// start-up for painting GIF frames on palette-based displays.
#pragma once

#include "public/framework/Gdi.h"
#include "framework/WinApp.h"

class CModuleApp : public CWinApp {
public:
    CModuleApp() noexcept;
    // Measures the display depth and creates the module palette.
    BOOL InitInstance() override;
    // Deletes the module palette.
    int ExitInstance() override;
};

// Bits per pixel times colour planes of the screen; 0 until start-up.
extern int g_nDisplayBits;
// The module's 256-colour palette, owned by the module from start-up to
// unload; null outside that time. It may hold no palette handle when the
// image library gives none.
extern CPalette* g_pModulePalette;
