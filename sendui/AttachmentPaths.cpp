#include "sendui/AttachmentPaths.h"

#include "base/Path.h"

#include <io.h>

#include <string>

namespace email32::sendui {

CString FileStem(const CString& path) {
    const std::string name = base::NameOf(std::string(path));
    const std::size_t extension = base::ExtensionOf(name).size();
    if (extension > 0) return CString(name.substr(0, name.size() - extension).c_str());
    // No extension: the name ends in its dot already, or gets one.
    return CString((!name.empty() && name.back() == '.' ? name : name + ".").c_str());
}

bool ExtensionIn(const CString& ext, std::initializer_list<const char*> set) {
    for (const char* candidate : set) {
        if (ext.CompareNoCase(candidate) == 0) return true;
    }
    return false;
}

bool IsPhoneOrWebPicture(const CString& ext) { return ExtensionIn(ext, {"heic", "heif", "hif", "webp"}); }

}  // namespace email32::sendui

void GetFileName(CString path, CString& name) { name = CString(email32::base::NameOf(std::string(path)).c_str()); }

void GetExtension(CString path, CString& ext) { ext = CString(email32::base::ExtensionOf(std::string(path)).c_str()); }

BOOL CreateFolderTree(const char* path) {
    if (!path) return FALSE;
    if (_access(path, 0) == 0) return TRUE;
    std::string parent(path);
    if (parent.size() < 4) return FALSE;

    // A trailing backslash is dropped only when it is a character of its own.
    if (email32::base::AfterLast(parent.c_str(), "\\") == parent.size()) parent.pop_back();
    parent.resize(email32::base::AfterLast(parent.c_str(), "\\"));
    if (!CreateFolderTree(parent.c_str())) return FALSE;

    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateDirectoryA(path, &attributes);
}
