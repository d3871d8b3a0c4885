#include "companions/relay/ui/AccountDialog.h"

#include "companions/relay/RelayCredentials.h"
#include "companions/relay/SmtpSession.h"
#include "companions/relay/account/AccountSetup.h"
#include "companions/relay/oauth/SignIn.h"
#include "companions/relay/oauth/TokenStore.h"
#include "companions/relay/ui/AccountDialogIds.h"
#include "companions/relay/ui/AccountForm.h"
#include "base/Text.h"

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <thread>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::base;
namespace {

// A worker's news for the dialog's thread: a status text, and settings found.
constexpr UINT kWorkerNews = WM_APP + 1;
constexpr UINT kWorkerDone = WM_APP + 2;

struct News {
    std::wstring status;
    bool found = false;
    FoundAccount account;
};

class AccountDialog {
public:
    AccountDialog(HMODULE plugin) : m_plugin(plugin), m_files(SettingsFilesOf(plugin)) {}
    ~AccountDialog() {
        if (m_worker.joinable()) m_worker.join();
    }

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* self = reinterpret_cast<AccountDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
        if (!self) return FALSE;
        try {
            return self->Handle(window, message, wParam, lParam);
        } catch (...) {
            // Out of memory: nothing may unwind through the dialog manager.
            return TRUE;
        }
    }

private:
    INT_PTR Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_INITDIALOG:
            m_window = window;
            Fill(FormFromSettings(LoadRelaySettings(m_files)));
            return TRUE;
        case kWorkerNews: {
            const std::unique_ptr<News> news(reinterpret_cast<News*>(lParam));
            if (news->found) {
                AccountForm form = Read();
                form.host = news->account.host;
                form.port = std::to_string(news->account.port);
                form.security = SecurityIndex(news->account.security);
                form.oauth = news->account.auth == "OAUTH2";
                form.authMethod = news->account.auth == "CRAM-MD5" ? "CRAM-MD5" : "";
                if (!news->account.user.empty()) form.user = news->account.user;
                else if (!form.oauth) form.user = form.address;
                Fill(form);
            }
            ::SetDlgItemTextW(window, IDC_STATUS, news->status.c_str());
            return TRUE;
        }
        case kWorkerDone:
            if (m_worker.joinable()) m_worker.join();
            Busy(false);
            return TRUE;
        case WM_COMMAND: return Command(LOWORD(wParam), HIWORD(wParam));
        case WM_CLOSE: return Command(IDCANCEL, BN_CLICKED);
        default: return FALSE;
        }
    }

    INT_PTR Command(int id, int code) {
        if (id == IDC_AUTH && code == CBN_SELCHANGE) return Enable(), TRUE;
        if (code != BN_CLICKED) return FALSE;
        switch (id) {
        case IDC_FIND: return Find(), TRUE;
        case IDC_SIGNIN: return StartSignIn(), TRUE;
        case IDC_TEST: return Test(), TRUE;
        case IDOK: return Save(), TRUE;
        case IDCANCEL:
            if (!m_busy) ::EndDialog(m_window, IDCANCEL);
            return TRUE;
        default: return FALSE;
        }
    }

    std::wstring Text(int id) const {
        const HWND item = ::GetDlgItem(m_window, id);
        std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
        text.resize(static_cast<size_t>(::GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    std::string Utf8(int id) const { return email32::base::Utf8(Text(id)); }

    std::wstring Resource(UINT id) const {
        const wchar_t* text = nullptr;
        const int length = ::LoadStringW(m_plugin, id, reinterpret_cast<LPWSTR>(&text), 0);
        return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
    }

    void Fill(const AccountForm& form) {
        const HWND security = ::GetDlgItem(m_window, IDC_SECURITY);
        const HWND auth = ::GetDlgItem(m_window, IDC_AUTH);
        if (::SendMessageW(security, CB_GETCOUNT, 0, 0) == 0) {
            for (UINT id = IDS_SECURITY_AUTO; id <= IDS_SECURITY_NONE; ++id)
                ::SendMessageW(security, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Resource(id).c_str()));
            for (UINT id : {IDS_AUTH_OAUTH, IDS_AUTH_PASSWORD})
                ::SendMessageW(auth, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Resource(id).c_str()));
        }
        ::SetDlgItemTextW(m_window, IDC_ADDRESS, FromUtf8(form.address).c_str());
        ::SetDlgItemTextW(m_window, IDC_HOST, FromUtf8(form.host).c_str());
        ::SetDlgItemTextW(m_window, IDC_PORT, FromUtf8(form.port).c_str());
        ::SetDlgItemTextW(m_window, IDC_USER, FromUtf8(form.user).c_str());
        ::SendMessageW(security, CB_SETCURSEL, static_cast<WPARAM>(form.security), 0);
        ::SendMessageW(auth, CB_SETCURSEL, form.oauth ? 0 : 1, 0);
        m_passwordMethod = form.authMethod;
        Enable();
    }

    AccountForm Read() const {
        AccountForm form;
        form.address = Utf8(IDC_ADDRESS);
        form.host = Utf8(IDC_HOST);
        form.port = Utf8(IDC_PORT);
        const LRESULT security = ::SendDlgItemMessageW(m_window, IDC_SECURITY, CB_GETCURSEL, 0, 0);
        form.security = security >= 0 && security < 4 ? static_cast<int>(security) : 0;
        form.oauth = ::SendDlgItemMessageW(m_window, IDC_AUTH, CB_GETCURSEL, 0, 0) == 0;
        form.user = Utf8(IDC_USER);
        form.authMethod = m_passwordMethod;
        return form;
    }

    void Enable() {
        const bool oauth = ::SendDlgItemMessageW(m_window, IDC_AUTH, CB_GETCURSEL, 0, 0) == 0;
        for (const int id :
             {IDC_FIND, IDC_TEST, IDOK, IDC_ADDRESS, IDC_HOST, IDC_PORT, IDC_SECURITY, IDC_AUTH, IDC_USER})
            ::EnableWindow(::GetDlgItem(m_window, id), !m_busy);
        ::EnableWindow(::GetDlgItem(m_window, IDC_SIGNIN), !m_busy && oauth);
        ::EnableWindow(::GetDlgItem(m_window, IDC_PASSWORD), !m_busy && !oauth);
        ::EnableWindow(::GetDlgItem(m_window, IDCANCEL), !m_busy);
    }

    void Busy(bool busy) {
        m_busy = busy;
        Enable();
    }

    void Post(std::unique_ptr<News> news) const {
        if (::PostMessageW(m_window, kWorkerNews, 0, reinterpret_cast<LPARAM>(news.get()))) (void)news.release();
    }
    void Status(const std::wstring& text) const {
        auto news = std::make_unique<News>();
        news->status = text;
        Post(std::move(news));
    }

    // Runs work away from the window's thread, one at a time.
    template <typename Work>
    void Run(UINT busyText, Work work) {
        if (m_busy) return;
        if (Read().address.empty()) {
            ::SetDlgItemTextW(m_window, IDC_STATUS, Resource(IDS_NEED_ADDRESS).c_str());
            return;
        }
        ::SetDlgItemTextW(m_window, IDC_STATUS, Resource(busyText).c_str());
        Busy(true);
        m_worker = std::thread([this, work]() mutable {
            try {
                work();
            } catch (...) {
                Status(L"out of memory");
            }
            ::PostMessageW(m_window, kWorkerDone, 0, 0);
        });
    }

    void Find() {
        const std::string address = Read().address;
        Run(IDS_FINDING, [this, address] {
            const SetupResult result = SetupAccount(m_files, address);
            auto news = std::make_unique<News>();
            news->found = result.found;
            news->account = result.account;
            news->status = Resource(result.found ? IDS_FOUND : IDS_NOT_FOUND) + FromUtf8(result.line);
            if (result.found && !result.account.note.empty()) news->status += L"\n" + FromUtf8(result.account.note);
            Post(std::move(news));
        });
    }

    void StartSignIn() {
        const std::string address = Read().address;
        Run(IDS_SIGNING_IN, [this, address] {
            const SignInResult result =
                SignIn(m_files, m_plugin, address, false, [this](const std::string& text) { Status(FromUtf8(text)); });
            Status(Resource(result.signedIn ? IDS_SIGNED_IN : IDS_NOT_SIGNED_IN) + FromUtf8(result.message));
        });
    }

    void Test() {
        const RelaySettings settings = SettingsWithForm(LoadRelaySettings(m_files), Read());
        std::string password = Utf8(IDC_PASSWORD);
        Run(IDS_TESTING, [this, settings, password]() mutable {
            Secret secret;
            if (settings.authMethod == "OAUTH2") {
                std::string token, problem;
                if (!CurrentAccessToken(settings, token, problem)) {
                    Status(Resource(IDS_TEST_FAILED) + FromUtf8(problem));
                    return;
                }
                secret = Secret::FromBytes(token);
                WipeText(token);
            } else if (!settings.user.empty()) {
                secret = password.empty() ? std::move(ReadSecret(settings.host).secret) : Secret::FromBytes(password);
            }
            WipeText(password);
            SmtpSession session(settings, secret);
            const Delivery tested = session.TestLogin();
            Status(tested.status == DeliveryStatus::Delivered ? Resource(IDS_TEST_PASSED)
                                                              : Resource(IDS_TEST_FAILED) + FromUtf8(tested.problem));
        });
    }

    void Save() {
        if (m_busy) return;
        const AccountForm form = Read();
        std::string problem;
        bool saved = WriteUserSettings(ValuesFromForm(form), m_plugin, problem);
        std::wstring password = Text(IDC_PASSWORD);
        if (saved && !form.oauth && !password.empty()) {
            saved = StoreSecret(form.host, form.user.empty() ? form.address : form.user, password, problem);
        }
        if (!password.empty()) ::SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
        if (!saved) {
            ::SetDlgItemTextW(m_window, IDC_STATUS, (Resource(IDS_SAVE_FAILED) + FromUtf8(problem)).c_str());
            return;
        }
        ::EndDialog(m_window, IDOK);
    }

    HMODULE m_plugin;
    SettingsFiles m_files;
    HWND m_window = nullptr;
    std::thread m_worker;
    bool m_busy = false;
    std::string m_passwordMethod;
};

}  // namespace

bool ShowAccountDialog(HWND parent, HMODULE plugin) {
    static const bool controls = [] {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
        return ::InitCommonControlsEx(&init) != FALSE;
    }();
    (void)controls;
    AccountDialog dialog(plugin);
    return ::DialogBoxParamW(plugin, MAKEINTRESOURCEW(IDD_ACCOUNT), parent, &AccountDialog::Procedure,
                             reinterpret_cast<LPARAM>(&dialog)) == IDOK;
}

}  // namespace relay
