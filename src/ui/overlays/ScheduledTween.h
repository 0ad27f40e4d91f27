#pragma once

#include "model/Scheduler.h"

#include <QEasingCurve>
#include <functional>

namespace kinetta
{

// One animated number driven by the program's scheduler, so that views
// animate on virtual time in tests. Each frame tick calls onFrame, where the
// view repaints. A zero duration (reduced motion) jumps at once.
class ScheduledTween final
{
public:
    static constexpr Scheduler::Duration frameInterval{16};

    ScheduledTween(Scheduler& scheduler, qreal initial, std::function<void()> onFrame);

    // From the value shown now to target; restarts a running animation.
    void animateTo(qreal target, Scheduler::Duration duration,
                   QEasingCurve curve = QEasingCurve::Linear);
    // From `from` to `to`, over and over, without reversing.
    void repeat(qreal from, qreal to, Scheduler::Duration duration, QEasingCurve curve);
    // Stops any animation and shows value.
    void jumpTo(qreal value);

    [[nodiscard]] qreal value() const { return m_value; }
    [[nodiscard]] qreal target() const { return m_to; }
    [[nodiscard]] bool isRunning() const { return m_timer.isActive(); }

private:
    void start(qreal from, qreal to, Scheduler::Duration duration, QEasingCurve curve,
               bool repeating);
    void tick();

    Scheduler& m_scheduler;
    std::function<void()> m_onFrame;
    TimerHandle m_timer;
    QEasingCurve m_curve;
    qreal m_value;
    qreal m_from = 0;
    qreal m_to = 0;
    Scheduler::Duration m_duration{0};
    Scheduler::Duration m_elapsed{0};
    bool m_repeating = false;
};

} // namespace kinetta
