#include "framework/ResourceModules.h"

#include "framework/ModuleState.h"

#include <algorithm>

namespace email32::framework {
namespace {

// Built on first use: the list is reached from the module's entry point,
// after the static objects, and kept until the process or module ends.
std::vector<HINSTANCE>& Registered() {
    static std::vector<HINSTANCE> modules;
    return modules;
}

}  // namespace

void AddResourceModule(HINSTANCE module) {
    if (module == nullptr || IsResourceModule(module)) return;
    Registered().insert(Registered().begin(), module);
}

void RemoveResourceModule(HINSTANCE module) noexcept {
    auto& modules = Registered();
    modules.erase(std::remove(modules.begin(), modules.end(), module), modules.end());
}

bool IsResourceModule(HINSTANCE module) noexcept {
    const auto& modules = Registered();
    return std::find(modules.begin(), modules.end(), module) != modules.end();
}

bool LoadResourceText(unsigned int id, std::wstring& text) {
    for (HINSTANCE module : ResourceSearchOrder()) {
        const wchar_t* resource = nullptr;
        const int length = ::LoadStringW(module, id, reinterpret_cast<wchar_t*>(&resource), 0);
        if (length > 0 && resource != nullptr) {
            text.assign(resource, static_cast<size_t>(length));
            return true;
        }
    }
    text.clear();
    return false;
}

std::vector<HINSTANCE> ResourceSearchOrder() {
    std::vector<HINSTANCE> order{ResourceInstance()};
    for (HINSTANCE module : Registered()) {
        if (module != order.front()) order.push_back(module);
    }
    return order;
}

}  // namespace email32::framework
