// Serializable, dynamically creatable classes: each records its run-time
// class (name, size, schema, factory, base) and joins the module's class
// list when the module loads.
#pragma once

#include "public/framework/Object.h"

// Puts a class record at the head of the module's class list; one static
// object per class, constructed at load.
struct CClassInit {
    explicit CClassInit(CRuntimeClass* runtimeClass) noexcept;
};

// The registered class of that name, or null.
[[nodiscard]] CRuntimeClass* FindModuleClass(const char* name) noexcept;

#define DECLARE_SERIAL(class_name)                   \
public:                                              \
    static CRuntimeClass class##class_name;          \
    CRuntimeClass* GetRuntimeClass() const override; \
    static CObject* CreateObject();

#define IMPLEMENT_SERIAL(class_name, base_class_name, schema)                                                          \
    CObject* class_name::CreateObject() { return new class_name; }                                                     \
    CRuntimeClass class_name::class##class_name = {                                                                    \
        #class_name, sizeof(class_name), (schema), class_name::CreateObject, &base_class_name::class##base_class_name, \
        nullptr};                                                                                                      \
    CRuntimeClass* class_name::GetRuntimeClass() const { return &class_name::class##class_name; }                      \
    static const CClassInit kClassInit_##class_name(&class_name::class##class_name);
