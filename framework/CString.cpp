#include "public/framework/CString.h"

#include "framework/ModuleState.h"
#include "framework/ResourceModules.h"
#include "base/Text.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

char AsciiLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

int CString::CompareNoCase(const char* other) const noexcept {
    const char* a = m_text.c_str();
    const char* b = other ? other : "";
    for (;; ++a, ++b) {
        const unsigned char ca = static_cast<unsigned char>(AsciiLower(*a));
        const unsigned char cb = static_cast<unsigned char>(AsciiLower(*b));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
}

int CString::Compare(const char* other) const noexcept { return std::strcmp(m_text.c_str(), other ? other : ""); }

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) {
        m_text.clear();
    } else {
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        m_text.assign(buffer.data(), static_cast<size_t>(length));
    }
    va_end(args);
}

bool CString::LoadString(unsigned int id) {
    // String resources are UTF-16; the module's texts are handed out in the
    // user's ANSI code page like every other text of the module.
    std::wstring resource;
    if (!email32::framework::LoadResourceText(id, resource)) {
        m_text.clear();
        return false;
    }
    m_text = email32::base::Narrow(resource);
    return true;
}
