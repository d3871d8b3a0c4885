#include "framework/ClassList.h"

#include <cstring>

namespace {

// Constant-initialised, so registrations from any translation unit's static
// initialisers find it ready.
CRuntimeClass* g_firstClass = nullptr;

}  // namespace

CClassInit::CClassInit(CRuntimeClass* runtimeClass) noexcept {
    runtimeClass->m_pNextClass = g_firstClass;
    g_firstClass = runtimeClass;
}

CRuntimeClass* FindModuleClass(const char* name) noexcept {
    for (CRuntimeClass* c = g_firstClass; c != nullptr; c = c->m_pNextClass) {
        if (name != nullptr && std::strcmp(c->m_lpszClassName, name) == 0) return c;
    }
    return nullptr;
}
