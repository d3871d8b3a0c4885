#include "companions/relay/ui/ComposeWindow.h"

#include "companions/relay/RelaySettings.h"
#include "companions/relay/settings/RecentRecipients.h"
#include "companions/relay/ui/AccountDialog.h"
#include "companions/relay/ui/RecipientSuggestions.h"
#include "companions/relay/ui/SendWindowIds.h"
#include "companions/relay/ui/WindowTexts.h"
#include "message/AddressList.h"
#include "base/Text.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <memory>

namespace relay {

using namespace email32::message;
using namespace email32::base;
namespace {

// Line ends as an edit control shows them.
std::wstring WithCrLf(const std::wstring& text) {
    std::wstring shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
        if (text[i] == L'\n' || text[i] == L'\r') shown += L"\r\n";
        else shown += text[i];
    }
    return shown;
}

uint64_t FileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring NameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

class ComposeWindow {
public:
    ComposeWindow(HMODULE plugin, ComposeDraft& draft) : m_texts(plugin), m_plugin(plugin), m_draft(draft) {}

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        auto* self = reinterpret_cast<ComposeWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
        if (!self) return FALSE;
        try {
            return self->Handle(window, message, wParam, lParam);
        } catch (...) {
            // Out of memory: nothing may unwind through the dialog manager.
            return TRUE;
        }
    }

private:
    INT_PTR Handle(HWND window, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
        case WM_INITDIALOG:
            m_window = window;
            Fill();
            // To has the focus; FALSE keeps the dialog manager from moving it.
            ::SetFocus(Item(IDC_COMPOSE_TO));
            return FALSE;
        case WM_COMMAND: return Command(LOWORD(wParam), HIWORD(wParam));
        case WM_MOVE:
            for (const auto& list : {m_toList.get(), m_ccList.get()}) {
                if (list) list->Hide();
            }
            return FALSE;
        case WM_DESTROY:
            m_toList.reset();
            m_ccList.reset();
            return FALSE;
        default: return FALSE;
        }
    }

    HWND Item(int id) const { return ::GetDlgItem(m_window, id); }

    void Fill() {
        ::SetDlgItemTextW(m_window, IDC_COMPOSE_FROM, FromUtf8(m_draft.from).c_str());
        ::SetDlgItemTextW(m_window, IDC_COMPOSE_TO, FromUtf8(m_draft.fields.to).c_str());
        ::SetDlgItemTextW(m_window, IDC_COMPOSE_CC, FromUtf8(m_draft.fields.cc).c_str());
        ::SetDlgItemTextW(m_window, IDC_COMPOSE_SUBJECT, FromUtf8(m_draft.fields.subject).c_str());
        ::SetDlgItemTextW(m_window, IDC_COMPOSE_TEXT, WithCrLf(FromUtf8(m_draft.fields.body)).c_str());
        const std::vector<Mailbox> recent = RecentRecipients();
        m_toList = std::make_unique<RecipientSuggestions>(m_window, Item(IDC_COMPOSE_TO), recent);
        m_ccList = std::make_unique<RecipientSuggestions>(m_window, Item(IDC_COMPOSE_CC), recent);

        const HWND files = Item(IDC_COMPOSE_FILES);
        ListView_SetExtendedListViewStyle(files, LVS_EX_FULLROWSELECT);
        RECT area{};
        ::GetClientRect(files, &area);
        const int sizeWidth = (area.right - area.left) / 4;
        std::wstring name = m_texts.Load(IDS_COMPOSE_NAME_COLUMN), size = m_texts.Load(IDS_COMPOSE_SIZE_COLUMN);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = name.data();
        column.cx = area.right - area.left - sizeWidth - ::GetSystemMetrics(SM_CXVSCROLL);
        ::SendMessageW(files, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        column.pszText = size.data();
        column.cx = sizeWidth;
        column.fmt = LVCFMT_RIGHT;
        ::SendMessageW(files, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
        uint64_t total = 0;
        for (const std::wstring& path : m_draft.files) {
            const uint64_t bytes = FileBytes(path);
            total += bytes;
            std::wstring fileName = NameOf(path), shown = ByteSize(bytes);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = ListView_GetItemCount(files);
            item.pszText = fileName.data();
            item.iItem = static_cast<int>(::SendMessageW(files, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            item.iSubItem = 1;
            item.pszText = shown.data();
            ::SendMessageW(files, LVM_SETITEMTEXTW, static_cast<WPARAM>(item.iItem), reinterpret_cast<LPARAM>(&item));
        }
        const size_t count = m_draft.files.size();
        ::SetDlgItemTextW(m_window, IDC_COMPOSE_FILES_LABEL,
                          m_texts
                              .Format(count == 1 ? IDS_COMPOSE_ONE_FILE : IDS_COMPOSE_FILES,
                                      {std::to_wstring(count), ByteSize(total)})
                              .c_str());
    }

    INT_PTR Command(int id, int code) {
        if (code == EN_CHANGE && id == IDC_COMPOSE_TO && m_toList && ::GetFocus() == Item(id)) m_toList->Update();
        if (code == EN_CHANGE && id == IDC_COMPOSE_CC && m_ccList && ::GetFocus() == Item(id)) m_ccList->Update();
        if (code != BN_CLICKED) return FALSE;
        switch (id) {
        case IDOK: return Send(), TRUE;
        case IDCANCEL: return ::EndDialog(m_window, IDCANCEL), TRUE;
        case IDC_COMPOSE_ACCOUNT:
            if (ShowAccountDialog(m_window, m_plugin)) {
                // The account just saved is the one the message goes from.
                const RelaySettings settings = LoadRelaySettings(SettingsFilesOf(m_plugin));
                const ParsedAddresses from = ParseAddressList(settings.sender);
                m_draft.from = from.mailboxes.size() == 1 ? MailboxText(from.mailboxes.front()) : settings.sender;
                ::SetDlgItemTextW(m_window, IDC_COMPOSE_FROM, FromUtf8(m_draft.from).c_str());
            }
            return TRUE;
        default: return FALSE;
        }
    }

    void Send() {
        const std::string to = Utf8(WindowText(Item(IDC_COMPOSE_TO)));
        const std::string cc = Utf8(WindowText(Item(IDC_COMPOSE_CC)));
        const ParsedAddresses toList = ParseAddressList(to), ccList = ParseAddressList(cc);
        std::wstring problem;
        if (!toList.problem.empty()) problem = m_texts.Format(IDS_COMPOSE_BAD_TO, {FromUtf8(toList.problem)});
        else if (!ccList.problem.empty()) problem = m_texts.Format(IDS_COMPOSE_BAD_CC, {FromUtf8(ccList.problem)});
        else if (toList.mailboxes.empty() && ccList.mailboxes.empty())
            problem = m_texts.Load(IDS_COMPOSE_NEED_RECIPIENT);
        if (!problem.empty()) {
            ::SetDlgItemTextW(m_window, IDC_COMPOSE_STATUS, problem.c_str());
            ::SetFocus(Item(IDC_COMPOSE_TO));
            return;
        }
        m_draft.fields.to = to;
        m_draft.fields.cc = cc;
        m_draft.fields.subject = Utf8(WindowText(Item(IDC_COMPOSE_SUBJECT)));
        m_draft.fields.body = Utf8(WindowText(Item(IDC_COMPOSE_TEXT)));
        std::vector<Mailbox> used = toList.mailboxes;
        used.insert(used.end(), ccList.mailboxes.begin(), ccList.mailboxes.end());
        RememberRecipients(used);
        ::EndDialog(m_window, IDOK);
    }

    WindowTexts m_texts;
    HMODULE m_plugin;
    ComposeDraft& m_draft;
    HWND m_window = nullptr;
    std::unique_ptr<RecipientSuggestions> m_toList;
    std::unique_ptr<RecipientSuggestions> m_ccList;
};

}  // namespace

bool ShowComposeWindow(HWND owner, HMODULE plugin, ComposeDraft& draft) {
    static const bool controls = [] {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
        return ::InitCommonControlsEx(&init) != FALSE;
    }();
    (void)controls;
    ComposeWindow window(plugin, draft);
    return ::DialogBoxParamW(plugin, MAKEINTRESOURCEW(IDD_COMPOSE), owner, &ComposeWindow::Procedure,
                             reinterpret_cast<LPARAM>(&window)) == IDOK;
}

}  // namespace relay
