// The framework's control objects: thin views of a dialog's controls.
#pragma once

#include "public/framework/Wnd.h"

#include <commctrl.h>

class CComboBox : public CWnd {
public:
    int AddString(const char* text) const {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int AddString(const wchar_t* text) const {
        return static_cast<int>(::SendMessageW(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    [[nodiscard]] int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    [[nodiscard]] int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    // The text of item index; empty for an index without an item.
    void GetLBText(int index, CString& text) const;
};

// An image list the object owns; a list view it is given to only borrows it.
class CImageList {
public:
    CImageList() noexcept = default;
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    ~CImageList() { DeleteImageList(); }

    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // Adds a copy of the icon; the index of the new image, or -1.
    int Add(HICON icon) const { return m_list ? ::ImageList_AddIcon(m_list, icon) : -1; }
    [[nodiscard]] HIMAGELIST GetSafeHandle() const noexcept { return m_list; }
    void DeleteImageList() noexcept;

private:
    HIMAGELIST m_list = nullptr;
};

class CListCtrl : public CWnd {
public:
    // Gives the list view the image list to show, without passing ownership.
    void SetImageList(CImageList* list, int kind) const;
    int InsertItem(int index, const char* text, int image) const;
    BOOL SetItemState(int index, UINT state, UINT mask) const;
    [[nodiscard]] UINT GetItemState(int index, UINT mask) const {
        return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(index), mask));
    }
    [[nodiscard]] int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
};
