// The modules that resource lookups search: the current resource instance
// first, then the modules that registered their resources, the most recent
// first. A module joins at start-up and leaves at unload.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace email32::framework {

// Adds a module to the search; a module already in it stays where it is.
void AddResourceModule(HINSTANCE module);
void RemoveResourceModule(HINSTANCE module) noexcept;
[[nodiscard]] bool IsResourceModule(HINSTANCE module) noexcept;

// Where a lookup searches, in order, without repeats.
[[nodiscard]] std::vector<HINSTANCE> ResourceSearchOrder();

// A string resource as it is stored (UTF-16), from the first module of the
// search that has it, in the language the resource loader picks for the
// user; false when no module has it.
[[nodiscard]] bool LoadResourceText(unsigned int id, std::wstring& text);

}  // namespace email32::framework
