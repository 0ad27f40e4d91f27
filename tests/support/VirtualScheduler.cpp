#include "support/VirtualScheduler.h"

namespace kinetta {

struct VirtualScheduler::Entry {
    Callback callback;
    Duration interval{0}; // zero for a single shot
    bool active = true;
};

namespace {

class VirtualTimer final : public TimerHandle::Impl {
public:
    explicit VirtualTimer(std::shared_ptr<VirtualScheduler::Entry> entry) : m_entry(std::move(entry)) {}
    void cancel() override;
    bool isActive() const override;

private:
    std::shared_ptr<VirtualScheduler::Entry> m_entry;
};

} // namespace

void VirtualTimer::cancel()
{
    m_entry->active = false;
}

bool VirtualTimer::isActive() const
{
    return m_entry->active;
}

TimerHandle VirtualScheduler::singleShot(Duration delay, Callback callback)
{
    return add(delay, Duration{0}, std::move(callback));
}

TimerHandle VirtualScheduler::repeating(Duration interval, Callback callback)
{
    // A zero interval would make advance() spin forever.
    return add(interval, std::max(interval, Duration{1}), std::move(callback));
}

TimerHandle VirtualScheduler::add(Duration delay, Duration interval, Callback callback)
{
    auto entry = std::make_shared<Entry>();
    entry->callback = std::move(callback);
    entry->interval = interval;
    m_queue.emplace(std::make_pair(m_now + std::max(delay, Duration{0}), m_sequence++), entry);
    return TimerHandle(std::make_unique<VirtualTimer>(entry));
}

void VirtualScheduler::advance(Duration by)
{
    const Duration target = m_now + by;
    while (!m_queue.empty()) {
        auto first = m_queue.begin();
        if (first->first.first > target)
            break;
        m_now = first->first.first;
        std::shared_ptr<Entry> entry = first->second;
        m_queue.erase(first);
        if (!entry->active)
            continue;
        if (entry->interval > Duration{0})
            m_queue.emplace(std::make_pair(m_now + entry->interval, m_sequence++), entry);
        else
            entry->active = false;
        // Copy: the callback may cancel its own timer and drop the entry's last owner.
        Callback callback = entry->callback;
        callback();
    }
    m_now = target;
}

std::size_t VirtualScheduler::pendingCount() const
{
    std::size_t count = 0;
    for (const auto& [key, entry] : m_queue) {
        if (entry->active)
            ++count;
    }
    return count;
}

} // namespace kinetta
