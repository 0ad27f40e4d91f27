#include "ui/overlays/ScheduledTween.h"

namespace kinetta
{

ScheduledTween::ScheduledTween(Scheduler& scheduler, qreal initial, std::function<void()> onFrame)
    : m_scheduler(scheduler), m_onFrame(std::move(onFrame)), m_value(initial), m_to(initial)
{
}

void ScheduledTween::animateTo(qreal target, Scheduler::Duration duration, QEasingCurve curve)
{
    start(m_value, target, duration, std::move(curve), false);
}

void ScheduledTween::repeat(qreal from, qreal to, Scheduler::Duration duration, QEasingCurve curve)
{
    start(from, to, duration, std::move(curve), true);
}

void ScheduledTween::jumpTo(qreal value)
{
    m_timer.cancel();
    m_repeating = false;
    m_from = m_to = m_value = value;
    if (m_onFrame)
        m_onFrame();
}

void ScheduledTween::start(qreal from, qreal to, Scheduler::Duration duration, QEasingCurve curve,
                           bool repeating)
{
    if (duration <= Scheduler::Duration{0}) {
        jumpTo(to);
        return;
    }
    m_from = from;
    m_to = to;
    m_value = from;
    m_curve = std::move(curve);
    m_duration = duration;
    m_elapsed = Scheduler::Duration{0};
    m_repeating = repeating;
    m_timer = m_scheduler.repeating(frameInterval, [this] { tick(); });
    if (m_onFrame)
        m_onFrame();
}

void ScheduledTween::tick()
{
    m_elapsed += frameInterval;
    // A frame that would come after the end shows the end instead.
    if (m_elapsed + frameInterval > m_duration) {
        if (m_repeating) {
            m_elapsed %= m_duration;
        } else {
            m_value = m_to;
            m_timer.cancel();
            if (m_onFrame)
                m_onFrame();
            return;
        }
    }
    const qreal progress = qreal(m_elapsed.count()) / qreal(m_duration.count());
    m_value = m_from + (m_to - m_from) * m_curve.valueForProgress(progress);
    if (m_onFrame)
        m_onFrame();
}

} // namespace kinetta
