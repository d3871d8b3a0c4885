// The unit tests link the module's code but not its resources: this makes
// Email32.dll's dialog and string table the current resources, loaded as data.
#pragma once

#include "framework/ModuleState.h"
#include "base/Win32Handles.h"
#include "tests/support/TestEnvironment.h"

namespace email32::test {

class ModuleResources {
public:
    ModuleResources()
        : m_data(::LoadLibraryExA((BinFolder() + "Email32.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)),
          m_current(instance()) {}
    [[nodiscard]] HINSTANCE instance() const noexcept { return reinterpret_cast<HINSTANCE>(m_data.get()); }

private:
    base::AutoLibrary m_data;
    framework::ScopedResourceInstance m_current;
};

}  // namespace email32::test
