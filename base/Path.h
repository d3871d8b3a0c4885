// Paths taken apart and named: folder and name, extension, short and long
// forms, the module's own file, and a name the ANSI side can use.
//
// Separators are "\", "/" and a drive's ":". Narrow paths are texts in the
// ANSI code page: in a double-byte code page the second byte of a character
// may equal "\" (0x5C), so they are walked character by character, never
// searched for single bytes from the end.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace email32::base {

// Everything up to and including the last separator; empty when there is
// none.
[[nodiscard]] std::wstring FolderOf(std::wstring_view path);
// Everything after the last separator: the whole path when there is none.
[[nodiscard]] std::wstring NameOf(std::wstring_view path);
// The text after the last dot of the name, without the dot; empty when the
// name has none (dots in folder names do not count).
[[nodiscard]] std::wstring ExtensionOf(std::wstring_view path);
// The name without its last dot and what follows it.
[[nodiscard]] std::wstring StemOf(std::wstring_view path);

// Drive and folder of an ANSI path as _splitpath gives them: the folder keeps
// its trailing backslash; empty for a path without one, or with a folder too
// long to split (more than 255 characters).
[[nodiscard]] std::string FolderOf(const std::string& path);
// The offset just after the last of `separators` in an ANSI text; 0 when it
// has none.
[[nodiscard]] std::size_t AfterLast(const char* text, const char* separators);
[[nodiscard]] std::string NameOf(const std::string& path);
[[nodiscard]] std::string ExtensionOf(const std::string& path);

// The short (8.3) and long forms of an existing file's path; nullopt when the
// file has none (it does not exist).
[[nodiscard]] std::optional<std::wstring> ShortPath(const std::wstring& path);
[[nodiscard]] std::optional<std::wstring> LongPath(const std::wstring& path);

// Drive and folder of the host process's executable, ending in a backslash;
// empty when its path does not fit 260 characters.
[[nodiscard]] std::string HostExecutableFolder();

// The full path of a loaded module (null: the process's executable), however
// long; empty when it cannot be had.
[[nodiscard]] std::wstring ModulePath(HMODULE module);

// Which form of a path an ANSI contract takes first.
enum class AnsiForm {
    AsGiven,  // the path itself; its short form when the code page cannot hold it
    Short,    // the short form; the path itself for a file that has none
};

// A name the ANSI side (a program's command line, an ANSI entry, a library
// whose contract is ANSI) can use for the file at `path`, in the code page's
// exact form. `given` is the caller's own ANSI text for the path, taken as it
// stands for the path itself. nullopt when neither form can be named.
[[nodiscard]] std::optional<std::string> AnsiPathOf(const std::wstring& path, AnsiForm first = AnsiForm::AsGiven,
                                                    const std::optional<std::string>& given = std::nullopt);

}  // namespace email32::base
