#pragma once

#include "hidgate.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace hidgate {

// Maps handles to shared objects. Handles count up and are never reused, so a stale handle can only miss; a
// caller that found an object keeps it alive through its shared_ptr while a close drops the table's reference.
template <typename T> class HandleTable {
public:
    HidgateHandle add(std::shared_ptr<T> item)
    {
        std::lock_guard lock(m_mutex);
        const HidgateHandle handle = ++m_last;
        m_items.emplace(handle, std::move(item));
        return handle;
    }

    std::shared_ptr<T> find(HidgateHandle handle) const
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_items.find(handle);
        return found == m_items.end() ? nullptr : found->second;
    }

    void remove(HidgateHandle handle)
    {
        std::shared_ptr<T> dropped; // released after the lock, so a destructor never runs under it
        std::lock_guard lock(m_mutex);
        const auto found = m_items.find(handle);
        if (found == m_items.end())
            return;
        dropped = std::move(found->second);
        m_items.erase(found);
    }

private:
    mutable std::mutex m_mutex;
    std::unordered_map<HidgateHandle, std::shared_ptr<T>> m_items;
    HidgateHandle m_last = 0;
};

} // namespace hidgate
