#include "framework/Controls.h"

#include <string>

void CComboBox::GetLBText(int index, CString& text) const {
    const LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR || length < 0) {
        text.Empty();
        return;
    }
    std::string buffer(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied =
        SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    text = CString(buffer.data(), copied > 0 ? static_cast<int>(copied) : 0);
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    DeleteImageList();
    m_list = ::ImageList_Create(cx, cy, flags, initial, grow);
    return m_list != nullptr;
}

void CImageList::DeleteImageList() noexcept {
    if (m_list) ::ImageList_Destroy(m_list);
    m_list = nullptr;
}

void CListCtrl::SetImageList(CImageList* list, int kind) const {
    // A list view destroys its image lists with itself unless told that they
    // are shared; here the CImageList object is the one owner.
    const LONG_PTR style = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, style | LVS_SHAREIMAGELISTS);
    SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(kind),
                reinterpret_cast<LPARAM>(list ? list->GetSafeHandle() : nullptr));
}

int CListCtrl::InsertItem(int index, const char* text, int image) const {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(text ? text : "");
    item.iImage = image;
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask) const {
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    return static_cast<BOOL>(
        SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}
