#include "companions/relay/ui/RecipientSuggestions.h"

#include "companions/relay/settings/RecentRecipients.h"
#include "companions/relay/ui/SendWindowIds.h"
#include "companions/relay/ui/WindowTexts.h"
#include "base/Text.h"

#include <commctrl.h>

#include <algorithm>

namespace relay {

using namespace email32::message;
using namespace email32::base;
namespace {

constexpr int kVisibleRows = 8;

bool IsSeparator(wchar_t c) { return c == L',' || c == L';'; }

bool BeginsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           ::CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                  static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

// The address, the name, or a word of the name begins with what was typed.
bool Matches(const Mailbox& mailbox, const std::wstring& typed) {
    if (BeginsWith(FromUtf8(mailbox.address), typed)) return true;
    const std::wstring name = FromUtf8(mailbox.name);
    for (size_t i = 0; i < name.size(); ++i) {
        if ((i == 0 || name[i - 1] == L' ') && BeginsWith(name.substr(i), typed)) return true;
    }
    return false;
}

std::wstring Lower(std::wstring text) {
    if (!text.empty()) ::CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace

RecipientSuggestions::RecipientSuggestions(HWND dialog, HWND edit, std::vector<Mailbox> known)
    : m_dialog(dialog), m_edit(edit), m_known(std::move(known)) {
    ::SetWindowSubclass(m_edit, EditProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
}

RecipientSuggestions::~RecipientSuggestions() {
    ::RemoveWindowSubclass(m_edit, EditProcedure, 1);
    if (m_list != nullptr && ::IsWindow(m_list)) ::DestroyWindow(m_list);
}

bool RecipientSuggestions::Visible() const { return m_list != nullptr && ::IsWindowVisible(m_list); }

void RecipientSuggestions::Hide() {
    if (m_list != nullptr) ::ShowWindow(m_list, SW_HIDE);
}

int RecipientSuggestions::Selected() const {
    if (!Visible()) return -1;
    return static_cast<int>(::SendMessageW(m_list, LB_GETCURSEL, 0, 0));
}

void RecipientSuggestions::Update() {
    const std::wstring text = WindowText(m_edit);
    DWORD start = 0, caret = 0;
    ::SendMessageW(m_edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&caret));
    caret = std::min<DWORD>(caret, static_cast<DWORD>(text.size()));
    // The address being typed: from the separator before the caret (outside
    // quotes) to the next one.
    bool quoted = false;
    DWORD from = 0;
    for (DWORD i = 0; i < caret; ++i) {
        if (text[i] == L'"') quoted = !quoted;
        else if (!quoted && IsSeparator(text[i])) from = i + 1;
    }
    while (from < caret && text[from] == L' ') ++from;
    DWORD to = caret;
    while (to < text.size() && !IsSeparator(text[to])) ++to;
    while (to > caret && text[to - 1] == L' ') --to;
    m_tokenStart = from;
    m_tokenEnd = to;
    const std::wstring typed = text.substr(from, caret - from);
    if (typed.empty()) return Hide();
    // Those already in the field are not offered again.
    const std::wstring before = Lower(text.substr(0, from));
    std::vector<size_t> matches;
    for (size_t i = 0; i < m_known.size(); ++i) {
        if (!Matches(m_known[i], typed)) continue;
        if (before.find(Lower(FromUtf8(m_known[i].address))) != std::wstring::npos) continue;
        matches.push_back(i);
    }
    if (matches.empty()) return Hide();
    Show(matches);
}

void RecipientSuggestions::Show(const std::vector<size_t>& matches) {
    if (m_list == nullptr) {
        const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(m_dialog, GWLP_HINSTANCE));
        m_list =
            ::CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, L"LISTBOX", L"",
                              WS_POPUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS, 0,
                              0, 0, 0, m_dialog, nullptr, instance, nullptr);
        if (m_list == nullptr) return;
        ::SetWindowLongPtrW(m_list, GWLP_ID, IDC_COMPOSE_SUGGESTIONS);
        ::SendMessageW(m_list, WM_SETFONT, ::SendMessageW(m_dialog, WM_GETFONT, 0, 0), FALSE);
        ::SetWindowSubclass(m_list, ListProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    m_shown = matches;
    ::SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(m_list, LB_RESETCONTENT, 0, 0);
    for (const size_t i : m_shown) {
        ::SendMessageW(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(FromUtf8(MailboxText(m_known[i])).c_str()));
    }
    ::SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
    RECT field{};
    ::GetWindowRect(m_edit, &field);
    const int rows = std::min<int>(static_cast<int>(m_shown.size()), kVisibleRows);
    const int height = rows * static_cast<int>(::SendMessageW(m_list, LB_GETITEMHEIGHT, 0, 0)) +
                       2 * ::GetSystemMetrics(SM_CYBORDER) + 2;
    ::SetWindowPos(m_list, HWND_TOP, field.left, field.bottom, field.right - field.left, height,
                   SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void RecipientSuggestions::Move(int step) {
    const int count = static_cast<int>(m_shown.size());
    const int selected = Selected();
    const int next = selected < 0 ? (step > 0 ? 0 : count - 1) : std::clamp(selected + step, 0, count - 1);
    ::SendMessageW(m_list, LB_SETCURSEL, static_cast<WPARAM>(next), 0);
}

// The chosen recipient in place of the address being typed, followed by a
// separator for the next one.
bool RecipientSuggestions::Accept(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_shown.size()) return false;
    const std::wstring text = WindowText(m_edit);
    size_t after = m_tokenEnd;
    while (after < text.size() && text[after] == L' ') ++after;
    const bool separated = after < text.size() && IsSeparator(text[after]);
    const std::wstring chosen =
        FromUtf8(MailboxText(m_known[m_shown[static_cast<size_t>(index)]])) + (separated ? L"" : L", ");
    Hide();
    ::SendMessageW(m_edit, EM_SETSEL, m_tokenStart, m_tokenEnd);
    ::SendMessageW(m_edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(chosen.c_str()));
    ::SetFocus(m_edit);
    return true;
}

LRESULT CALLBACK RecipientSuggestions::EditProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                     DWORD_PTR self) {
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(window, EditProcedure, 1);
    try {
        return reinterpret_cast<RecipientSuggestions*>(self)->Edit(message, wParam, lParam);
    } catch (...) {
        // Out of memory for a list of names: the field goes on without it.
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK RecipientSuggestions::ListProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                     DWORD_PTR self) {
    if (message == WM_NCDESTROY) ::RemoveWindowSubclass(window, ListProcedure, 1);
    return reinterpret_cast<RecipientSuggestions*>(self)->List(message, wParam, lParam);
}

LRESULT RecipientSuggestions::Edit(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_DOWN || wParam == VK_UP) {
            if (!Visible()) Update();
            if (Visible()) return Move(wParam == VK_DOWN ? 1 : -1), 0;
        } else if (Visible() && (wParam == VK_RETURN || wParam == VK_TAB) && Selected() >= 0) {
            m_swallowChar = true;
            return Accept(Selected()), 0;
        } else if (Visible() && wParam == VK_ESCAPE) {
            m_swallowChar = true;
            return Hide(), 0;
        }
        break;
    case WM_CHAR:
        if (m_swallowChar && (wParam == L'\r' || wParam == L'\t' || wParam == 0x1B)) {
            m_swallowChar = false;
            return 0;
        }
        m_swallowChar = false;
        break;
    case WM_GETDLGCODE: {
        // While the list is open, Enter and Tab take its choice and Escape
        // closes it, instead of sending, moving on or cancelling.
        LRESULT code = ::DefSubclassProc(m_edit, message, wParam, lParam);
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key != nullptr && Visible() && (key->message == WM_KEYDOWN || key->message == WM_CHAR)) {
            const bool choice = (key->wParam == VK_RETURN || key->wParam == VK_TAB) && Selected() >= 0;
            if (choice || key->wParam == VK_ESCAPE) code |= DLGC_WANTMESSAGE;
        }
        return code;
    }
    case WM_KILLFOCUS: Hide(); break;
    default: break;
    }
    return ::DefSubclassProc(m_edit, message, wParam, lParam);
}

LRESULT RecipientSuggestions::List(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_LBUTTONDOWN: {
        // Taken without the list ever having the focus, so the field keeps it.
        const LRESULT hit = ::SendMessageW(m_list, LB_ITEMFROMPOINT, 0, lParam);
        if (HIWORD(hit) == 0) Accept(LOWORD(hit));
        return 0;
    }
    case WM_MOUSEMOVE: {
        const LRESULT hit = ::SendMessageW(m_list, LB_ITEMFROMPOINT, 0, lParam);
        if (HIWORD(hit) == 0) ::SendMessageW(m_list, LB_SETCURSEL, LOWORD(hit), 0);
        return 0;
    }
    default: break;
    }
    return ::DefSubclassProc(m_list, message, wParam, lParam);
}

}  // namespace relay
