// Where libraries are loaded from, and whether this process can load them.
//
// A library is loaded from a full path only. A bare file name is looked for
// where the product and the system put libraries (the host's folder, the
// folder of the module asking, the system folder) and nowhere else: never
// in the current folder or along PATH, where anyone could plant a file of
// that name. The check of a library's machine type reads the very file that
// the load takes.
#pragma once

#include <windows.h>

#include <string>

namespace email32::base {

// The machine type the code of this process is built for, and the one of
// the other bitness, whose libraries only a helper process can load.
#if defined(_M_X64) || defined(__x86_64__)
inline constexpr WORD kProcessMachine = IMAGE_FILE_MACHINE_AMD64;
inline constexpr WORD kOtherMachine = IMAGE_FILE_MACHINE_I386;
#else
inline constexpr WORD kProcessMachine = IMAGE_FILE_MACHINE_I386;
inline constexpr WORD kOtherMachine = IMAGE_FILE_MACHINE_AMD64;
#endif

// The folder of the module whose code runs here (the module DLL, the
// plug-in, or a program linked with this code), with a trailing backslash.
[[nodiscard]] std::wstring ThisModuleFolder();

// The system folder, with a trailing backslash; empty when it cannot be had.
[[nodiscard]] std::wstring SystemLibraryFolder();

// True for "X:\..." and "\\server\share\..." (and "\\?\..."): a path that
// names one file whatever the current folder and drive.
[[nodiscard]] bool IsFullyQualifiedPath(const std::wstring& path);
[[nodiscard]] bool IsFullyQualifiedPath(const std::string& ansiPath);

// The file that a load of `library` takes: a fully qualified path as it
// stands; a bare file name from the first of the host's folder, this
// module's own folder and the system folder that holds it. Empty for any
// other form (a relative path) and for a bare name found in none of them.
[[nodiscard]] std::wstring LocateLibrary(const std::wstring& library);
[[nodiscard]] std::wstring LocateLibrary(const std::string& ansiLibrary);

// The machine type (IMAGE_FILE_MACHINE_...) in the header of the file that
// LocateLibrary gives; 0 when there is no such file or it is no PE image.
[[nodiscard]] WORD LibraryMachine(const std::wstring& library);
[[nodiscard]] WORD LibraryMachine(const std::string& ansiLibrary);

// False only for a library file that exists and is built for another
// machine than this process's (a 64-bit provider in a 32-bit host): loading
// it could only fail. A file that is missing or unreadable gets no verdict
// here.
[[nodiscard]] bool IsLoadableLibrary(const std::string& ansiLibrary);

// Loads the file that LocateLibrary gives, its own dependencies looked for
// in its folder first; null when there is none or it does not load.
[[nodiscard]] HMODULE LoadLocatedLibrary(const std::wstring& library);
[[nodiscard]] HMODULE LoadLocatedLibrary(const std::string& ansiLibrary);

}  // namespace email32::base
