// dialog-pilot: waits for the send options dialog of another process, makes
// the format and resolution choices a user would make, saves a screenshot of
// the dialog and presses OK. The demo runs it where nobody can click (no
// display of the user's own, only Xvfb).
//
//   dialog-pilot [--format TEXT] [--width TEXT] [--screenshot FILE.bmp] [--wait SECONDS]
//
// Prints one line per step; exit status 0 when OK was pressed, 1 when the
// dialog did not appear or a choice was not offered (the dialog is then
// cancelled, so that its host does not wait for ever), 64 for bad arguments.
#include "sendui/ResourceIds.h"
#include "tools/demo/WindowCapture.h"
#include "base/Text.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Long enough for a preparation of several large pictures.
constexpr UINT kHandlerTimeoutMs = 180000;

using email32::base::Utf8;
std::wstring Wide(const std::string& ansi) { return email32::base::Widen(ansi); }

// The text of a window of another process, asked for by message so that a
// combo box answers with its selected item.
std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    DWORD_PTR ignored = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000, &ignored)) {
        return {};
    }
    return text;
}

BOOL CALLBACK VisitTopLevel(HWND window, LPARAM data) {
    char cls[16] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) == "#32770" && ::IsWindowVisible(window) && ::GetDlgItem(window, IDC_FORMAT_COMBO) &&
        ::GetDlgItem(window, IDC_RESOLUTION_COMBO)) {
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForDialog(int seconds) {
    for (int waited = 0; waited < seconds * 1000; waited += 100) {
        HWND found = nullptr;
        ::EnumWindows(VisitTopLevel, reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        ::Sleep(100);
    }
    return nullptr;
}

// Selects the item of the combo box whose text is wanted and tells the
// dialog, as a user's choice does; returns when the dialog has handled it.
bool Choose(HWND dialog, int comboId, const std::wstring& wanted) {
    const HWND combo = ::GetDlgItem(dialog, comboId);
    if (!combo || !::IsWindowEnabled(combo)) return false;
    const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
        if (WindowText(combo) != wanted) continue;
        DWORD_PTR ignored = 0;
        return ::SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELENDOK),
                                     reinterpret_cast<LPARAM>(combo), SMTO_NORMAL, kHandlerTimeoutMs, &ignored) != 0;
    }
    return false;
}

void Press(HWND dialog, int buttonId) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, buttonId)));
}

int Usage() {
    std::fprintf(stderr,
                 "usage: dialog-pilot [--format TEXT] [--width TEXT] [--screenshot FILE.bmp] [--wait SECONDS]\n");
    return 64;
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    std::string format, width, screenshot;
    int wait = 60;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) return Usage();
        const std::string value = argv[++i];
        if (option == "--format") format = value;
        else if (option == "--width") width = value;
        else if (option == "--screenshot") screenshot = value;
        else if (option == "--wait") wait = std::atoi(value.c_str());
        else return Usage();
    }

    const HWND dialog = WaitForDialog(wait);
    if (!dialog) {
        std::printf("no send options dialog appeared within %d s\n", wait);
        return 1;
    }
    std::printf("dialog \"%s\" is shown\n", Utf8(WindowText(dialog)).c_str());
    std::fflush(stdout);

    const struct {
        int comboId;
        const std::string& text;
        const char* what;
    } choices[] = {{IDC_FORMAT_COMBO, format, "format"}, {IDC_RESOLUTION_COMBO, width, "width"}};
    for (const auto& choice : choices) {
        if (choice.text.empty()) continue;
        if (!Choose(dialog, choice.comboId, Wide(choice.text))) {
            std::printf("the dialog offers no %s %s; cancelled\n", choice.what, choice.text.c_str());
            Press(dialog, IDCANCEL);
            return 1;
        }
        std::printf("chose %s %s: size %s\n", choice.what, choice.text.c_str(),
                    Utf8(WindowText(::GetDlgItem(dialog, IDC_SIZE_TEXT))).c_str());
        std::fflush(stdout);
    }

    if (!screenshot.empty()) {
        // Let the dialog paint what the choices changed before it is copied.
        ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        ::Sleep(500);
        if (email32::demo::SaveWindowAsBitmap(dialog, screenshot)) {
            std::printf("screenshot saved\n");
        } else {
            std::printf("no screenshot: the dialog could not be copied\n");
        }
    }
    Press(dialog, IDOK);
    std::printf("pressed OK\n");
    return 0;
}
