#pragma once

#include "model/Scheduler.h"

#include <functional>

namespace kinetta
{

// How a transition moves from its start to its end over time.
struct Motion {
    enum class Kind { easeInOut, spring };
    Kind kind = Kind::easeInOut;
    double seconds = 0.15;        // ease: its length; spring: its response
    double dampingFraction = 1.0; // spring only

    static Motion easeInOut(double seconds) { return {Kind::easeInOut, seconds, 1.0}; }
    static Motion spring(double response, double dampingFraction)
    {
        return {Kind::spring, response, dampingFraction};
    }
    // Progress (0 at the start, 1 at rest; a spring may overshoot) after t
    // seconds, and whether it has come to rest by then.
    [[nodiscard]] double progress(double t) const;
    [[nodiscard]] bool settled(double t) const;
};

// A number that follows its target with a motion, ticking on the scheduler;
// it jumps straight to the target without a scheduler or with reduced motion.
// Each step calls onStep, so the owner repaints.
class Transition final
{
public:
    Transition(double value, Motion motion, std::function<void()> onStep);

    void setScheduler(Scheduler* scheduler, bool reduceMotion);
    void setTarget(double target);
    [[nodiscard]] double value() const { return m_value; }
    [[nodiscard]] double target() const { return m_target; }

    static constexpr Scheduler::Duration kTick{16};

private:
    void step();

    Motion m_motion;
    std::function<void()> m_onStep;
    Scheduler* m_scheduler = nullptr;
    bool m_reduceMotion = false;
    double m_value;
    double m_from;
    double m_target;
    double m_elapsed = 0;
    TimerHandle m_ticks;
};

} // namespace kinetta
