#include "sendui/AttachmentPaths.h"

#include <io.h>

#include <string>

namespace email32 {
namespace {

// Calls visit(offset, byte) for every character's first byte, in order.
template <typename Visit>
void ForEachCharacter(const char* text, Visit visit) {
    const char* p = text;
    while (*p) {
        visit(static_cast<int>(p - text), *p);
        const char* next = ::CharNextA(p);
        p = next > p ? next : p + 1;
    }
}

}  // namespace

int LastSeparatorEnd(const char* text, const char* separators) {
    int end = 0;
    ForEachCharacter(text, [&](int offset, char c) {
        for (const char* s = separators; *s; ++s) {
            if (c == *s) end = offset + 1;
        }
    });
    return end;
}

CString FileStem(const CString& path) {
    CString name;
    GetFileName(path, name);
    int lastDot = -1;
    ForEachCharacter(name, [&](int offset, char c) {
        if (c == '.') lastDot = offset;
    });
    if (lastDot < 0) return name + ".";
    return CString(name, lastDot + 1);
}

bool ExtensionIn(const CString& ext, std::initializer_list<const char*> set) {
    for (const char* candidate : set) {
        if (ext.CompareNoCase(candidate) == 0) return true;
    }
    return false;
}

bool IsPhoneOrWebPicture(const CString& ext) { return ExtensionIn(ext, {"heic", "heif", "hif", "webp"}); }

}  // namespace email32

void GetFileName(CString path, CString& name) {
    const int start = email32::LastSeparatorEnd(path);
    name = CString(static_cast<const char*>(path) + start);
}

void GetExtension(CString path, CString& ext) {
    CString name;
    GetFileName(path, name);
    const char* text = name;
    const char* dot = nullptr;
    for (const char* p = text; *p;) {
        if (*p == '.') dot = p;
        const char* next = ::CharNextA(p);
        p = next > p ? next : p + 1;
    }
    ext = dot ? CString(dot + 1) : CString();
}

BOOL CreateFolderTree(const char* path) {
    if (!path) return FALSE;
    if (_access(path, 0) == 0) return TRUE;
    std::string parent(path);
    if (parent.size() < 4) return FALSE;

    // A trailing backslash is dropped only when it is a character of its own.
    if (email32::LastSeparatorEnd(parent.c_str(), "\\") == static_cast<int>(parent.size())) parent.pop_back();
    parent.resize(static_cast<size_t>(email32::LastSeparatorEnd(parent.c_str(), "\\")));
    if (!CreateFolderTree(parent.c_str())) return FALSE;

    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateDirectoryA(path, &attributes);
}
