#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace kinetta
{

// The fixed delivery cadence of a stream: slot n is due n intervals after the
// first delivery, however late the slots before it were. A slot whose time
// has passed is skipped, not delivered late; the recorder repeats the frame
// before it.
class FrameCadence final
{
public:
    using Clock = std::chrono::steady_clock;

    // frameRate below 1 counts as 1.
    explicit FrameCadence(double frameRate);

    // The first delivery went out at now: slot 0.
    void begin(Clock::time_point now);
    [[nodiscard]] bool begun() const { return m_origin.has_value(); }
    // When the next slot after the last one returned is due, given the time
    // now. Before begin(), one interval from now.
    [[nodiscard]] Clock::time_point next(Clock::time_point now);

private:
    std::chrono::duration<double> m_interval;
    std::optional<Clock::time_point> m_origin;
    std::int64_t m_slot = 0;
};

} // namespace kinetta
