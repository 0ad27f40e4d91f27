#include "ui/overlays/DiscardConfirmation.h"

namespace kinetta
{

DiscardConfirmation::DiscardConfirmation(Scheduler& scheduler,
                                         std::function<void(bool)> onArmedChanged,
                                         std::function<void()> onDiscard)
    : m_scheduler(scheduler), m_onArmedChanged(std::move(onArmedChanged)),
      m_onDiscard(std::move(onDiscard))
{
}

void DiscardConfirmation::arm()
{
    setArmed(true);
    // Replacing the handle cancels an earlier window.
    m_fallback = m_scheduler.singleShot(fallbackDelay, [this] { setArmed(false); });
}

void DiscardConfirmation::keep()
{
    m_fallback.cancel();
    setArmed(false);
}

void DiscardConfirmation::discard()
{
    m_fallback.cancel();
    if (m_onDiscard)
        m_onDiscard();
}

void DiscardConfirmation::setArmed(bool armed)
{
    if (m_armed == armed)
        return;
    m_armed = armed;
    if (m_onArmedChanged)
        m_onArmedChanged(armed);
}

} // namespace kinetta
