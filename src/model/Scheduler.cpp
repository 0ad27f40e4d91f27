#include "model/Scheduler.h"

namespace kinetta {

TimerHandle& TimerHandle::operator=(TimerHandle&& other) noexcept
{
    if (this != &other) {
        cancel();
        m_impl = std::move(other.m_impl);
    }
    return *this;
}

void TimerHandle::cancel()
{
    if (m_impl) {
        m_impl->cancel();
        m_impl.reset();
    }
}

} // namespace kinetta
