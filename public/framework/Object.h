// The framework's object base: run-time class records and serialisation.
#pragma once

#include "public/Email32Api.h"

class CArchive;
class CObject;

// A class's run-time record: its name, size, schema, base and factory.
struct EMAIL32_API CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    unsigned int m_wSchema;
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* m_pBaseClass;
    CRuntimeClass* m_pNextClass;  // the module's class list

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    [[nodiscard]] bool IsDerivedFrom(const CRuntimeClass* base) const noexcept;
};

class EMAIL32_API CObject {
public:
    CObject() noexcept = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;

    // Slot order: run-time class, destructor, Serialize, AssertValid, Dump.
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    virtual void Serialize(CArchive& archive);
    virtual void AssertValid() const {}
    virtual void Dump(void* context) const { (void)context; }

    [[nodiscard]] bool IsKindOf(const CRuntimeClass* runtimeClass) const;

    static CRuntimeClass classCObject;
};
