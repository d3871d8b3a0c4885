#include "tests/companions/relay/HostWindows.h"

#include "tests/companions/relay/RelayScene.h"
#include "tests/sendui/DialogDriver.h"

#include <chrono>
#include <thread>

namespace email32::test {
namespace {

struct Search {
    DWORD processId;
    std::set<HWND> found;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == search->processId && ::IsWindowVisible(window)) search->found.insert(window);
    return TRUE;
}

BOOL CALLBACK Collect(HWND child, LPARAM texts) {
    reinterpret_cast<std::vector<std::wstring>*>(texts)->push_back(TextOf(child));
    return TRUE;
}

}  // namespace

std::set<HWND> VisibleWindows(DWORD processId) {
    Search search{processId, {}};
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RunningHost::RunningHost(const Deployment& deployment, const std::string& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const auto open = [&](const char* name) {
        return ::CreateFileA((m_outputs / name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    const HANDLE out = open("out.txt"), err = open("err.txt");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::string command = "\"" + deployment.folder() + "email32.exe\" " + arguments;
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, deployment.elsewhere().c_str(),
                          &startup, &m_process)) {
        ADD_FAILURE() << "cannot start " << command;
        m_finished = true;
    }
    ::CloseHandle(out);
    ::CloseHandle(err);
}

RunningHost::~RunningHost() {
    if (!m_finished) Finish(1000);
}

HWND RunningHost::WaitForWindow(const std::set<HWND>& known, int timeoutMs) const {
    for (int waited = 0; waited < timeoutMs && !m_finished; waited += 50) {
        for (const HWND window : VisibleWindows(m_process.dwProcessId)) {
            if (known.count(window) == 0) return window;
        }
        if (::WaitForSingleObject(m_process.hProcess, 50) == WAIT_OBJECT_0) break;
    }
    return nullptr;
}

ProcessResult RunningHost::Finish(int timeoutMs, std::set<HWND>* seen) {
    ProcessResult result;
    if (m_finished) return result;
    m_finished = true;
    bool ended = false;
    for (int waited = 0; waited < timeoutMs && !ended; waited += 50) {
        if (seen) {
            for (const HWND window : VisibleWindows(m_process.dwProcessId)) seen->insert(window);
        }
        ended = ::WaitForSingleObject(m_process.hProcess, 50) == WAIT_OBJECT_0;
    }
    if (!ended) {
        ADD_FAILURE() << "the host did not end";
        ::TerminateProcess(m_process.hProcess, 99);
        ::WaitForSingleObject(m_process.hProcess, 5000);
    }
    ::GetExitCodeProcess(m_process.hProcess, &result.exitCode);
    ::CloseHandle(m_process.hProcess);
    ::CloseHandle(m_process.hThread);
    result.output = ReadFile(m_outputs / "out.txt");
    result.errors = ReadFile(m_outputs / "err.txt");
    return result;
}

void Type(HWND control, const std::wstring& text) {
    for (const wchar_t c : text) ::SendMessageW(control, WM_CHAR, c, 1);
}

void Press(HWND control, WPARAM key) {
    ::PostMessageW(control, WM_KEYDOWN, key, 1);
    ::PostMessageW(control, WM_KEYUP, key, 0xC0000001);
    // Posted keys come after the messages sent meanwhile: time for the
    // thread to reach them.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    ::SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::wstring> ChildTexts(HWND window) {
    std::vector<std::wstring> texts;
    ::EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

namespace {

constexpr char kRelayKey[] = "Software\\Email32\\Relay";

}  // namespace

void WindowScene::SetUp() {
    if (ServerFolder().empty()) GTEST_SKIP() << "needs the SMTP servers";
    char folder[MAX_PATH] = {};
    DWORD size = sizeof folder;
    m_hadFolder =
        ::RegGetValueA(HKEY_CURRENT_USER, kRelayKey, "Folder", RRF_RT_REG_SZ, nullptr, folder, &size) == ERROR_SUCCESS;
    m_savedFolder = folder;
    ClearOutbox();
    ::DeleteFileA((AppDataFolder() + "Relay32.ini").c_str());
    m_host.Add("Relay32.dll", "Relay32.dll");
}

void WindowScene::TearDown() {
    ClearOutbox();
    ::DeleteFileA((AppDataFolder() + "Relay32.ini").c_str());
    if (m_hadFolder) {
        ::RegSetKeyValueA(HKEY_CURRENT_USER, kRelayKey, "Folder", REG_SZ, m_savedFolder.c_str(),
                          static_cast<DWORD>(m_savedFolder.size() + 1));
    } else {
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRelayKey, "Folder");
    }
}

void WindowScene::Settings(const std::string& lines) const {
    WriteFile(m_host.folder() + "Relay32.ini", "[Server]\r\n" + lines);
}

std::string WindowScene::Server(const std::string& name) {
    return "Host=127.0.0.1\r\nPort=" + std::to_string(ServerPort(name)) + "\r\n";
}

bool WindowScene::Chinese() const { return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_CHINESE; }

void WindowScene::Screenshot(HWND window, const std::string& name) const {
    ::CreateDirectoryA((BinFolder() + "..\\artifacts").c_str(), nullptr);
    DialogSession(window).SaveScreenshot(BinFolder() + "..\\artifacts\\" + name + "-cp" + std::to_string(::GetACP()) +
                                         ".bmp");
}

}  // namespace email32::test
