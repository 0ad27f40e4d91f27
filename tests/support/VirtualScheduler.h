#pragma once

#include "model/Scheduler.h"

#include <cstdint>
#include <map>
#include <memory>

namespace kinetta {

// Virtual time for tests: nothing runs until advance() moves the clock, and then
// every due callback runs in due-time order (ties in the order they were set).
class VirtualScheduler final : public Scheduler {
public:
    [[nodiscard]] TimerHandle singleShot(Duration delay, Callback callback) override;
    [[nodiscard]] TimerHandle repeating(Duration interval, Callback callback) override;

    // Moves the clock forward by `by`, running what falls due on the way.
    void advance(Duration by);
    [[nodiscard]] Duration now() const { return m_now; }
    // Timers still waiting to fire.
    [[nodiscard]] std::size_t pendingCount() const;

    struct Entry;

private:
    TimerHandle add(Duration delay, Duration interval, Callback callback);

    Duration m_now{0};
    std::uint64_t m_sequence = 0;
    // Keyed by (due time, sequence) so that equal due times keep their order.
    std::map<std::pair<Duration, std::uint64_t>, std::shared_ptr<Entry>> m_queue;
};

} // namespace kinetta
