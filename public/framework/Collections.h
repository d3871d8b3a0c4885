// The framework's pointer array and string list, with the members the module
// and its hosts use.
#pragma once

#include "public/framework/CString.h"

#include <cstdint>
#include <vector>

class EMAIL32_API CPtrArray {
public:
    [[nodiscard]] int GetSize() const noexcept { return static_cast<int>(m_items.size()); }
    [[nodiscard]] int GetCount() const noexcept { return GetSize(); }
    [[nodiscard]] void* GetAt(int index) const { return m_items.at(static_cast<size_t>(index)); }
    void SetAt(int index, void* item) { m_items.at(static_cast<size_t>(index)) = item; }
    void* operator[](int index) const { return GetAt(index); }
    int Add(void* item) {
        m_items.push_back(item);
        return GetSize() - 1;
    }
    void SetSize(int size) { m_items.resize(size > 0 ? static_cast<size_t>(size) : 0u, nullptr); }
    void RemoveAll() noexcept { m_items.clear(); }

private:
    std::vector<void*> m_items;
};

using POSITION = struct PositionTag*;

class EMAIL32_API CStringList {
public:
    explicit CStringList(int blockSize = 10) : m_blockSize(blockSize) {}

    [[nodiscard]] int GetCount() const noexcept { return static_cast<int>(m_items.size()); }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_items.empty(); }
    void AddTail(const CString& text) { m_items.push_back(text); }
    void RemoveAll() noexcept { m_items.clear(); }

    // Iteration in the framework's style; a POSITION is an index plus one.
    [[nodiscard]] POSITION GetHeadPosition() const noexcept {
        return m_items.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<uintptr_t>(1));
    }
    const CString& GetNext(POSITION& position) const {
        const size_t index = reinterpret_cast<uintptr_t>(position) - 1;
        position = index + 1 < m_items.size() ? reinterpret_cast<POSITION>(index + 2) : nullptr;
        return m_items.at(index);
    }

    [[nodiscard]] const std::vector<CString>& Items() const noexcept { return m_items; }
    [[nodiscard]] int GetBlockSize() const noexcept { return m_blockSize; }

private:
    std::vector<CString> m_items;
    int m_blockSize;
};
