#pragma once

#include "model/Scheduler.h"
#include "ui/overlays/ScheduledTween.h"

#include <QEasingCurve>

namespace kinetta
{

// How the preview's pieces move. Every animation ticks on the program's
// scheduler; with reduced motion each change shows at once instead.
struct PreviewMotion {
    Scheduler& scheduler;
    bool reduceMotion = false;

    // A button's label and symbol changing (Boomerang ✓, Copied!).
    static constexpr Scheduler::Duration labelChange{150};
    // The size banner turning from amber to green and back.
    static constexpr Scheduler::Duration bannerChange{200};
    // A toast arriving on its spring: by then it is within half a percent of rest.
    static constexpr Scheduler::Duration toastArrival{600};
    // Whatever else appears or goes: the toast leaving, the drag badge, the
    // error banner.
    static constexpr Scheduler::Duration plain{350};

    // Sends tween towards target over duration, or puts it there at once with
    // reduced motion; nothing when it is already heading there.
    void follow(ScheduledTween& tween, qreal target, Scheduler::Duration duration,
                const QEasingCurve& curve) const;

    // Slow at both ends.
    [[nodiscard]] static QEasingCurve easeInOut();
    // A critically damped spring whose undamped period is half a second,
    // spread over toastArrival.
    [[nodiscard]] static QEasingCurve toastSpring();
};

} // namespace kinetta
