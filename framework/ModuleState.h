// The module's instance and the handle resources are taken from: the stand-in
// for the framework's module state.
#pragma once

#include "public/Email32Api.h"

#include <windows.h>

namespace email32::framework {

// The DLL's own instance; the executable's when the code is linked into one.
HINSTANCE ModuleInstance() noexcept;
void SetModuleInstance(HINSTANCE instance) noexcept;

// Where string and dialog resources are looked up; the module's own by default.
HINSTANCE ResourceInstance() noexcept;
void SetResourceInstance(HINSTANCE instance) noexcept;

// Makes a resource handle current for the lifetime of the object.
class ScopedResourceInstance {
public:
    explicit ScopedResourceInstance(HINSTANCE instance) noexcept : m_saved(ResourceInstance()) {
        SetResourceInstance(instance);
    }
    ScopedResourceInstance(const ScopedResourceInstance&) = delete;
    ScopedResourceInstance& operator=(const ScopedResourceInstance&) = delete;
    ~ScopedResourceInstance() { SetResourceInstance(m_saved); }

private:
    HINSTANCE m_saved;
};

}  // namespace email32::framework
