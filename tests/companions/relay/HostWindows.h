// A deployed host run in the background while the test finds its windows
// and acts on them as a user would: keys typed into a field, keys pressed
// through the window's own message loop (where the dialog manager sees
// them), buttons pressed, screenshots taken.
#pragma once

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace email32::test {

class RunningHost {
public:
    RunningHost(const Deployment& deployment, const std::string& arguments);
    ~RunningHost();
    RunningHost(const RunningHost&) = delete;
    RunningHost& operator=(const RunningHost&) = delete;

    // A visible top-level window of the process that is none of `known`;
    // null when none came within the time.
    [[nodiscard]] HWND WaitForWindow(const std::set<HWND>& known = {}, int timeoutMs = 20000) const;
    // Waits for the end and collects both outputs; every visible top-level
    // window the process showed meanwhile goes into `seen`.
    ProcessResult Finish(int timeoutMs = 120000, std::set<HWND>* seen = nullptr);

private:
    TempFolder m_outputs{"hostout"};
    PROCESS_INFORMATION m_process{};
    bool m_finished = false;
};

// The visible top-level windows of a process.
[[nodiscard]] std::set<HWND> VisibleWindows(DWORD processId);

// Each character as WM_CHAR, as the keyboard gives them.
void Type(HWND control, const std::wstring& text);
// A key pressed in the control, through its thread's message loop.
void Press(HWND control, WPARAM key);
// The control of the window's thread that has the keyboard focus.
[[nodiscard]] HWND FocusOf(HWND window);
[[nodiscard]] std::wstring TextOf(HWND window);
// The texts of every child window, in creation order.
[[nodiscard]] std::vector<std::wstring> ChildTexts(HWND window);

// A host deployed with the plug-in, whose settings allow windows, against
// the fixture's SMTP servers; the outbox, the per-user settings (where the
// recipients used before are kept) and the registry's record of the
// plug-in's folder are as before each test afterwards.
class WindowScene : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Relay32.ini beside the plug-in: "[Server]" and these lines.
    void Settings(const std::string& lines) const;
    // "Host=127.0.0.1" and the port of one of the fixture's servers.
    [[nodiscard]] static std::string Server(const std::string& name);
    [[nodiscard]] bool Chinese() const;
    // Saves the window as it shows among the build's artifacts, named for
    // the code page.
    void Screenshot(HWND window, const std::string& name) const;

    Deployment m_host;
    TempFolder m_files{"windows"};

private:
    std::string m_savedFolder;
    bool m_hadFolder = false;
};

}  // namespace email32::test
