#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace kinetta::portal
{

// Hands out objects to fill and share, taking back those that nobody holds
// any more: pictures of a screen's size allocated afresh every frame cost
// more in page faults than the work on them. One thread takes from a pool.
template <typename T> class RecyclingPool final
{
public:
    explicit RecyclingPool(std::size_t capacity) : m_capacity(capacity) {}

    // One that only the pool held, or a new one (kept when there is room).
    [[nodiscard]] std::shared_ptr<T> take()
    {
        for (const auto& item : m_items)
            if (item.use_count() == 1)
                return item;
        auto item = std::make_shared<T>();
        if (m_items.size() < m_capacity)
            m_items.push_back(item);
        return item;
    }

private:
    std::size_t m_capacity;
    std::vector<std::shared_ptr<T>> m_items;
};

} // namespace kinetta::portal
