// The framework's narrow string, as far as the module's signatures and code
// use it. Holds bytes in the user's ANSI code page.
#pragma once

#include "public/Email32Api.h"

#include <windows.h>  // LoadString is a macro there; declare it the same way

#include <string>

class EMAIL32_API CString {
public:
    CString() = default;
    CString(const char* text) : m_text(text ? text : "") {}
    CString(const char* text, int length)
        : m_text(text ? std::string(text, static_cast<size_t>(length)) : std::string()) {}
    CString(const std::string& text) : m_text(text) {}

    operator const char*() const noexcept { return m_text.c_str(); }
    [[nodiscard]] const std::string& str() const noexcept { return m_text; }

    [[nodiscard]] int GetLength() const noexcept { return static_cast<int>(m_text.size()); }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_text.empty(); }
    void Empty() noexcept { m_text.clear(); }

    // Case-insensitive comparison for ASCII letters; other bytes, double-byte
    // characters included, compare as they are.
    [[nodiscard]] int CompareNoCase(const char* other) const noexcept;
    [[nodiscard]] int Compare(const char* other) const noexcept;

    void Format(const char* format, ...);
    // Loads a string resource of the module; false when it is missing.
    bool LoadString(unsigned int id);

    CString& operator=(const char* text) {
        m_text = text ? text : "";
        return *this;
    }
    CString& operator+=(const CString& other) {
        m_text += other.m_text;
        return *this;
    }
    CString& operator+=(const char* text) {
        if (text) m_text += text;
        return *this;
    }
    CString& operator+=(char c) {
        m_text += c;
        return *this;
    }

    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_text + b.m_text); }
    friend CString operator+(const CString& a, const char* b) { return CString(a.m_text + (b ? b : "")); }
    friend CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.m_text); }
    friend bool operator==(const CString& a, const CString& b) { return a.m_text == b.m_text; }
    friend bool operator==(const CString& a, const char* b) { return a.m_text == (b ? b : ""); }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }

private:
    std::string m_text;
};
