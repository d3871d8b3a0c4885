#include "companions/relay/ui/SendNotice.h"

#include "companions/relay/ui/AccountDialog.h"
#include "companions/relay/ui/SendWindowIds.h"
#include "companions/relay/ui/WindowTexts.h"
#include "base/Win32Handles.h"
#include "base/Text.h"

#include <commctrl.h>

#include <vector>

namespace relay {

using namespace email32::message;
using namespace email32::base;
namespace {

using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

UINT ReasonId(Trouble trouble) {
    switch (trouble) {
    case Trouble::Login: return IDS_NOTICE_LOGIN;
    case Trouble::SignIn: return IDS_NOTICE_SIGNIN;
    case Trouble::Trust: return IDS_NOTICE_TRUST;
    case Trouble::TooLarge: return IDS_NOTICE_TOO_LARGE;
    case Trouble::Refused: return IDS_NOTICE_REFUSED;
    case Trouble::Settings:
    case Trouble::Wait: break;
    }
    return IDS_NOTICE_SETTINGS;
}

std::wstring ModulePath(HMODULE module) {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return std::wstring(path.data(), length);
        path.resize(path.size() * 2);
    }
}

// Version 6 of the common controls for as long as it lives, from the
// plug-in's own manifest, whatever the host's manifest says.
class CommonControls6 {
public:
    explicit CommonControls6(HMODULE plugin) {
        const std::wstring path = ModulePath(plugin);
        ACTCTXW context{};
        context.cbSize = sizeof context;
        context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.lpSource = path.c_str();
        context.hModule = plugin;
        context.lpResourceName = MAKEINTRESOURCEW(IDR_COMMON_CONTROLS_MANIFEST);
        m_context = ::CreateActCtxW(&context);
        if (m_context != INVALID_HANDLE_VALUE && !::ActivateActCtx(m_context, &m_cookie)) m_cookie = 0;
        m_library.reset(::LoadLibraryW(L"comctl32.dll"));
        // Its window classes stay registered after a notice; the library
        // that holds their procedures stays too.
        HMODULE pinned = nullptr;
        if (m_library) {
            ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                                 reinterpret_cast<LPCWSTR>(m_library.get()), &pinned);
        }
    }
    ~CommonControls6() {
        m_library.reset();
        if (m_cookie != 0) ::DeactivateActCtx(0, m_cookie);
        if (m_context != INVALID_HANDLE_VALUE) ::ReleaseActCtx(m_context);
    }
    CommonControls6(const CommonControls6&) = delete;
    CommonControls6& operator=(const CommonControls6&) = delete;
    [[nodiscard]] TaskDialogIndirectFn TaskDialog() const {
        return email32::base::ProcAddress<TaskDialogIndirectFn>(m_library.get(), "TaskDialogIndirect");
    }

private:
    HANDLE m_context = INVALID_HANDLE_VALUE;
    ULONG_PTR m_cookie = 0;
    email32::base::AutoLibrary m_library;
};

}  // namespace

NoticeText NoticeTexts(HMODULE plugin, const Attention& attention) {
    const WindowTexts texts(plugin);
    NoticeText notice;
    notice.caption = texts.Load(IDS_NOTICE_CAPTION);
    notice.reason =
        texts.Format(ReasonId(attention.trouble), {FromUtf8(attention.server), FromUtf8(attention.account),
                                                   ByteSize(attention.messageBytes), ByteSize(attention.sizeLimit)});
    const bool failed = attention.trouble == Trouble::TooLarge || attention.trouble == Trouble::Refused;
    notice.content = failed && !attention.movedTo.empty() ? texts.Format(IDS_NOTICE_FAILED, {attention.movedTo})
                                                          : texts.Load(IDS_NOTICE_WAITS);
    notice.content += L"\n\n" + texts.Format(IDS_NOTICE_DETAILS, {FromUtf8(attention.detail)});
    return notice;
}

bool ShowSendNotice(HWND owner, HMODULE plugin, const Attention& attention) {
    const NoticeText notice = NoticeTexts(plugin, attention);
    const WindowTexts texts(plugin);
    const std::wstring account = texts.Load(IDS_NOTICE_ACCOUNT);
    int pressed = 0;
    HRESULT shown = E_NOTIMPL;
    {
        const CommonControls6 controls(plugin);
        if (const TaskDialogIndirectFn taskDialog = controls.TaskDialog()) {
            const TASKDIALOG_BUTTON buttons[] = {{IDC_NOTICE_ACCOUNT, account.c_str()}};
            TASKDIALOGCONFIG config{};
            config.cbSize = sizeof config;
            config.hwndParent = owner;
            config.hInstance = plugin;
            config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
            config.dwCommonButtons = TDCBF_CLOSE_BUTTON;
            config.pszWindowTitle = notice.caption.c_str();
            config.pszMainIcon = TD_WARNING_ICON;
            config.pszMainInstruction = notice.reason.c_str();
            config.pszContent = notice.content.c_str();
            config.cButtons = 1;
            config.pButtons = buttons;
            config.nDefaultButton = IDCLOSE;
            shown = taskDialog(&config, &pressed, nullptr, nullptr);
        }
    }
    if (FAILED(shown)) {
        const std::wstring text =
            notice.reason + L"\n\n" + notice.content + L"\n\n" + texts.Load(IDS_NOTICE_ACCOUNT_QUESTION);
        pressed = ::MessageBoxW(owner, text.c_str(), notice.caption.c_str(), MB_YESNO | MB_ICONWARNING) == IDYES
                      ? IDC_NOTICE_ACCOUNT
                      : IDCLOSE;
    }
    return pressed == IDC_NOTICE_ACCOUNT && ShowAccountDialog(owner, plugin);
}

}  // namespace relay
