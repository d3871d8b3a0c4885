// The framework's list of object pointers, with the members the GIF file
// object uses. The list does not own what it points at.
#pragma once

#include "public/framework/Collections.h"
#include "public/framework/Object.h"

#include <cstdint>
#include <vector>

class CObList {
public:
    explicit CObList(int blockSize = 10) : m_blockSize(blockSize) {}
    CObList(const CObList&) = delete;
    CObList& operator=(const CObList&) = delete;

    [[nodiscard]] int GetCount() const noexcept { return static_cast<int>(m_items.size()); }
    [[nodiscard]] bool IsEmpty() const noexcept { return m_items.empty(); }
    [[nodiscard]] int GetBlockSize() const noexcept { return m_blockSize; }
    // Null for an empty list (the framework's would assert).
    [[nodiscard]] CObject* GetHead() const noexcept { return m_items.empty() ? nullptr : m_items.front(); }
    [[nodiscard]] CObject* GetTail() const noexcept { return m_items.empty() ? nullptr : m_items.back(); }
    void AddHead(CObject* item) { m_items.insert(m_items.begin(), item); }
    void AddTail(CObject* item) { m_items.push_back(item); }
    void RemoveAll() noexcept { m_items.clear(); }

    // A POSITION is an index plus one.
    [[nodiscard]] POSITION GetHeadPosition() const noexcept {
        return m_items.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<uintptr_t>(1));
    }
    CObject* GetNext(POSITION& position) const {
        const size_t index = reinterpret_cast<uintptr_t>(position) - 1;
        position = index + 1 < m_items.size() ? reinterpret_cast<POSITION>(index + 2) : nullptr;
        return m_items.at(index);
    }

private:
    std::vector<CObject*> m_items;
    int m_blockSize;
};
