#include "framework/WinApp.h"

namespace {

CWinApp* g_application = nullptr;

}  // namespace

CWinApp::CWinApp(const char* appName) noexcept : m_pszAppName(appName), m_previous(g_application) {
    g_application = this;
}

CWinApp::~CWinApp() {
    // Objects made and destroyed in turn (tests do) hand the role back.
    if (g_application == this) g_application = m_previous;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() noexcept { return g_application; }
