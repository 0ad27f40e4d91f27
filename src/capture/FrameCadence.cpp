#include "capture/FrameCadence.h"

#include <algorithm>

namespace kinetta
{

FrameCadence::FrameCadence(double frameRate) : m_interval(1.0 / std::max(1.0, frameRate)) {}

void FrameCadence::begin(Clock::time_point now)
{
    m_origin = now;
    m_slot = 0;
}

FrameCadence::Clock::time_point FrameCadence::next(Clock::time_point now)
{
    if (!m_origin)
        return now + std::chrono::duration_cast<Clock::duration>(m_interval);
    const auto elapsed =
        static_cast<std::int64_t>(std::chrono::duration<double>(now - *m_origin) / m_interval);
    m_slot = std::max(m_slot + 1, elapsed + 1);
    return *m_origin +
           std::chrono::duration_cast<Clock::duration>(m_interval * static_cast<double>(m_slot));
}

} // namespace kinetta
