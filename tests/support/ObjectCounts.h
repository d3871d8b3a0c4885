// Counts of the process's handles and GDI objects where the system calls for
// them are stubs (Wine answers 0): read from the system's handle list and
// from the GDI handle table that the process environment block points to.
#pragma once

#include <windows.h>

#include <optional>

namespace email32::test {

// Kernel handles of this process from the system-wide handle list.
[[nodiscard]] std::optional<DWORD> HandleCountFromSystemList();

// Live GDI objects of this process that are not stock objects, all of them
// (objectType 0) or of one GetObjectType kind (OBJ_PAL, OBJ_DC, ...). Only
// under Wine, whose table layout this reads.
[[nodiscard]] std::optional<DWORD> GdiObjectCountFromTable(DWORD objectType);

}  // namespace email32::test
