// The application object's base. A module has one, made among its static
// objects before its entry point runs; the entry point starts it after
// giving it the module's instance and ends it before the static objects go.
#pragma once

#include "public/framework/Object.h"

#include <windows.h>

class CWinApp : public CObject {
public:
    // Becomes the module's application object (AfxGetApp) for its lifetime.
    explicit CWinApp(const char* appName = nullptr) noexcept;
    ~CWinApp() override;

    // Start-up once the instance is known; FALSE makes the module refuse to load.
    virtual BOOL InitInstance();
    // Clean-up at unload, also after a failed start-up. The exit code.
    virtual int ExitInstance();

    const char* m_pszAppName;
    // The module's instance, set at start-up.
    HINSTANCE m_hInstance = nullptr;

private:
    CWinApp* m_previous;
};

// The module's application object; null when it has none.
[[nodiscard]] CWinApp* AfxGetApp() noexcept;
