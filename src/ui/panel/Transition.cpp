#include "ui/panel/Transition.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kinetta
{

double Motion::progress(double t) const
{
    if (t <= 0)
        return 0;
    if (kind == Kind::easeInOut) {
        const double x = std::min(t / seconds, 1.0);
        return x < 0.5 ? 2 * x * x : 1 - std::pow(-2 * x + 2, 2) / 2;
    }
    // A damped spring whose undamped period is the response.
    const double omega = 2 * std::numbers::pi / seconds;
    const double zeta = std::clamp(dampingFraction, 0.01, 1.0);
    const double decay = std::exp(-zeta * omega * t);
    if (zeta >= 1.0)
        return 1 - decay * (1 + omega * t);
    const double damped = omega * std::sqrt(1 - zeta * zeta);
    return 1 - decay * (std::cos(damped * t) + zeta * omega / damped * std::sin(damped * t));
}

bool Motion::settled(double t) const
{
    if (kind == Kind::easeInOut)
        return t >= seconds;
    const double omega = 2 * std::numbers::pi / seconds;
    // Within half a percent of rest for good.
    return std::exp(-std::clamp(dampingFraction, 0.01, 1.0) * omega * t) < 0.005;
}

Transition::Transition(double value, Motion motion, std::function<void()> onStep)
    : m_motion(motion), m_onStep(std::move(onStep)), m_value(value), m_from(value), m_target(value)
{
}

void Transition::setScheduler(Scheduler* scheduler, bool reduceMotion)
{
    m_scheduler = scheduler;
    m_reduceMotion = reduceMotion;
}

void Transition::setTarget(double target)
{
    if (target == m_target)
        return;
    m_target = target;
    if (!m_scheduler || m_reduceMotion) {
        m_ticks.cancel();
        m_value = target;
        if (m_onStep)
            m_onStep();
        return;
    }
    // A new target starts from wherever the value is now.
    m_from = m_value;
    m_elapsed = 0;
    if (!m_ticks.isActive())
        m_ticks = m_scheduler->repeating(kTick, [this] { step(); });
}

void Transition::step()
{
    m_elapsed += std::chrono::duration<double>(kTick).count();
    if (m_motion.settled(m_elapsed)) {
        m_value = m_target;
        m_ticks.cancel();
    } else {
        m_value = m_from + (m_target - m_from) * m_motion.progress(m_elapsed);
    }
    if (m_onStep)
        m_onStep();
}

} // namespace kinetta
