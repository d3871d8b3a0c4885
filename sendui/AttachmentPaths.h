// Path operations of the attachment preparation. Paths are texts in the
// user's ANSI code page: in a double-byte code page the second byte of a
// character may equal '\' (0x5C), so separators are found by walking the text
// character by character, never by looking at single bytes from the end.
#pragma once

#include "public/framework/CString.h"

#include <windows.h>

#include <initializer_list>

// The part after the last backslash, slash or colon; the whole path when
// there is none.
void GetFileName(CString path, CString& name);
// The text after the last dot of the file name, without the dot; empty when
// the file name has no dot. Dots in folder names do not count.
void GetExtension(CString path, CString& ext);
// Creates a folder and its missing parents; TRUE when it exists afterwards.
BOOL CreateFolderTree(const char* path);

namespace email32::sendui {

// The file name up to and including its last dot; the whole name followed by
// a dot when it has none.
[[nodiscard]] CString FileStem(const CString& path);
// True when ext (without dot) is one of the set, ignoring letter case.
[[nodiscard]] bool ExtensionIn(const CString& ext, std::initializer_list<const char*> set);
// Extensions of the pictures phones and the web use (HEIF, WebP), which are
// always made JPEG files when a shrinking is chosen.
[[nodiscard]] bool IsPhoneOrWebPicture(const CString& ext);
}  // namespace email32::sendui
