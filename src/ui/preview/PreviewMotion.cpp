#include "ui/preview/PreviewMotion.h"

#include "ui/panel/Transition.h"

namespace kinetta
{

namespace
{

qreal easeInOutProgress(qreal progress)
{
    return Motion::easeInOut(1.0).progress(progress);
}

qreal toastSpringProgress(qreal progress)
{
    const double seconds = double(PreviewMotion::toastArrival.count()) / 1000.0;
    return Motion::spring(0.5, 1.0).progress(progress * seconds);
}

} // namespace

void PreviewMotion::follow(ScheduledTween& tween, qreal target, Scheduler::Duration duration,
                           const QEasingCurve& curve) const
{
    if (tween.target() == target)
        return;
    if (reduceMotion)
        tween.jumpTo(target);
    else
        tween.animateTo(target, duration, curve);
}

QEasingCurve PreviewMotion::easeInOut()
{
    QEasingCurve curve;
    curve.setCustomType(easeInOutProgress);
    return curve;
}

QEasingCurve PreviewMotion::toastSpring()
{
    QEasingCurve curve;
    curve.setCustomType(toastSpringProgress);
    return curve;
}

} // namespace kinetta
