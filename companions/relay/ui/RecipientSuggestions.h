// The recipients used before, offered under an address field as the user
// types: for the address being typed (the text after the last comma or
// semicolon before the caret), those whose address, name or a word of the
// name begins with it. Down and Up choose, Enter, Tab or a click takes the
// choice, Escape closes the list. Each recipient of the field is completed
// on its own, which the shell's completion of a whole edit field cannot do.
#pragma once

#include "message/AddressList.h"

#include <windows.h>

#include <string>
#include <vector>

namespace relay {

class RecipientSuggestions {
public:
    RecipientSuggestions(HWND dialog, HWND edit, std::vector<email32::message::Mailbox> known);
    ~RecipientSuggestions();
    RecipientSuggestions(const RecipientSuggestions&) = delete;
    RecipientSuggestions& operator=(const RecipientSuggestions&) = delete;

    // After the field's text changed: the list for the address being typed.
    void Update();
    void Hide();
    [[nodiscard]] bool Visible() const;

private:
    static LRESULT CALLBACK EditProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR self);
    static LRESULT CALLBACK ListProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                          DWORD_PTR self);
    LRESULT Edit(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT List(UINT message, WPARAM wParam, LPARAM lParam);
    void Show(const std::vector<size_t>& matches);
    void Move(int step);
    bool Accept(int index);
    [[nodiscard]] int Selected() const;

    HWND m_dialog;
    HWND m_edit;
    HWND m_list = nullptr;
    std::vector<email32::message::Mailbox> m_known;
    std::vector<size_t> m_shown;  // indexes into m_known, in the list's order
    DWORD m_tokenStart = 0;       // the address being typed, in the field's text
    DWORD m_tokenEnd = 0;
    bool m_swallowChar = false;  // the key's character was handled with its key
};

}  // namespace relay
